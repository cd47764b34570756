// The start-up switch value: parsing, the reject mask, the side files and the stored switches.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "config/resources.h"
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
        CommandLineCase{"SideFilesAndSwitch", "80000116", {}, 0x2910,
                        {{kConfig, "<130>"}, {kNote, "<135>"}, {kOptions, "<options>"}}},
        CommandLineCase{"ConfigKeptWhenPresent", "4", {{kConfig, "mine"}}, 0x2800,
                        {{kConfig, "mine"}}},
        CommandLineCase{"ReleaseNoteReplaced", "2", {{kNote, "an old note"}}, 0x2800,
                        {{kNote, "<135>"}}},
        CommandLineCase{"OptionListReplaced", "80000000", {{kOptions, "stale"}}, 0x2800,
                        {{kOptions, "<options>"}}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ApplyCommandLineTest, SideFileThatCannotBeWrittenIsSkippedAndTheRestGoesOn) {
  TempDir dir;
  std::filesystem::create_directory(dir / kNote);  // a folder where the note should go
  ModeFlags flags;
  {
    ScopedCurrentDir here(dir.Path());
    ApplyCommandLine("80000106", flags);
  }
  EXPECT_EQ(flags.Value(), 0x2900u);
  EXPECT_TRUE(std::filesystem::is_directory(dir / kNote));
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
      {{}, ""},
      {{"100"}, "100"},
      {{"10", "0"}, "10 0"},
      {{"  100"}, "100"},
      {{"100", ""}, "100 "},
      {{"", "100"}, "100"},
  };
  for (const JoinCase& c : cases) {
    EXPECT_EQ(JoinCommandLine(c.arguments), c.text);
  }
  EXPECT_EQ(ParseSwitchValue(JoinCommandLine(std::vector<const char*>{"10", "0"})), 0x1000u)
      << "a blank between two arguments counts as a zero digit";
}

}  // namespace
}  // namespace kavrin
