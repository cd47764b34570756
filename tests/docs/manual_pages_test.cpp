// The manual pages kavrin(1) and kavrintool(1) stay true to the programs: every command and
// option the help lists, every switch of the tool's table, and the sections a reader of a
// manual page looks for.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/early_options.h"
#include "cli/command_result.h"
#include "tests/docs/kavrin_help.h"
#include "tests/docs/manual_page.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {
namespace {

const std::filesystem::path kManualFolder = std::filesystem::path(KAVRIN_SOURCE_DIR) / "docs/man";

// What kavrin(1) leaves out of the help it is checked against: "kavrin block show" for a
// command without its subsection, "kavrin read --output" for an option it never names.
std::vector<std::string> UndescribedInPage(const ManualPage& page,
                                           const std::vector<CommandHelp>& commands) {
  const std::string global = page.Section("OPTIONS");
  const std::string common = page.Section("COMMON OPTIONS");
  std::vector<std::string> missing;
  for (const CommandHelp& command : commands) {
    const std::string own =
        command.path.empty() ? global : page.Subsection("kavrin " + command.path);
    if (!command.path.empty() && own.empty()) missing.push_back("kavrin " + command.path);
    // An option is described with its command, or once for all under COMMON OPTIONS (or,
    // like --help, under OPTIONS).
    for (const std::string& option : command.options) {
      if (!ContainsWord(own, option) && !ContainsWord(common, option) &&
          !ContainsWord(global, option)) {
        missing.push_back("kavrin " + (command.path.empty() ? "" : command.path + " ") + option);
      }
    }
  }
  return missing;
}

TEST(KavrinManualPage, DescribesEveryCommandAndOptionTheHelpLists) {
  const ManualPage page(kManualFolder / "kavrin.1");
  ASSERT_TRUE(page.Loaded());
  EXPECT_EQ(UndescribedInPage(page, ReadKavrinHelp()), std::vector<std::string>{});
}

// The check above is only as good as its reading of the page: a page without one option, or
// with an option only in another command's subsection, is caught.
TEST(KavrinManualPage, CheckCatchesAnOptionOrCommandThePageLeavesOut) {
  TempDir folder;
  folder.Write("kavrin.1",
               ".TH KAVRIN 1\n.SH OPTIONS\n.TP\n.BR \\-h \", \" \\-\\-help\n"
               ".SH COMMON OPTIONS\n.TP\n.B \\-\\-json\n"
               ".SH COMMANDS\n.SS \"kavrin read\"\n.TP\n.B \\-\\-all\n"
               ".SS \"kavrin write FILE\"\nWrites FILE.\n");
  const ManualPage page(folder / "kavrin.1");
  const std::vector<CommandHelp> help = {
      {"", {"read", "write", "station"}, {"-h", "--help"}},
      {"read", {}, {"-h", "--help", "--json", "--all", "-o", "--output"}},
      {"write", {}, {"-h", "--help", "--json", "--all"}},
      {"station", {}, {"-h", "--help"}},
  };
  EXPECT_EQ(UndescribedInPage(page, help),
            (std::vector<std::string>{"kavrin read -o", "kavrin read --output",
                                      "kavrin write --all", "kavrin station"}));
}

TEST(KavrintoolManualPage, ListsEverySwitchOfTheTable) {
  const ManualPage page(kManualFolder / "kavrintool.1");
  const std::string switches = page.Section("SWITCHES");
  ASSERT_FALSE(switches.empty());
  for (const SwitchName& entry : SwitchTable()) {
    char line[64];
    std::snprintf(line, sizeof line, "%08X %s\n", entry.bit, entry.name);
    EXPECT_NE(switches.find(line), std::string::npos) << "no entry \"" << line << "\"";
  }
}

TEST(KavrintoolManualPage, DescribesEveryOptionTheUsageNames) {
  const ManualPage page(kManualFolder / "kavrintool.1");
  const std::string options = page.Section("OPTIONS");
  ASSERT_FALSE(options.empty());
  // Every word of the usage that starts with '-' ("--help", "--version").
  std::istringstream usage(UsageText());
  std::string word;
  int seen = 0;
  while (usage >> word) {
    while (!word.empty() && std::string("()|,.").find(word.back()) != std::string::npos)
      word.pop_back();
    if (word.size() < 2 || word[0] != '-' ||
        !std::isalpha(static_cast<unsigned char>(word.back()))) {
      continue;
    }
    ++seen;
    EXPECT_TRUE(ContainsWord(options, word)) << word << " is not under OPTIONS in kavrintool(1)";
  }
  EXPECT_GT(seen, 0) << "no option found in the usage text";
}

struct RequiredText {
  const char* page;
  const char* section;
  const char* word;
};

void PrintTo(const RequiredText& t, std::ostream* out) {
  *out << t.page << " " << t.section << " " << t.word;
}

class ManualPageSections : public testing::TestWithParam<RequiredText> {};

TEST_P(ManualPageSections, NameWhatTheReaderLooksFor) {
  const ManualPage page(kManualFolder / GetParam().page);
  ASSERT_TRUE(page.HasSection(GetParam().section))
      << GetParam().page << " has no " << GetParam().section;
  EXPECT_TRUE(ContainsWord(page.Section(GetParam().section), GetParam().word))
      << GetParam().page << ", " << GetParam().section << ": no " << GetParam().word;
}

std::vector<RequiredText> RequiredTexts() {
  std::vector<RequiredText> texts;
  for (const char* page : {"kavrin.1", "kavrintool.1"}) {
    for (const char* variable : {"KAVRIN_SIMULATOR", "KAVRIN_CODEPAGE"}) {
      texts.push_back({page, "ENVIRONMENT", variable});
    }
    for (const char* file :
         {"KAVRIN_CFG.ini", "Default.bin", "ReleaseNote.txt", "InitOptionList.txt"}) {
      texts.push_back({page, "FILES", file});
    }
    texts.push_back({page, "EXIT STATUS", "0"});
    texts.push_back({page, "EXAMPLES", page == std::string("kavrin.1") ? "kavrin" : "kavrintool"});
  }
  texts.push_back({"kavrin.1", "EXIT STATUS", "1"});
  texts.push_back({"kavrin.1", "EXIT STATUS", "2"});
  return texts;
}

INSTANTIATE_TEST_SUITE_P(Pages, ManualPageSections, testing::ValuesIn(RequiredTexts()),
                         [](const testing::TestParamInfo<RequiredText>& param) {
                           std::string name = std::string(param.param.page) + "_" +
                                              param.param.section + "_" + param.param.word;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

// groff finds what man would show wrongly: unknown requests, bad escapes, lines too long.
TEST(ManualPages, RenderWithoutWarnings) {
  if (std::system("command -v groff >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "groff is not installed (scripts/install-deps test)";
  }
  for (const char* page : {"kavrin.1", "kavrintool.1"}) {
    const std::string command =
        "groff -man -Tutf8 -ww -z '" + (kManualFolder / page).string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string warnings;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) warnings += buffer;
    EXPECT_EQ(pclose(pipe), 0) << page;
    EXPECT_EQ(warnings, "") << page;
  }
}

}  // namespace
}  // namespace kavrin::test

namespace kavrin::test {
namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A script reads `reason`; every code kavrin can give is explained in the manual page (from
// its JSON section to the exit status) and in docs/cli.md's table.
TEST(KavrinManualPage, ExplainsEveryReasonCode) {
  std::string page = ReadText(kManualFolder / "kavrin.1");
  for (std::size_t at = 0; (at = page.find("\\-", at)) != std::string::npos;)
    page.replace(at, 2, "-");
  const std::size_t from = page.find(".SH JSON OUTPUT");
  const std::size_t to = page.find(".SH EXIT STATUS");
  ASSERT_NE(from, std::string::npos);
  ASSERT_NE(to, std::string::npos);
  const std::string section = page.substr(from, to - from);
  const std::string guide = ReadText(std::filesystem::path(KAVRIN_SOURCE_DIR) / "docs/cli.md");
  for (int value = static_cast<int>(cli::Reason::kUsage);
       value <= static_cast<int>(cli::kLastReason); ++value) {
    const std::string code(cli::ReasonCode(static_cast<cli::Reason>(value)));
    EXPECT_NE(section.find(code), std::string::npos) << code << " is not in the manual page";
    EXPECT_NE(guide.find("`" + code + "`"), std::string::npos) << code << " is not in cli.md";
  }
}

}  // namespace
}  // namespace kavrin::test
