// kavrin block new / show on small configurations and block files of every size.
#include <gtest/gtest.h>

#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "block/settings_block.h"
#include "cli/block_report.h"
#include "cli/commands.h"
#include "config/config_file.h"
#include "config/text_codec.h"
#include "tests/cli/run_command.h"
#include "tests/support/temp_dir.h"

namespace kavrin::cli {
namespace {

using test::CommandResult;
using test::RunKavrinCommand;
using test::ScopedCurrentDir;
using test::TempDir;

// Two items and a logo field, as an author might write them (UTF-8, lower-case keys).
constexpr const char* kSmallConfig =
    "[ITEM_LIST]\n"
    "ITEM_NO=3\n"
    "ITEM_000=MODE\n"
    "ITEM_001=GAIN\n"
    "ITEM_002=MODE\n"
    "[MODE]\n"
    "TITLE=Mode\n"
    "WORD_IDX=2\n"
    "START_BIT=3\n"
    "DATA_LEN=3\n"
    "OPTION_NO=3\n"
    "OPTION_0=Auto\n"
    "OPTION_1=Day\n"
    "OPTION_2=Night\n"
    "DEFAULT_OPTION=2\n"
    "[GAIN]\n"
    "TITLE=Gain\n"
    "WORD_IDX=5\n"
    "START_BIT=12\n"
    "DATA_LEN=4\n"
    "OPTION_NO=2\n"
    "OPTION_0=Low\n"
    "OPTION_1=High\n"
    "DEFAULT_OPTION=9\n"
    "[DATE_STAMP_LOGO]\n"
    "NO=2\n"
    "LOGO_00=ACME\n"
    "LOGO_01=Other\n"
    "START_WORD=30\n"
    "WORD_LEN=3\n";

SettingsBlock BlockFromFile(const std::string& bytes) {
  SettingsBlock block;
  std::copy_n(bytes.begin(), std::min(bytes.size(), SettingsBlock::kSize), block.Bytes().begin());
  return block;
}

class BlockCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetAnsiCharset("UTF-8"); }
  void TearDown() override { SetAnsiCharset(""); }
  TempDir dir;
};

TEST_F(BlockCommandsTest, NewWithTheDefaultConfigurationGivesTheStartUpBlock) {
  ScopedCurrentDir here(dir.Path());
  const CommandResult run = RunKavrinCommand({"block", "new", "-o", "start.bin"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;

  const std::string bytes = dir.Read("start.bin");
  ASSERT_EQ(bytes.size(), 112u);
  std::string expected(112, '\0');
  expected[0] = '\x10';
  expected[1] = '\xCA';
  expected[2] = '\x11';
  expected[3] = '\xA0';
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"start.bin"}) << "no configuration is written";
}

TEST_F(BlockCommandsTest, NewStoresDefaultsAllOnesForMissingOptionsAndTheFirstLogo) {
  dir.Write("small.ini", kSmallConfig);
  const CommandResult run = RunKavrinCommand(
      {"block", "new", "-o", (dir / "b.bin").string(), "--file", (dir / "small.ini").string()});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;

  const SettingsBlock block = BlockFromFile(dir.Read("b.bin"));
  EXPECT_EQ(block.GetWord(2), 2u << 3) << "Mode: DEFAULT_OPTION 2, stored twice";
  EXPECT_EQ(block.GetWord(5), 0xFu << 12) << "Gain: DEFAULT_OPTION 9 has no option: all ones";
  EXPECT_EQ(block.GetText(30, 3), std::string("ACME\0\0", 6));
  for (uint32_t w : {0u, 1u, 3u, 4u, 6u, 29u, 33u, 39u}) EXPECT_EQ(block.GetWord(w), 0u) << w;
}

TEST_F(BlockCommandsTest, NewRefusesAMissingConfigurationOrAnUnwritableOutput) {
  const CommandResult noConfig = RunKavrinCommand(
      {"block", "new", "-o", (dir / "b.bin").string(), "--file", (dir / "none.ini").string()});
  EXPECT_EQ(noConfig.exitCode, kExitFailed);
  EXPECT_NE(noConfig.err.find("none.ini"), std::string::npos);

  const CommandResult noFolder =
      RunKavrinCommand({"block", "new", "-o", (dir / "missing" / "b.bin").string()});
  EXPECT_EQ(noFolder.exitCode, kExitFailed);
  EXPECT_TRUE(dir.List().empty());

  EXPECT_EQ(RunKavrinCommand({"block", "new"}).exitCode, kExitUsage) << "-o is required";
}

// Block files of every size decode as the window would hold them after loading into a zero
// block.
struct ShowCase {
  const char* name;
  std::size_t size;
  uint32_t cycleTimeValue;  // word 0, bits 4-7
  bool cycleTimeHasOption;
  std::string logo;
  std::string word0;
  std::string word24;
  std::string note;
};

class BlockShowTest : public BlockCommandsTest, public ::testing::WithParamInterface<ShowCase> {};

TEST_P(BlockShowTest, JsonDecodesWhatTheFileHolds) {
  const ShowCase& c = GetParam();
  // word 0 = 0x8073: Cycle Time 7 (no option), TV System 0, Flicker 1; logo "ABC" at 44;
  // word 24 = 0x1234; note "Hi"; bytes past 112 are noise.
  std::string bytes(220, '\0');
  bytes[0] = '\x73';
  bytes[1] = '\x80';
  bytes.replace(44, 3, "ABC");
  bytes[48] = '\x34';
  bytes[49] = '\x12';
  bytes.replace(80, 4, std::string("H\0i\0", 4));
  for (std::size_t i = 112; i < bytes.size(); ++i) bytes[i] = 'X';
  dir.Write("f.bin", bytes.substr(0, c.size));

  ScopedCurrentDir here(dir.Path());
  const CommandResult run = RunKavrinCommand({"block", "show", "f.bin", "--json"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const nlohmann::json report = nlohmann::json::parse(run.out);

  ASSERT_EQ(report["items"].size(), 11u);
  const nlohmann::json& cycle = report["items"][0];
  EXPECT_EQ(cycle["title"], "Cycle Time");
  EXPECT_EQ(cycle["value"], c.cycleTimeValue);
  EXPECT_EQ(cycle["hasOption"], c.cycleTimeHasOption);
  if (c.cycleTimeHasOption) {
    EXPECT_EQ(cycle["option"], "3 min");
  } else {
    EXPECT_TRUE(cycle["option"].is_null());
  }
  EXPECT_EQ(report["items"][5]["title"], "Flicker");
  EXPECT_EQ(report["items"][5]["option"], c.size >= 2 ? "60 Hz" : "50 Hz");
  EXPECT_EQ(report["logo"]["text"], c.logo);
  ASSERT_EQ(report["deviceWords"].size(), 40u);
  EXPECT_EQ(report["deviceWords"][0], c.word0);
  EXPECT_EQ(report["deviceWords"][24], c.word24);
  EXPECT_EQ(report["note"], c.note);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BlockShowTest,
    ::testing::Values(ShowCase{"Empty", 0, 0, true, "", "0000", "0000", ""},
                      ShowCase{"Partial46", 46, 7, false, "AB", "8073", "0000", ""},
                      ShowCase{"Partial50", 50, 7, false, "ABC", "8073", "1234", ""},
                      ShowCase{"Exact112", 112, 7, false, "ABC", "8073", "1234", "Hi"},
                      ShowCase{"Long200", 200, 7, false, "ABC", "8073", "1234", "Hi"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(BlockCommandsTest, ShowTextMarksValuesWithoutOptionAndListsEveryWord) {
  dir.Write("small.ini", kSmallConfig);
  SettingsBlock block;
  block.SetBits(2, 3, 3, 1);   // Mode: Day
  block.SetBits(5, 12, 4, 7);  // Gain: 7, no option
  block.SetText(30, 3, "Tag\x01");
  block.SetWord(39, 0xBEEF);
  ASSERT_TRUE(block.SaveFile(dir / "b.bin"));

  const CommandResult run = RunKavrinCommand(
      {"block", "show", (dir / "b.bin").string(), "--file", (dir / "small.ini").string()});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_NE(run.out.find("  Mode  word  2 bit  3 len  3  1     \"Day\"\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("  Gain  word  5 bit 12 len  4  7     (no option for this value)\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"Tag\\x01\""), std::string::npos) << "control bytes are escaped";
  EXPECT_NE(run.out.find("  32: 0000 0000 0000 0000 0000 0000 0000 BEEF\n"), std::string::npos);
  EXPECT_NE(run.out.find("  00: 0000 0000 0008 0000 0000 7000 0000 0000\n"), std::string::npos);
}

TEST_F(BlockCommandsTest, ShowOfAnUnreadableFileFails) {
  const CommandResult run = RunKavrinCommand({"block", "show", (dir / "none.bin").string()});
  EXPECT_EQ(run.exitCode, kExitFailed);
  EXPECT_NE(run.err.find("none.bin"), std::string::npos);
  EXPECT_TRUE(run.out.empty());
}

TEST_F(BlockCommandsTest, JsonStaysValidWhateverBytesTheBlockHolds) {
  SettingsBlock block;
  for (std::size_t i = 0; i < SettingsBlock::kSize; ++i) block.Bytes()[i] = 0xFF;
  ASSERT_TRUE(block.SaveFile(dir / "ff.bin"));
  ScopedCurrentDir here(dir.Path());
  const CommandResult run = RunKavrinCommand({"block", "show", "ff.bin", "--json"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const nlohmann::json report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report["deviceWords"][39], "FFFF");
  EXPECT_EQ(report["items"][1]["option"], "PAL");
  EXPECT_EQ(report["items"][9]["value"], 7) << "EV, 3 bits";
  EXPECT_EQ(report["items"][9]["hasOption"], false) << "EV has seven options, 0 to 6";
  EXPECT_EQ(report["items"][0]["hasOption"], false) << "Cycle Time 15 of 4 options";
}

TEST_F(BlockCommandsTest, NewThenShowGivesEveryItemItsDefaultOption) {
  ScopedCurrentDir here(dir.Path());
  ASSERT_EQ(RunKavrinCommand({"block", "new", "-o", "d.bin"}).exitCode, kExitOk);
  const CommandResult run = RunKavrinCommand({"block", "show", "d.bin", "--json"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const nlohmann::json report = nlohmann::json::parse(run.out);

  ConfigFile config;
  config.LoadConfiguration();
  ASSERT_EQ(report["items"].size(), config.items.size());
  for (std::size_t i = 0; i < config.items.size(); ++i) {
    EXPECT_EQ(report["items"][i]["value"], config.items[i].option) << i;
    EXPECT_EQ(report["items"][i]["option"], ToUtf8(config.items[i].options[config.items[i].option]))
        << i;
  }
}

}  // namespace
}  // namespace kavrin::cli
