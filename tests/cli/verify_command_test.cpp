// kavrin verify: sixteen simulated units programmed from one block file, two of them changed
// by hand in their state files afterwards; the audit names exactly those two and what differs,
// and changes nothing. The comparison itself on blocks that differ in every kind of place.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/verify_operation.h"
#include "config/config_file.h"
#include "config/text_codec.h"
#include "ops/settings_rules.h"
#include "tests/cli/recorder_fixture.h"

namespace kavrin::cli {
namespace {

using nlohmann::json;
using test::CommandResult;

using test::JsonLines;

constexpr int kUnits = 16;

std::string UnitName(int n) {
  char name[16];
  std::snprintf(name, sizeof name, "u%02d", n);
  return name;
}

// One byte of the recorder's settings changed as a person would: in the state file's text.
struct HandEdit {
  std::size_t byte;
  uint8_t value;
};

// Sixteen recorders in a folder, programmed with the shipped configuration from line.bin.
class VerifyTest : public test::SimulatedRecorderTest {
 protected:
  VerifyTest() : SimulatedRecorderTest("line") {}
  void SetUp() override {
    SetAnsiCharset("UTF-8");
    std::filesystem::create_directory(dir_ / "line");
    for (int n = 1; n <= kUnits; ++n) {
      sim::RecorderState state;
      state.serial = "SN" + UnitName(n).substr(1);
      state.port = "1-1." + std::to_string(n);
      Plug(state, File(n));
    }
    const CommandResult block = test::RunKavrinCommand(
        {"block", "new", "-o", "line.bin", "--set", "TV System=PAL", "--logo", "ACME"});
    ASSERT_EQ(block.exitCode, kExitOk) << block.err;
    const CommandResult programmed = test::RunKavrinCommand({"kavrin", "line.bin", "--all"});
    ASSERT_EQ(programmed.exitCode, kExitOk) << programmed.err;
  }
  void TearDown() override { SetAnsiCharset(""); }
  // verify line.bin with the shipped configuration, as the file was made and sent.
  static CommandResult Verify(std::vector<std::string> options) {
    options.insert(options.begin(), {"verify", "line.bin"});
    return test::RunKavrinCommand(std::move(options));
  }
  static std::string File(int n) { return "line/" + UnitName(n) + ".json"; }

  void EditByHand(int n, const std::vector<HandEdit>& edits) {
    std::string text = dir_.Read(File(n));
    const std::string key = "\"settings\": \"";
    const std::size_t at = text.find(key);
    ASSERT_NE(at, std::string::npos) << text;
    for (const HandEdit& edit : edits) {
      char digits[3];
      std::snprintf(digits, sizeof digits, "%02X", edit.value);
      text.replace(at + key.size() + 2 * edit.byte, 2, digits);
    }
    dir_.Write(File(n), text);
  }
  std::vector<std::array<uint8_t, 80>> AllSettings() {
    std::vector<std::array<uint8_t, 80>> settings;
    for (int n = 1; n <= kUnits; ++n) settings.push_back(State(File(n)).settings);
    return settings;
  }
};

struct Changed {
  int unit;
  std::vector<HandEdit> edits;
  // title -> {expected, found} option texts
  std::map<std::string, std::pair<std::string, std::string>> differences;
};

TEST_F(VerifyTest, NamesExactlyTheUnitsChangedByHandAndWhatDiffers) {
  const uint8_t byte1 = State(File(5)).settings[1];
  const uint8_t byte3 = State(File(5)).settings[3];
  const std::vector<Changed> changed = {
      // EV (word 1, bits 12-14) from "0" to "+1".
      {5, {{3, static_cast<uint8_t>((byte3 & ~0x70) | (4 << 4))}}, {{"EV", {"0", "+1"}}}},
      // TV System (word 0, bit 8) back to NTSC, and the logo's M to an N.
      {12,
       {{1, static_cast<uint8_t>(byte1 & ~0x01)}, {46, 'N'}},
       {{"TV System", {"PAL", "NTSC"}}, {"Date Stamp Logo", {"ACME", "ACNE"}}}},
  };
  for (const Changed& c : changed) EditByHand(c.unit, c.edits);
  const std::vector<std::array<uint8_t, 80>> before = AllSettings();

  const CommandResult run = Verify({"--all", "--json"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  const std::vector<json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), kUnits + 1u) << run.out;
  std::map<std::string, json> failed;
  for (int i = 0; i < kUnits; ++i) {
    const json& unit = lines[i];
    EXPECT_EQ(unit["command"], "verify");
    EXPECT_EQ(unit["file"], "line.bin");
    if (unit["ok"].get<bool>()) {
      EXPECT_TRUE(unit["mismatches"].empty()) << unit;
      continue;
    }
    failed[unit["device"]["serial"].get<std::string>()] = unit;
  }
  ASSERT_EQ(failed.size(), changed.size()) << run.out;
  for (const Changed& c : changed) {
    const std::string serial = "SN" + UnitName(c.unit).substr(1);
    SCOPED_TRACE(serial);
    ASSERT_TRUE(failed.contains(serial));
    const json& unit = failed[serial];
    EXPECT_EQ(unit["reason"], "verify-mismatch");
    std::map<std::string, std::pair<std::string, std::string>> found;
    for (const json& m : unit["mismatches"]) {
      found[m["title"].get<std::string>()] = {m["expected"].get<std::string>(),
                                              m["found"].get<std::string>()};
    }
    EXPECT_EQ(found, c.differences);
    for (const auto& [title, texts] : c.differences) {
      EXPECT_NE(unit["message"].get<std::string>().find(title), std::string::npos);
    }
  }
  EXPECT_EQ(lines.back()["summary"], json({{"units", 16},
                                           {"succeeded", 14},
                                           {"failed", 2},
                                           {"byReason", {{"verify-mismatch", 2}}}}));
  EXPECT_EQ(AllSettings(), before) << "verify changes nothing";
  for (int n = 1; n <= kUnits; ++n) EXPECT_EQ(State(File(n)).commits.size(), 1u) << n;

  // The same for people: one line per unit, the differences under the failing ones.
  const CommandResult text = Verify({"-d", "serial:SN05", "-d", "port:1-1.12"});
  EXPECT_EQ(text.exitCode, kExitFailed);
  EXPECT_NE(text.out.find("FAIL  " + StatePath(File(5)) +
                          " (serial SN05, port 1-1.5)  "
                          "verify-mismatch: "),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("      EV: expected \"0\", found \"+1\"\n"), std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("      Date Stamp Logo: expected \"ACME\", found \"ACNE\"\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("2 recorders: 0 succeeded, 2 failed\n"), std::string::npos) << text.out;
}

TEST_F(VerifyTest, OneUnitThatHoldsTheFileExitsZero) {
  const CommandResult run = Verify({"-d", "serial:SN07"});
  EXPECT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_NE(run.out.find("Holds what line.bin would write"), std::string::npos) << run.out;
  const CommandResult asJson = Verify({"-d", "serial:SN07", "--json"});
  const json unit = json::parse(asJson.out);
  EXPECT_EQ(unit["ok"], true);
  EXPECT_EQ(unit["mismatches"], json::array());
}

TEST_F(VerifyTest, AUnitPulledOutWhileItIsReadIsUnavailable) {
  sim::RecorderState pulled = State(File(9));
  pulled.faults.vanishAfter = pulled.transfers + 1;  // gone after the first question
  Plug(pulled, File(9));
  const CommandResult run = Verify({"-d", "serial:SN09", "--json"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  const json unit = json::parse(run.out);
  EXPECT_EQ(unit["reason"], "unavailable");
  EXPECT_EQ(unit["cause"], "unavailable");
  EXPECT_FALSE(unit.contains("mismatches")) << "nothing was compared";
}

TEST_F(VerifyTest, ReadOnlyWithoutAnAddressTakesTheFirstAndSaysSo) {
  const CommandResult run = Verify({"--json"});
  EXPECT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_EQ(json::parse(run.out)["device"]["serial"], "SN01");
  EXPECT_NE(run.err.find("16 recorders are present; using"), std::string::npos) << run.err;
}

// The comparison on the shipped configuration: every place a recorder can hold something else.
struct CompareCase {
  const char* name;
  std::vector<HandEdit> edits;  // applied to what the recorder holds
  std::vector<std::string> titles;
};

void PrintTo(const CompareCase& c, std::ostream* out) { *out << c.name; }

class CompareSettingsTest : public ::testing::TestWithParam<CompareCase> {
 protected:
  void SetUp() override { SetAnsiCharset("UTF-8"); }
  void TearDown() override { SetAnsiCharset(""); }
};

TEST_P(CompareSettingsTest, NamesEveryPlaceThatDiffers) {
  ConfigFile config;
  config.LoadConfiguration();
  SettingsBlock expected = ops::DefaultBlock(config);
  expected.SetText(config.logoPanel.startWord, config.logoPanel.wordLength, "ACME");
  SettingsBlock found = expected;
  for (const HandEdit& edit : GetParam().edits) found.Bytes()[edit.byte] = edit.value;
  std::vector<std::string> titles;
  for (const SettingDifference& d : CompareSettings(config, expected, found))
    titles.push_back(d.title);
  EXPECT_EQ(titles, GetParam().titles);
}

INSTANTIATE_TEST_SUITE_P(
    Places, CompareSettingsTest,
    ::testing::Values(
        CompareCase{"same", {}, {}},
        // EV's three bits all set (0xA0 to 0xF0): 7, a value no option names.
        CompareCase{"value_without_option", {{3, 0xF0}}, {"EV"}},
        CompareCase{"logo_text", {{44, 'X'}}, {"Date Stamp Logo"}},
        // The same text, with a byte after its end: not what the file would put there.
        CompareCase{"logo_bytes_after_the_text", {{50, 'Z'}}, {"Date Stamp Logo"}},
        CompareCase{"bits_no_item_holds", {{70, 0x01}}, {"word 35 (bits no item holds)"}},
        CompareCase{"the_note_area_is_not_the_recorders", {{100, 0x01}}, {}}),
    [](const ::testing::TestParamInfo<CompareCase>& param) {
      return std::string(param.param.name);
    });

TEST(CompareSettings, ReportsOptionTextsAndValues) {
  ConfigFile config;
  config.LoadConfiguration();
  SettingsBlock expected = ops::DefaultBlock(config);
  SettingsBlock found = expected;
  found.SetBits(1, 12, 3, 7);  // EV: no option for 7
  const std::vector<SettingDifference> differences = CompareSettings(config, expected, found);
  ASSERT_EQ(differences.size(), 1u);
  EXPECT_EQ(differences[0].expected, std::optional<std::string>("0"));
  EXPECT_EQ(differences[0].found, std::nullopt);
  EXPECT_EQ(differences[0].expectedValue, std::optional<uint32_t>(2));
  EXPECT_EQ(differences[0].foundValue, std::optional<uint32_t>(7));
}

}  // namespace
}  // namespace kavrin::cli
