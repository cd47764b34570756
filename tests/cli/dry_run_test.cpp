// --dry-run of kavrin, write and station, and block new with --set and --logo: a plan that
// sends nothing, whose bytes are the bytes the real run then sends.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "config/text_codec.h"
#include "tests/cli/recorder_fixture.h"
#include "tests/cli/recording_backend.h"

namespace kavrin::cli {
namespace {

using nlohmann::json;
using test::CommandResult;

using test::JsonLines;

// The unit object among the lines (the first that names a device).
json UnitOf(const std::vector<json>& lines) {
  for (const json& line : lines) {
    if (line.contains("device")) return line;
  }
  return json();
}

std::string Hex(const std::array<uint8_t, 80>& bytes, const char* separator) {
  std::string text;
  for (uint8_t b : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", b);
    if (!text.empty()) text += separator;
    text += digits;
  }
  return text;
}

// "10CA11A0..." as "10 CA 11 A0 ...".
std::string Spaced(const std::string& hex) {
  std::string text;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    if (i > 0) text += ' ';
    text += hex.substr(i, 2);
  }
  return text;
}

class DryRunFixture : public test::SimulatedRecorderTest {
 protected:
  void SetUp() override {
    SetAnsiCharset("UTF-8");
    Plug(sim::RecorderState{});
    std::string block(112, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(0x30 + i % 64);
    dir_.Write("send.bin", block);
  }
  void TearDown() override { SetAnsiCharset(""); }
  // The command with the test configuration, on recorders that note every transfer.
  CommandResult Recorded(std::vector<std::string> arguments, test::DeviceTraffic& traffic) {
    arguments.push_back("--config");
    arguments.push_back(ConfigPath());
    return test::RunKavrinCommand(std::move(arguments), test::RecordingEnvironment(traffic));
  }
  static std::vector<std::string> With(std::vector<std::string> arguments,
                                       std::initializer_list<const char*> more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
  }
};

struct PlanCase {
  const char* name;
  std::vector<std::string> arguments;  // the command and its options, without --dry-run
  bool setsClock;
  int commit;
};

void PrintTo(const PlanCase& c, std::ostream* out) { *out << c.name; }

class DryRunTest : public DryRunFixture, public ::testing::WithParamInterface<PlanCase> {};

TEST_P(DryRunTest, SendsNothingAndPrintsWhatTheRealRunThenSends) {
  const PlanCase& c = GetParam();
  const std::string command = c.arguments.front();

  test::DeviceTraffic planned;
  const CommandResult plan = Recorded(With(c.arguments, {"--dry-run", "--json"}), planned);
  ASSERT_EQ(plan.exitCode, kExitOk) << plan.err;
  EXPECT_EQ(planned.transfers, 0u) << "not even the engine tests";
  EXPECT_EQ(planned.locks, 0u);
  EXPECT_EQ(planned.binds, 0u);
  EXPECT_EQ(State().transfers, 0u);
  EXPECT_TRUE(State().commits.empty());
  const json unit = UnitOf(JsonLines(plan.out));
  ASSERT_TRUE(unit.is_object()) << plan.out;
  EXPECT_EQ(unit["command"], command);
  EXPECT_EQ(unit["ok"], true);
  EXPECT_EQ(unit["dryRun"], true);
  EXPECT_EQ(unit["sent"], false);
  EXPECT_EQ(unit["device"]["node"], StatePath());
  EXPECT_EQ(unit["commit"], c.commit);
  EXPECT_EQ(unit.contains("clock"), c.setsClock);
  const std::string settings = unit["settings"].get<std::string>();
  ASSERT_EQ(settings.size(), 160u);

  // The text plan shows the same bytes, and sends nothing either.
  test::DeviceTraffic plannedText;
  const CommandResult text = Recorded(With(c.arguments, {"--dry-run"}), plannedText);
  ASSERT_EQ(text.exitCode, kExitOk) << text.err;
  EXPECT_NE(text.out.find("Settings: " + Spaced(settings)), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Commit:   " + std::to_string(c.commit)), std::string::npos);
  EXPECT_NE(text.err.find("dry run: nothing was sent"), std::string::npos) << text.err;
  EXPECT_EQ(plannedText.transfers, 0u);
  EXPECT_EQ(State().transfers, 0u);

  test::DeviceTraffic sent;
  const CommandResult real = Recorded(With(c.arguments, {"--json"}), sent);
  ASSERT_EQ(real.exitCode, kExitOk) << real.err;
  const std::optional<std::array<uint8_t, 80>> bytes = sent.SettingsSent();
  ASSERT_TRUE(bytes) << "two whole chunks";
  EXPECT_EQ(Hex(*bytes, ""), settings);
  EXPECT_EQ(sent.Commits(), (std::vector<uint32_t>{static_cast<uint32_t>(c.commit)}));
  if (c.setsClock) {
    EXPECT_EQ(sent.Clocks(), (std::vector<std::string>{unit["clock"].get<std::string>()}));
  } else {
    EXPECT_TRUE(sent.Clocks().empty());
  }
  // The real run's record decodes the same items and logo the plan showed.
  const json done = UnitOf(JsonLines(real.out));
  EXPECT_EQ(done["settings"], unit["settings"]);
  EXPECT_EQ(done["items"], unit["items"]);
  EXPECT_EQ(done["logo"], unit["logo"]);
  EXPECT_FALSE(done.contains("dryRun"));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DryRunTest,
    ::testing::Values(
        PlanCase{"kavrin", {"kavrin", "--clock", "2024-02-29T23:59:58"}, true, 2},
        PlanCase{"kavrin_set_logo_flag",
                 {"kavrin", "--set", "Mode=Day", "--logo", "ACME", "--set-kavrin-flag", "--clock",
                  "2025-01-02T03:04:05"},
                 true,
                 1},
        PlanCase{"kavrin_file", {"kavrin", "send.bin", "--clock", "2025-06-30T12:00:00"}, true, 2},
        PlanCase{"kavrin_all", {"kavrin", "--all", "--clock", "2025-06-30T12:00:00"}, true, 2},
        PlanCase{"write", {"write", "send.bin"}, false, 1},
        PlanCase{
            "write_device", {"write", "send.bin", "-d", "recorder.json", "--verify"}, false, 1},
        PlanCase{
            "station",
            {"station", "--count", "1", "--set", "Mode=Auto", "--clock", "2025-06-30T12:00:00"},
            true,
            2}),
    [](const ::testing::TestParamInfo<PlanCase>& param) { return std::string(param.param.name); });

TEST_F(DryRunFixture, PlanResolvesTheClockNow) {
  const std::time_t before = std::time(nullptr);
  const CommandResult run = Run({"kavrin", "--dry-run", "--json"});
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  std::tm clock{};
  std::istringstream clockText(json::parse(run.out)["clock"].get<std::string>());
  clockText >> std::get_time(&clock, "%Y-%m-%dT%H:%M:%S");
  ASSERT_FALSE(clockText.fail()) << clockText.str();
  clock.tm_isdst = -1;
  const std::time_t planned = std::mktime(&clock);
  EXPECT_GE(planned, before - 1);
  EXPECT_LE(planned, after + 1);
}

// Everything before the choice of recorders is checked as for a real run.
TEST_F(DryRunFixture, RefusalsComeFirstAsInARealRun) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    const char* reason;
  } cases[] = {
      {{"kavrin", "--set", "Mode=Dusk"}, kExitUsage, "invalid-setting"},
      {{"station", "--set", "Gain=#1"}, kExitUsage, "invalid-setting"},
      {{"kavrin", "--clock", "yesterday"}, kExitUsage, "invalid-clock"},
      {{"write", "absent.bin"}, kExitFailed, "block-file"},
      {{"kavrin", "-d", "serial:nobody"}, kExitFailed, "no-such-device"},
      {{"write", "send.bin", "-d", "serial:"}, kExitUsage, "usage"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " " + c.arguments[1] + " " + c.arguments.back());
    const CommandResult run = Run(With(c.arguments, {"--dry-run", "--json"}));
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(json::parse(run.out)["reason"], c.reason);
  }
  EXPECT_EQ(State().transfers, 0u);
}

TEST_F(DryRunFixture, StationWithoutRecordersPrintsThePlanAndEnds) {
  std::filesystem::remove(StatePath());
  const CommandResult run = Run({"station", "--dry-run", "--json", "--set", "Mode=Night"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const std::vector<json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out;
  EXPECT_FALSE(lines[0].contains("device"));
  EXPECT_EQ(lines[0]["dryRun"], true);
  EXPECT_EQ(lines[0]["items"][0]["option"], "Night");
  EXPECT_EQ(lines[1]["summary"],
            json({{"units", 0}, {"succeeded", 0}, {"failed", 0}, {"byReason", json::object()}}));
  EXPECT_EQ(lines[1]["stoppedBy"], "dry-run");
  EXPECT_NE(run.err.find("no recorder is present now"), std::string::npos) << run.err;
}

// A line's block file made ahead of time holds what kavrin sends with the same options.
TEST_F(DryRunFixture, BlockNewWithSetAndLogoHoldsWhatKavrinSends) {
  const std::vector<std::vector<std::string>> optionSets = {
      {},
      {"--set", "EV=+1"},
      {"--set", "TV System=PAL", "--logo", "ACME", "--set", "EV=#0"},
      {"--logo", ""},
  };
  for (const std::vector<std::string>& options : optionSets) {
    SCOPED_TRACE(testing::PrintToString(options));
    std::vector<std::string> made = {"block", "new", "-o", "made.bin"};
    made.insert(made.end(), options.begin(), options.end());
    const CommandResult block = test::RunKavrinCommand(made);  // the shipped configuration
    ASSERT_EQ(block.exitCode, kExitOk) << block.err;
    Plug(sim::RecorderState{});
    std::vector<std::string> kavrin = {"kavrin"};
    kavrin.insert(kavrin.end(), options.begin(), options.end());
    const CommandResult sent = test::RunKavrinCommand(kavrin);
    ASSERT_EQ(sent.exitCode, kExitOk) << sent.err;
    const std::string file = dir_.Read("made.bin");
    ASSERT_EQ(file.size(), 112u);
    const sim::RecorderState state = State();
    EXPECT_EQ(std::string(state.settings.begin(), state.settings.end()), file.substr(0, 80));
  }
}

TEST_F(DryRunFixture, BlockNewRefusesABadSetOrLogoAndWritesNothing) {
  struct Case {
    std::vector<std::string> options;
    const char* reason;
    const char* says;
  } cases[] = {
      {{"--set", "EV=1"}, "invalid-setting", "\"+1\", \"+1.5\", \"+2\""},
      {{"--set", "Gain=#1"}, "invalid-setting", "no setting item is called \"Gain\""},
      {{"--set", "EV"}, "invalid-setting", "expected ITEM=OPTION"},
      {{"--logo", "ABCDEFGHIJKLMNOPQ"}, "invalid-logo", "holds 16"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.back());
    std::vector<std::string> arguments = {"block", "new", "-o", "bad.bin", "--json"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const CommandResult run = test::RunKavrinCommand(arguments);
    EXPECT_EQ(run.exitCode, kExitUsage);
    EXPECT_EQ(json::parse(run.out)["reason"], c.reason);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "bad.bin"));
  }
}

}  // namespace
}  // namespace kavrin::cli
