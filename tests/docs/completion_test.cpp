// The bash completion of kavrin, driven as bash drives it: COMP_WORDS, COMP_CWORD, COMP_LINE
// and COMP_POINT set from a command line, the completion function called, COMPREPLY read
// back. Its commands and options are kept
// equal to what `kavrin --help` lists; items and options for --set come from the
// configuration in use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/docs/kavrin_help.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {
namespace {

const std::string kCompletion =
    std::string(KAVRIN_SOURCE_DIR) + "/resources/completion/kavrin.bash";

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// COMP_WORDS as bash makes them from a command line: words split at blanks that no
// backslash escapes, and '=' and ':' as words of their own ("--set", "TV\ System", "=", "P").
std::vector<std::string> CompletionWords(const std::string& line) {
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\\' && i + 1 < line.size()) {
      words.back() += line.substr(i++, 2);
    } else if (c == ' ') {
      if (!words.back().empty()) words.emplace_back();
    } else if (c == '=' || c == ':') {
      if (!words.back().empty() && words.back().back() != c) words.emplace_back();
      words.back() += c;
      words.emplace_back();
    } else {
      words.back() += c;
    }
  }
  return words;
}

// The candidates bash would offer at the end of a command line (after "kavrin "), in a
// folder, with extra environment. Whatever the completion prints on the terminal besides
// (an error of kavrin or of the script) counts as a candidate, so that a test sees it.
std::set<std::string> Complete(const std::string& arguments,
                               const std::filesystem::path& folder = ".",
                               const std::string& environment = "") {
  const std::string line = std::string(KAVRIN_BIN) + " " + arguments;
  const std::vector<std::string> words = CompletionWords(line);
  TempDir scratch;
  std::string script = "source " + Quote(kCompletion) + "\nCOMP_WORDS=(";
  for (const std::string& word : words) script += " " + Quote(word);
  script += ")\nCOMP_CWORD=" + std::to_string(words.size() - 1) + "\nCOMP_LINE=" + Quote(line) +
            "\nCOMP_POINT=" + std::to_string(line.size()) +
            "\n_kavrin\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
  scratch.Write("drive.sh", script);
  const std::string command = "cd " + Quote(folder.string()) + " && env LC_ALL=C.UTF-8 " +
                              environment + " bash --norc --noprofile " +
                              Quote((scratch / "drive.sh").string()) + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::set<std::string> candidates;
  if (pipe == nullptr) return candidates;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    std::string text(buffer);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty()) candidates.insert(text);
  }
  pclose(pipe);
  return candidates;
}

TEST(KavrinCompletion, IsRegisteredForKavrin) {
  TempDir scratch;
  scratch.Write("check.sh", "source " + Quote(kCompletion) + "\ncomplete -p kavrin\n");
  FILE* pipe =
      popen(("bash --norc --noprofile " + Quote((scratch / "check.sh").string())).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[256] = {};
  const bool read = std::fgets(buffer, sizeof buffer, pipe) != nullptr;
  pclose(pipe);
  ASSERT_TRUE(read);
  EXPECT_STREQ(buffer, "complete -F _kavrin kavrin\n");
}

TEST(KavrinCompletion, OffersEveryCommandAndOptionTheHelpLists) {
  for (const CommandHelp& command : ReadKavrinHelp()) {
    const std::string path = command.path.empty() ? "" : command.path + " ";
    const std::set<std::string> options(command.options.begin(), command.options.end());
    EXPECT_EQ(Complete(path + "-"), options) << "options of \"kavrin " << command.path << "\"";
    if (!command.subcommands.empty()) {
      const std::set<std::string> subcommands(command.subcommands.begin(),
                                              command.subcommands.end());
      EXPECT_EQ(Complete(path), subcommands) << "subcommands of \"kavrin " << command.path << "\"";
    }
  }
}

struct CompletionCase {
  const char* what;
  const char* line;  // after "kavrin "
  std::set<std::string> expected;
};

void PrintTo(const CompletionCase& c, std::ostream* out) { *out << "kavrin " << c.line; }

class SetCompletion : public testing::TestWithParam<CompletionCase> {};

// bash replaces only what follows the last '=' of "--set TV\ System=P".
TEST_P(SetCompletion, OffersTheConfigurationsItemsAndOptions) {
  TempDir folder;
  folder.Write("own.ini",
               "[ITEM_LIST]\nITEM_NO=1\nITEM_000=GAIN\n"
               "[GAIN]\nTITLE=Mic Gain\nWORD_IDX=3\nDATA_LEN=2\nOPTION_NO=3\n"
               "OPTION_0=Low\nOPTION_1=Mid\nOPTION_2=Loud\n");
  EXPECT_EQ(Complete(GetParam().line, folder.Path()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Items, SetCompletion,
    testing::Values(
        CompletionCase{"item_by_prefix", "kavrin --set TV", {"TV\\ System="}},
        CompletionCase{"item_in_other_case", "kavrin --set tv", {"TV\\ System="}},
        CompletionCase{"options_after_equals", "kavrin --set TV\\ System=", {"NTSC", "PAL"}},
        CompletionCase{"option_by_prefix", "kavrin --set TV\\ System=P", {"PAL"}},
        CompletionCase{
            "option_with_blank", "kavrin --set Cycle\\ Time=1", {"10\\ min", "15\\ min"}},
        CompletionCase{"item_named_in_other_case", "kavrin --set tv\\ system=", {"NTSC", "PAL"}},
        CompletionCase{"named_configuration", "kavrin --config own.ini --set ", {"Mic\\ Gain="}},
        CompletionCase{"named_configuration_options",
                       "kavrin --config own.ini --set Mic\\ Gain=L",
                       {"Low", "Loud"}},
        CompletionCase{"no_such_item", "kavrin --set Nothing=", {}}),
    [](const testing::TestParamInfo<CompletionCase>& param) {
      return std::string(param.param.what);
    });

// -d offers every address `kavrin devices` lists: two simulated recorders on a line, one
// with its own serial, one named by its file.
TEST(KavrinCompletion, OffersTheRecordersAddressesForDevice) {
  TempDir line;
  line.Write("A.json", R"({"serial": "ZK0001A", "port": "1-2.1"})");
  line.Write("B.json", R"({"port": "1-2.2"})");
  const std::string simulator = "KAVRIN_SIMULATOR=" + Quote(line.Path().string());
  const std::string nodeA = (line / "A.json").string();
  const std::string nodeB = (line / "B.json").string();
  EXPECT_EQ(Complete("info -d ", ".", simulator),
            (std::set<std::string>{nodeA, nodeB, "serial:ZK0001A", "serial:B", "port:1-2.1",
                                   "port:1-2.2"}));
  // bash keeps "serial:" and "port:" as words of their own: only the rest is offered.
  EXPECT_EQ(Complete("kavrin --device serial:Z", ".", simulator), std::set<std::string>{"ZK0001A"});
  EXPECT_EQ(Complete("read -o x.bin -d port:1-2.", ".", simulator),
            (std::set<std::string>{"1-2.1", "1-2.2"}));
  EXPECT_EQ(Complete("test -d " + nodeA.substr(0, nodeA.size() - 6), ".", simulator),
            (std::set<std::string>{nodeA, nodeB}));
  // The configuration the line names is the one kavrin reads, not an unreadable one here.
  TempDir folder;
  std::filesystem::create_directory(folder / "KAVRIN_CFG.ini");
  folder.Write("own.ini", "[DEVICE]\nNO=1\n0=ZK742\n");
  EXPECT_EQ(Complete("kavrin --config own.ini -d serial:", folder.Path(), simulator),
            (std::set<std::string>{"ZK0001A", "B"}));
  // No recorder: nothing offered, and nothing printed on the terminal either.
  TempDir empty;
  EXPECT_EQ(Complete("info -d ", ".", "KAVRIN_SIMULATOR=" + Quote(empty.Path().string())),
            std::set<std::string>{});
}

TEST(KavrinCompletion, OffersBlockFilesWhereACommandTakesOne) {
  TempDir folder;
  folder.Write("unit.bin", std::string(112, '\0'));
  folder.Write("notes.txt", "x");
  EXPECT_EQ(Complete("block show ", folder.Path()), std::set<std::string>{"unit.bin"});
  EXPECT_EQ(Complete("kavrin u", folder.Path()), std::set<std::string>{"unit.bin"});
  EXPECT_EQ(Complete("config --config ", folder.Path()), std::set<std::string>{});
}

// zsh and fish take whole words from the bash completion's rules (kavrin-words.bash), driven
// as each shell drives its own completion: fish's `complete -C`, zsh's completion function
// with compadd recording what it is given.
std::set<std::string> CompleteIn(const std::string& shell, const std::string& arguments,
                                 const std::filesystem::path& folder) {
  const std::string source = std::string(KAVRIN_SOURCE_DIR) + "/resources/completion/";
  const std::string line = "kavrin " + arguments;
  std::string run;
  if (shell == "fish") {
    run = "fish --no-config -c " +
          Quote("source " + Quote(source + "kavrin.fish") + "; complete -C" + Quote(line));
  } else {
    run = "zsh -f -c " +
          Quote(
              "compadd() { local word; for word in \"${@[${@[(i)--]}+1,-1]}\"; "
              "do print -r -- \"$word\"; done }; BUFFER=" +
              Quote(line) + "; CURSOR=${#BUFFER}; source " + Quote(source + "_kavrin"));
  }
  const std::string binFolder = std::filesystem::path(KAVRIN_BIN).parent_path().string();
  const std::string command =
      "cd " + Quote(folder.string()) + " && env LC_ALL=C.UTF-8 PATH=" + Quote(binFolder) +
      ":\"$PATH\" KAVRIN_BASH_COMPLETION=" + Quote(kCompletion) +
      " KAVRIN_COMPLETION_WORDS=" + Quote(source + "kavrin-words.bash") + " " + run + " 2>&1";
  std::set<std::string> candidates;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return candidates;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    std::string text(buffer);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    // fish prints "candidate<TAB>description"; there is no description here.
    if (!text.empty()) candidates.insert(text.substr(0, text.find('\t')));
  }
  pclose(pipe);
  return candidates;
}

class OtherShellCompletion : public testing::TestWithParam<std::string> {};

TEST_P(OtherShellCompletion, OffersWhatBashOffersAsWholeWords) {
  const std::string shell = GetParam();
  if (std::system(("command -v " + shell + " >/dev/null").c_str()) != 0) {
    GTEST_SKIP() << shell << " is not installed (scripts/install-deps test)";
  }
  TempDir folder;
  folder.Write("unit.bin", std::string(112, '\0'));
  folder.Write("notes.txt", "x");
  struct Case {
    std::string line;
    std::set<std::string> expected;
  };
  const Case cases[] = {
      {"bl", {"block"}},
      {"block ", {"new", "show"}},
      {"help bl", {"block"}},
      {"kavrin --cl", {"--clock"}},
      {"kavrin --set TV", {"TV System="}},
      {"kavrin --set TV\\ System=", {"TV System=NTSC", "TV System=PAL"}},
      {"kavrin --set Cycle\\ Time=1", {"Cycle Time=10 min", "Cycle Time=15 min"}},
      {"block show ", {"unit.bin"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompleteIn(shell, c.line, folder.Path()), c.expected) << shell << ": " << c.line;
  }
}

INSTANTIATE_TEST_SUITE_P(Shells, OtherShellCompletion, testing::Values("zsh", "fish"),
                         [](const testing::TestParamInfo<std::string>& param) {
                           return param.param;
                         });

}  // namespace
}  // namespace kavrin::test
