// The bash completion of kavrin, driven as bash drives it: COMP_WORDS and COMP_CWORD set,
// the completion function called, COMPREPLY read back. Its commands and options are kept
// equal to what `kavrin --help` lists; items and options for --set come from the
// configuration in use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "tests/docs/kavrin_help.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {
namespace {

const std::string kCompletion = std::string(KAVRIN_SOURCE_DIR) + "/resources/kavrin.bash-completion";

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The candidates bash would offer for the last word, in a folder, with extra environment.
std::set<std::string> Complete(const std::vector<std::string>& words,
                               const std::filesystem::path& folder = ".",
                               const std::string& environment = "") {
  TempDir scratch;
  std::string script = "source " + Quote(kCompletion) + "\nCOMP_WORDS=(" + Quote(KAVRIN_BIN);
  for (const std::string& word : words) script += " " + Quote(word);
  script += ")\nCOMP_CWORD=" + std::to_string(words.size()) +
            "\n_kavrin\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
  scratch.Write("drive.sh", script);
  const std::string command = "cd " + Quote(folder.string()) + " && env " + environment +
                              " bash --norc --noprofile " + Quote((scratch / "drive.sh").string());
  FILE* pipe = popen(command.c_str(), "r");
  std::set<std::string> candidates;
  if (pipe == nullptr) return candidates;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    std::string line(buffer);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty()) candidates.insert(line);
  }
  pclose(pipe);
  return candidates;
}

std::vector<std::string> Words(const std::string& path) {
  std::vector<std::string> words;
  std::string word;
  for (char c : path + " ") {
    if (c != ' ') {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  return words;
}

TEST(KavrinCompletion, IsRegisteredForKavrin) {
  TempDir scratch;
  scratch.Write("check.sh", "source " + Quote(kCompletion) + "\ncomplete -p kavrin\n");
  FILE* pipe = popen(("bash --norc --noprofile " + Quote((scratch / "check.sh").string())).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[256] = {};
  const bool read = std::fgets(buffer, sizeof buffer, pipe) != nullptr;
  pclose(pipe);
  ASSERT_TRUE(read);
  EXPECT_STREQ(buffer, "complete -F _kavrin kavrin\n");
}

TEST(KavrinCompletion, OffersEveryCommandAndOptionTheHelpLists) {
  for (const CommandHelp& command : ReadKavrinHelp()) {
    std::vector<std::string> words = Words(command.path);
    words.push_back("-");
    const std::set<std::string> options(command.options.begin(), command.options.end());
    EXPECT_EQ(Complete(words), options) << "options of \"kavrin " << command.path << "\"";
    if (!command.subcommands.empty()) {
      words.back() = "";
      const std::set<std::string> subcommands(command.subcommands.begin(),
                                              command.subcommands.end());
      EXPECT_EQ(Complete(words), subcommands) << "subcommands of \"kavrin " << command.path << "\"";
    }
  }
}

struct SetCase {
  const char* what;
  std::vector<std::string> words;
  std::set<std::string> expected;
};

void PrintTo(const SetCase& c, std::ostream* out) { *out << c.what; }

class SetCompletion : public testing::TestWithParam<SetCase> {};

// Bash splits "--set TV\ System=P" at '=' into "TV\ System", "=", "P".
TEST_P(SetCompletion, OffersTheConfigurationsItemsAndOptions) {
  TempDir folder;
  folder.Write("own.ini",
               "[ITEM_LIST]\nITEM_NO=1\nITEM_000=GAIN\n"
               "[GAIN]\nTITLE=Mic Gain\nWORD_IDX=3\nDATA_LEN=2\nOPTION_NO=3\n"
               "OPTION_0=Low\nOPTION_1=Mid\nOPTION_2=Loud\n");
  EXPECT_EQ(Complete(GetParam().words, folder.Path()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Items, SetCompletion,
    testing::Values(
        SetCase{"item_by_prefix", {"kavrin", "--set", "TV"}, {"TV\\ System="}},
        SetCase{"options_after_equals", {"kavrin", "--set", "TV\\ System", "=", ""}, {"NTSC", "PAL"}},
        SetCase{"option_by_prefix", {"kavrin", "--set", "TV\\ System", "=", "P"}, {"PAL"}},
        SetCase{"item_in_other_case", {"kavrin", "--set", "tv\\ system", "=", ""}, {"NTSC", "PAL"}},
        SetCase{"option_with_blank", {"kavrin", "--set", "Cycle\\ Time", "=", "1"},
                {"10\\ min", "15\\ min"}},
        SetCase{"named_configuration",
                {"kavrin", "--config", "own.ini", "--set", ""}, {"Mic\\ Gain="}},
        SetCase{"named_configuration_options",
                {"kavrin", "--config", "own.ini", "--set", "Mic\\ Gain", "=", "L"}, {"Low", "Loud"}},
        SetCase{"no_such_item", {"kavrin", "--set", "Nothing", "=", ""}, {}}),
    [](const testing::TestParamInfo<SetCase>& param) { return std::string(param.param.what); });

TEST(KavrinCompletion, OffersBlockFilesWhereACommandTakesOne) {
  TempDir folder;
  folder.Write("unit.bin", std::string(112, '\0'));
  folder.Write("notes.txt", "x");
  EXPECT_EQ(Complete({"block", "show", ""}, folder.Path()), std::set<std::string>{"unit.bin"});
  EXPECT_EQ(Complete({"kavrin", "u"}, folder.Path()), std::set<std::string>{"unit.bin"});
  EXPECT_EQ(Complete({"config", "--config", ""}, folder.Path()), std::set<std::string>{});
}

}  // namespace
}  // namespace kavrin::test
