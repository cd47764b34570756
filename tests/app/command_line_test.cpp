// The start-up switch value: parsing, the reject mask, the side files and the stored switches.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>

#include "config/resources.h"
#include "config/text_codec.h"
#ifndef _WIN32
#include "tests/support/ordinary_user.h"
#endif
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

using test::ScopedCurrentDir;
using test::TempDir;

constexpr const char* kConfig = "KAVRIN_CFG.ini";
constexpr const char* kNote = "ReleaseNote.txt";
constexpr const char* kOptions = "InitOptionList.txt";

std::string Resource(uint32_t id) {
  const auto data = FindResourceData(id, kTextResourceType);
  return data ? std::string(reinterpret_cast<const char*>(data->data()), data->size()) : "";
}

// What the side files must hold. "<130>" and "<135>" stand for the embedded resources,
// "<options>" for the option list.
std::string Expand(const std::string& content) {
  if (content == "<130>") return Resource(kDefaultConfigResourceId);
  if (content == "<135>") return Resource(kReleaseNoteResourceId);
  if (content == "<options>") return InitOptionListText();
  return content;
}

struct CommandLineCase {
  const char* name;
  std::string commandLine;
  std::map<std::string, std::string> filesBefore;
  uint32_t flags;
  std::map<std::string, std::string> filesAfter;
};

class ApplyCommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(ApplyCommandLineTest, SetsSwitchesAndWritesSideFiles) {
  const CommandLineCase& c = GetParam();
  ASSERT_FALSE(Resource(kDefaultConfigResourceId).empty());
  ASSERT_FALSE(Resource(kReleaseNoteResourceId).empty());
  TempDir dir;
  for (const auto& [name, content] : c.filesBefore) dir.Write(name, content);
  ModeFlags flags;
  {
    ScopedCurrentDir here(dir.Path());
    ApplyCommandLine(c.commandLine, flags);
  }
  EXPECT_EQ(flags.Value(), c.flags) << std::hex << flags.Value();

  std::vector<std::string> expectedNames;
  for (const auto& [name, content] : c.filesAfter) {
    expectedNames.push_back(name);
    EXPECT_EQ(dir.Read(name), Expand(content)) << name;
  }
  EXPECT_EQ(dir.List(), expectedNames);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, ApplyCommandLineTest,
    ::testing::Values(
        CommandLineCase{"Empty", "", {}, 0x2800, {}},
        CommandLineCase{"SaveBin", "100", {}, 0x2900, {}},
        CommandLineCase{"HexPrefixCountsAsZero", "0x100", {}, 0x2900, {}},
        CommandLineCase{"TrailingBlankMultipliesBy16", "100 ", {}, 0x3800, {}},
        CommandLineCase{"QuotesCountAsZero", "\"100\"", {}, 0x3800, {}},
        CommandLineCase{"DigitsBeyondTheEighthShiftOut", "100000100", {}, 0x2900, {}},
        CommandLineCase{"Bit0Rejected", "1", {}, 0x2800, {}},
        CommandLineCase{"Bit20Rejected", "100000", {}, 0x2800, {}},
        CommandLineCase{"RejectedValueWritesNothing", "80000007", {}, 0x2800, {}},
        CommandLineCase{"ZeroCannotRemoveDefaults", "0", {}, 0x2800, {}},
        CommandLineCase{"EveryButton", "41710", {}, 0x43F10, {}},
        CommandLineCase{"AllStoredSwitches", "D3F10", {}, 0xD3F10, {}},
        CommandLineCase{"SideFilesOnly",
                        "80000006",
                        {},
                        0x2800,
                        {{kConfig, "<130>"}, {kNote, "<135>"}, {kOptions, "<options>"}}},
        CommandLineCase{"SideFilesAndSwitch",
                        "80000116",
                        {},
                        0x2910,
                        {{kConfig, "<130>"}, {kNote, "<135>"}, {kOptions, "<options>"}}},
        CommandLineCase{
            "ConfigKeptWhenPresent", "4", {{kConfig, "mine"}}, 0x2800, {{kConfig, "mine"}}},
        CommandLineCase{
            "ReleaseNoteReplaced", "2", {{kNote, "an old note"}}, 0x2800, {{kNote, "<135>"}}},
        CommandLineCase{"OptionListReplaced",
                        "80000000",
                        {{kOptions, "stale"}},
                        0x2800,
                        {{kOptions, "<options>"}}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ApplyCommandLineTest, SideFileThatCannotBeWrittenIsSkippedAndTheRestGoesOn) {
  TempDir dir;
  std::filesystem::create_directory(dir / kNote);  // a folder where the note should go
  ModeFlags flags;
  std::vector<std::string> notes;
  {
    ScopedCurrentDir here(dir.Path());
    notes = ApplyCommandLine("80000106", flags);
  }
  EXPECT_EQ(flags.Value(), 0x2900u);
  EXPECT_TRUE(std::filesystem::is_directory(dir / kNote));
  EXPECT_EQ(notes, std::vector<std::string>{"\ncannot write " + (dir / kNote).string() +
                                            ": a folder, not a regular file\n"});
  EXPECT_EQ(dir.Read(kOptions), InitOptionListText());
  EXPECT_EQ(dir.Read(kConfig), Resource(kDefaultConfigResourceId));
}

TEST(ApplyCommandLineTest, OnlyTheFirst259BytesCount) {
  // The digits after byte 259 would shift SAVE_BIN out; the buffer never holds them.
  const std::string text = std::string(256, '0') + "100" + "00000";
  ModeFlags flags;
  TempDir dir;
  ScopedCurrentDir here(dir.Path());
  ApplyCommandLine(text, flags);
  EXPECT_EQ(flags.Value(), 0x2900u);
}

TEST(ApplyCommandLineTest, SideFilesGoToTheGivenPaths) {
  TempDir dir;
  std::filesystem::create_directory(dir / "start");
  ModeFlags flags;
  ApplyCommandLine("80000006", flags,
                   {dir / "start" / "KAVRIN_CFG.ini", dir / "note.txt", dir / "list.txt"});
  EXPECT_EQ(dir.Read("start/KAVRIN_CFG.ini"), Resource(kDefaultConfigResourceId));
  EXPECT_EQ(dir.Read("note.txt"), Resource(kReleaseNoteResourceId));
  EXPECT_EQ(dir.Read("list.txt"), InitOptionListText());
}

TEST(InitOptionListTest, HoldsExactlyTheThirteenSwitchLines) {
  const std::string expected =
      "00000002 : OUTPUT_RELEASE_NOTE\r\n"
      "00000004 : OUTPUT_CONFIG_FILE\r\n"
      "00000010 : COLSOLE\r\n"
      "00000100 : SAVE_BIN\r\n"
      "00000200 : LOAD_BIN\r\n"
      "00000400 : GET_DEVICE_KAVRIN\r\n"
      "00000800 : KAVRIN\r\n"
      "00001000 : SET_DEFAULT\r\n"
      "00002000 : EDIT\r\n"
      "00010000 : FORCE_KAVRIN\r\n"
      "00040000 : DISPLAY_FILE_PATH\r\n"
      "00080000 : SET_KAVRIN_FLAG\r\n"
      "80000000 : OUTPUT_INIT_OPTION\r\n";
  TempDir dir;
  ASSERT_TRUE(WriteInitOptionList(dir / kOptions));
  EXPECT_EQ(dir.Read(kOptions), expected);
}

TEST(InitOptionListTest, UnwritablePathReportsFailure) {
  TempDir dir;
  EXPECT_FALSE(WriteInitOptionList(dir / "missing-folder" / kOptions));
}

struct JoinCase {
  std::vector<const char*> arguments;
  std::string text;
};

TEST(JoinCommandLineTest, JoinsWithOneBlankAndDropsLeadingBlanks) {
  const std::vector<JoinCase> cases{
      {{}, ""},           {{"100"}, "100"},      {{"10", "0"}, "10 0"},
      {{"  100"}, "100"}, {{"100", ""}, "100 "}, {{"", "100"}, "100"},
  };
  for (const JoinCase& c : cases) {
    EXPECT_EQ(JoinCommandLine(c.arguments), c.text);
  }
  EXPECT_EQ(ParseSwitchValue(JoinCommandLine(std::vector<const char*>{"10", "0"})), 0x1000u)
      << "a blank between two arguments counts as a zero digit";
}

#ifndef _WIN32  // POSIX modes, FIFOs, symlinks, users and the terminal's locale
// The OUTPUT_CONFIG_FILE switch writes the default only where there is no file at all: a
// user's file that cannot be read is left alone and named on the trace.
struct ConfigSwitchCase {
  const char* name;
  std::function<void(const TempDir&)> setup;
  bool asOrdinaryUser;
  std::string note;  // the trace line, "<path>" standing for the configuration's path
  std::function<void(const TempDir&)> check;
};

void PrintTo(const ConfigSwitchCase& c, std::ostream* out) { *out << c.name; }

class ConfigSwitchTest : public ::testing::TestWithParam<ConfigSwitchCase> {};

TEST_P(ConfigSwitchTest, WritesTheDefaultOnlyWhereThereIsNoFile) {
  const ConfigSwitchCase& c = GetParam();
  TempDir dir;
  c.setup(dir);
  const SideFilePaths paths{dir / kConfig, dir / kNote, dir / kOptions};
  auto apply = [&paths] {
    ModeFlags flags;
    std::string joined;
    for (const std::string& note : ApplyCommandLine("4", flags, paths)) joined += note;
    return joined;
  };
  std::optional<std::string> notes;
  if (c.asOrdinaryUser) {
    const std::optional<test::OrdinaryUser> user = test::FindOrdinaryUser();
    if (!user) GTEST_SKIP() << "no ordinary user to run as";
    test::GiveTreeTo(dir.Path(), *user);
    notes = test::RunAsOrdinaryUser(apply);
    if (!notes) GTEST_SKIP() << "cannot drop privileges";
  } else {
    notes = apply();
  }
  std::string expected = c.note;
  if (const std::size_t at = expected.find("<path>"); at != std::string::npos) {
    expected.replace(at, 6, (dir / kConfig).string());
  }
  EXPECT_EQ(*notes, expected);
  c.check(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ConfigSwitchTest,
    ::testing::Values(
        ConfigSwitchCase{"MissingIsWritten", [](const TempDir&) {}, false, "",
                         [](const TempDir& dir) {
                           EXPECT_EQ(dir.Read(kConfig), Resource(kDefaultConfigResourceId));
                         }},
        ConfigSwitchCase{"UnreadableIsLeftAlone",
                         [](const TempDir& dir) {
                           dir.Write(kConfig, "mine");
                           ::chmod((dir / kConfig).c_str(), 0);
                         },
                         true, "\ncannot read <path>: Permission denied; left alone\n",
                         [](const TempDir& dir) {
                           struct stat status {};
                           ASSERT_EQ(::stat((dir / kConfig).c_str(), &status), 0);
                           EXPECT_EQ(status.st_mode & 07777, 0u);
                           ::chmod((dir / kConfig).c_str(), 0600);
                           EXPECT_EQ(dir.Read(kConfig), "mine");
                         }},
        ConfigSwitchCase{
            "FifoIsLeftAlone",
            [](const TempDir& dir) { ASSERT_EQ(::mkfifo((dir / kConfig).c_str(), 0644), 0); },
            false, "\ncannot read <path>: a FIFO, not a regular file; left alone\n",
            [](const TempDir& dir) { EXPECT_TRUE(std::filesystem::is_fifo(dir / kConfig)); }},
        ConfigSwitchCase{"DanglingLinkGetsItsTargetWritten",
                         [](const TempDir& dir) {
                           std::filesystem::create_symlink("shared.ini", dir / kConfig);
                         },
                         false, "",
                         [](const TempDir& dir) {
                           EXPECT_TRUE(std::filesystem::is_symlink(dir / kConfig));
                           EXPECT_EQ(dir.Read("shared.ini"), Resource(kDefaultConfigResourceId));
                         }}),
    [](const auto& param) { return std::string(param.param.name); });

// The command line is read as bytes of the ANSI code page: what a UTF-8 terminal passes is
// text, converted to the code page before each byte counts as a digit.
struct CodePageCase {
  const char* codePage;
  std::string ansi;
  uint32_t value;
};

TEST(AnsiCommandLineTest, ReadsTheTerminalsTextInTheAnsiCodePage) {
  const char* previous = std::getenv("LC_ALL");
  const std::string saved = previous != nullptr ? previous : "";
  ::setenv("LC_ALL", "C.UTF-8", 1);
  const std::vector<const char*> arguments{"100\xC3\xA9"};  // "100é" from a UTF-8 terminal
  for (const CodePageCase& c :
       {CodePageCase{"CP1252", "100\xE9", 0x1000u}, CodePageCase{"UTF-8", "100\xC3\xA9", 0x10000u},
        CodePageCase{"BIG5", "100?", 0x1000u}}) {
    SetAnsiCharset(c.codePage);
    const std::string ansi = AnsiCommandLine(arguments);
    EXPECT_EQ(ansi, c.ansi) << c.codePage;
    EXPECT_EQ(ParseSwitchValue(ansi), c.value) << c.codePage;
  }
  SetAnsiCharset("");
  if (previous != nullptr) {
    ::setenv("LC_ALL", saved.c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
}

#endif  // _WIN32

}  // namespace
}  // namespace kavrin
