// The device commands of `kavrin` end to end on the simulated recorder: what they print,
// what they leave in the recorder's state file, and their exit status.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "device/sim/recorder.h"
#include "tests/cli/recorder_fixture.h"
#include "tests/cli/run_command.h"
#include "tests/device/fault_rule.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"

namespace kavrin::cli {
namespace {

using test::CommandResult;
using test::RunKavrinCommand;
using test::ScopedCurrentDir;
using test::TempDir;

class DeviceCommandsTest : public test::SimulatedRecorderTest {};

std::vector<uint8_t> Block(uint8_t seed) {
  std::vector<uint8_t> block(112);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(seed + i);
  return block;
}

TEST_F(DeviceCommandsTest, KavrinWithTheShippedConfigurationSendsItsDefaults) {
  Plug(sim::RecorderState{});
  const std::time_t before = std::time(nullptr);
  const CommandResult run =
      RunKavrinCommand({"kavrin"});  // no KAVRIN_CFG.ini here: the built-in one
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const sim::RecorderState state = State();
  EXPECT_EQ(std::vector<uint8_t>(state.settings.begin(), state.settings.begin() + 4),
            (std::vector<uint8_t>{0x10, 0xCA, 0x11, 0xA0}));
  EXPECT_EQ(state.commits, (std::vector<uint32_t>{2}));
  // The clock is the local time of the run.
  std::tm clock{};
  std::istringstream clockText(state.clock);
  clockText >> std::get_time(&clock, "%Y-%m-%dT%H:%M:%S");
  ASSERT_FALSE(clockText.fail()) << state.clock;
  clock.tm_isdst = -1;
  const std::time_t sent = std::mktime(&clock);
  EXPECT_GE(sent, before - 1);
  EXPECT_LE(sent, after + 1);
  // No engine tests in the shipped configuration: the clock and the write, four SETs.
  EXPECT_EQ(state.transfers, 4u);
  EXPECT_NE(run.out.find("Kavrin finish !"), std::string::npos);
}

TEST_F(DeviceCommandsTest, KavrinCostsFourTransfersAfterTheEngineTests) {
  Plug(sim::RecorderState{});
  ASSERT_EQ(Run({"kavrin"}).exitCode, kExitOk);
  EXPECT_EQ(State().transfers, 2u * 2u + 4u);
}

TEST_F(DeviceCommandsTest, KavrinTakesFileThenDefaultBinThenDefaults) {
  struct Case {
    const char* what;
    bool defaultBin;
    bool file;
    std::vector<uint8_t> expected;
  } cases[] = {
      {"defaults", false, false, {0, 0, 0, 0, 0x10, 0}},
      {"Default.bin", true, false, {1, 2, 3, 4, 5, 6}},
      {"FILE", true, true, {7, 8, 9, 10, 11, 12}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Plug(sim::RecorderState{});
    std::filesystem::remove(dir_ / "Default.bin");
    if (c.defaultBin) dir_.Write("Default.bin", Block(1));
    dir_.Write("chosen.bin", Block(7));
    std::vector<std::string> arguments = {"kavrin"};
    if (c.file) arguments.push_back("chosen.bin");
    const CommandResult run = Run(arguments);
    ASSERT_EQ(run.exitCode, kExitOk) << run.err;
    const sim::RecorderState state = State();
    EXPECT_EQ(std::vector<uint8_t>(state.settings.begin(), state.settings.begin() + 6), c.expected);
    if (c.defaultBin || c.file) {
      const std::vector<uint8_t> sent = c.file ? Block(7) : Block(1);
      EXPECT_TRUE(std::equal(state.settings.begin(), state.settings.end(), sent.begin()));
    }
  }
}

TEST_F(DeviceCommandsTest, SetChangesOneItemByNameOrTitleAndOptionByTextOrIndex) {
  struct Case {
    std::string assignment;
    int exitCode;
    uint8_t word2Low;  // bits 3-5 of word 2 hold the mode
  } cases[] = {
      {"MODE=Day", kExitOk, 1 << 3},
      {"Mode=#0", kExitOk, 0},
      {"mode=night", kExitOk, 2 << 3},
      {"Mode=  Night ", kExitOk, 2 << 3},
      {"Mode=# 1", kExitOk, 1 << 3},
      // A bare number is never an index: only "#N" is.
      {"Mode=0", kExitUsage, 0},
      {"Mode=#3", kExitUsage, 0},
      {"Mode=#", kExitUsage, 0},
      {"Mode=Dusk", kExitUsage, 0},
      {"Gain=#1", kExitUsage, 0},
      {"Mode", kExitUsage, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.assignment);
    Plug(sim::RecorderState{});
    const CommandResult run = Run({"kavrin", "--set", c.assignment});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    if (c.exitCode == kExitOk) {
      EXPECT_EQ(State().settings[4], c.word2Low);
    } else {
      EXPECT_EQ(State().transfers, 0u) << "nothing is sent for a wrong --set";
      EXPECT_NE(run.err.find(c.assignment), std::string::npos);
    }
  }
}

TEST_F(DeviceCommandsTest, FailingEngineTestRefusesUnlessForced) {
  sim::RecorderState recorder;
  recorder.testResults[0x1031] = 0;
  Plug(recorder);
  CommandResult run = Run({"kavrin"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  EXPECT_NE(run.err.find("engine test NG: 0x1031 \"RTC\""), std::string::npos) << run.err;
  EXPECT_TRUE(State().commits.empty());
  EXPECT_EQ(State().transfers, 4u) << "only the engine tests";

  run = Run({"kavrin", "--force"});
  EXPECT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_EQ(State().commits, (std::vector<uint32_t>{2}));
  run = Run({"kavrin", "--force", "--set-kavrin-flag"});
  EXPECT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_EQ(State().commits, (std::vector<uint32_t>{2, 1}));
}

TEST_F(DeviceCommandsTest, KavrinFailuresNameTheirReasonAndExitOne) {
  struct Case {
    const char* what;
    sim::FaultPlan::Rule rule;
    uint64_t vanishAfter;
    const char* reason;
    bool committed;
  };
  const Case cases[] = {
      {"second chunk fails", test::Fault().Command(2).Offset(40).OnSet(), 0, "not committed",
       false},
      // The chunks went in: the commit is what failed, and the message says so.
      {"commit answers S_FALSE", test::Fault().Selector(18).Status(sim::kRecorderFalse), 0,
       "refused to commit them (commit: ", false},
      {"vanishes after the first chunk", test::Fault().Spent(), 2 * 2 + 2,
       "writing the settings failed", false},
      // The clock is the recorder's business apart from the settings, which still go out.
      {"clock refused", test::Fault().Command(10), 0, "clock", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::RecorderState recorder;
    recorder.settings.fill(0x5A);
    recorder.faults.rules.push_back(c.rule);
    recorder.faults.vanishAfter = c.vanishAfter;
    Plug(recorder);
    const CommandResult run = Run({"kavrin"});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Kavrin fail !"), std::string::npos) << run.out;
    const sim::RecorderState state = State();
    EXPECT_EQ(state.commits.empty(), !c.committed);
    if (!c.committed) {
      EXPECT_EQ(state.settings[79], 0x5A);
    }
  }
}

TEST_F(DeviceCommandsTest, KavrinJsonTellsScriptsWhatHappened) {
  Plug(sim::RecorderState{});
  const CommandResult run = Run({"kavrin", "--json", "--set", "Mode=Auto"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const nlohmann::json result = nlohmann::json::parse(run.out);
  EXPECT_TRUE(result["ok"].get<bool>());
  EXPECT_EQ(result["schema"], 1);
  EXPECT_EQ(result["command"], "kavrin");
  EXPECT_EQ(result["commit"], 2);
  EXPECT_EQ(result["device"]["name"], "ZK742");
  EXPECT_EQ(result["device"]["node"], StatePath());
  EXPECT_EQ(result["settings"].get<std::string>().size(), 160u);
  EXPECT_EQ(result["tests"].size(), 2u);
  // The items written, decoded as read --json decodes them.
  ASSERT_EQ(result["items"].size(), 1u);
  EXPECT_EQ(result["items"][0]["title"], "Mode");
  EXPECT_EQ(result["items"][0]["option"], "Auto");
  EXPECT_EQ(result["items"][0]["value"], 0);
  EXPECT_TRUE(result["logo"].contains("text"));
}

TEST_F(DeviceCommandsTest, InfoPrintsEachRowAndAFailedQueryEmpty) {
  sim::RecorderState recorder;
  recorder.friendlyName = "bench recorder";
  recorder.model = "ZK742-Q";
  recorder.fwVersion = "FW 9.1";
  Plug(recorder);
  CommandResult run = Run({"info"});
  EXPECT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_EQ(run.out, "Model : ZK742-Q\nFW Ver : FW 9.1\n");

  recorder.faults.rules.push_back(test::Fault().Command(5).OnGet());
  Plug(recorder);
  run = Run({"info"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  EXPECT_EQ(run.out, "Model : ZK742-Q\nFW Ver : \n");
  EXPECT_NE(run.err.find("FW Ver"), std::string::npos);
}

TEST_F(DeviceCommandsTest, TestPrintsVerdictsAndExitsOneOnNg) {
  struct Case {
    const char* what;
    std::map<uint32_t, uint32_t> results;
    std::optional<sim::FaultPlan::Rule> fault;
    int exitCode;
    const char* out;
  } cases[] = {
      {"all pass", {}, std::nullopt, kExitOk, "0x1011  Key : OK\n0x1031  RTC : OK\n"},
      {"RTC answers 0",
       {{0x1031, 0}},
       std::nullopt,
       kExitFailed,
       "0x1011  Key : OK\n0x1031  RTC : NG\n"},
      {"Key answers 2",
       {{0x1011, 2}},
       std::nullopt,
       kExitFailed,
       "0x1011  Key : NG\n0x1031  RTC : OK\n"},
      // The request's own 1 must never read as the answer.
      {"Key unanswered",
       {},
       test::Fault().Command(9).Offset(0x1011).OnGet(),
       kExitFailed,
       "0x1011  Key : NG  (no answer: refused)\n0x1031  RTC : OK\n"},
      // Nor may an answer that "succeeds" without a byte in it.
      {"Key answered empty",
       {},
       test::Fault().Command(9).Offset(0x1011).OnGet().Status(0),
       kExitFailed,
       "0x1011  Key : NG\n0x1031  RTC : OK\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::RecorderState recorder;
    recorder.testResults = c.results;
    if (c.fault) recorder.faults.rules.push_back(*c.fault);
    Plug(recorder);
    const CommandResult run = Run({"test"});
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, c.out);
  }
}

TEST_F(DeviceCommandsTest, ReadWritesTheDeviceAreaWithAZeroNote) {
  sim::RecorderState recorder;
  for (std::size_t i = 0; i < recorder.settings.size(); ++i) {
    recorder.settings[i] = static_cast<uint8_t>(0x80 + i);
  }
  recorder.settings[4] = 2 << 3;  // Mode: Night
  Plug(recorder);
  const CommandResult run = Run({"read", "-o", "read.bin", "--json"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const nlohmann::json report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report["items"][0]["option"], "Night");
  const std::string file = dir_.Read("read.bin");
  ASSERT_EQ(file.size(), 112u);
  for (std::size_t i = 0; i < 80; ++i) {
    EXPECT_EQ(static_cast<uint8_t>(file[i]), recorder.settings[i]) << i;
  }
  for (std::size_t i = 80; i < 112; ++i) EXPECT_EQ(file[i], 0) << i;
  EXPECT_EQ(State().transfers, 4u);
}

TEST_F(DeviceCommandsTest, FailedReadWritesNoFile) {
  sim::RecorderState recorder;
  recorder.faults.rules.push_back(test::Fault().Command(2).Offset(40).OnGet());
  Plug(recorder);
  dir_.Write("read.bin", "previous");
  const CommandResult run = Run({"read", "-o", "read.bin"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  EXPECT_NE(run.err.find("reading the settings failed"), std::string::npos);
  EXPECT_EQ(dir_.Read("read.bin"), "previous");
}

TEST_F(DeviceCommandsTest, WriteSendsTheFileAndCommitsWithOne) {
  Plug(sim::RecorderState{});
  dir_.Write("send.bin", Block(3));
  CommandResult run = Run({"write", "send.bin"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const sim::RecorderState state = State();
  EXPECT_TRUE(std::equal(state.settings.begin(), state.settings.end(), Block(3).begin()));
  EXPECT_EQ(state.commits, (std::vector<uint32_t>{1}));
  EXPECT_TRUE(state.clock.empty()) << "write sends no clock";

  run = Run({"write", "missing.bin"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  EXPECT_NE(run.err.find("missing.bin"), std::string::npos);
}

TEST_F(DeviceCommandsTest, DevicesTellsWhetherTheRecorderIsThere) {
  CommandResult run = Run({"devices"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  EXPECT_NE(run.out.find("No video input devices"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"Bench Recorder\" or \"ZK742\""), std::string::npos) << run.out;

  sim::RecorderState recorder;
  recorder.friendlyName = "Bench Recorder";
  Plug(recorder);
  run = Run({"devices", "--json"});
  EXPECT_EQ(run.exitCode, kExitOk);
  const nlohmann::json listing = nlohmann::json::parse(run.out);
  ASSERT_EQ(listing["devices"].size(), 1u);
  EXPECT_EQ(listing["devices"][0]["matches"], "Bench Recorder");
  EXPECT_EQ(listing["devices"][0]["nameIndex"], 0);
  EXPECT_TRUE(listing["devices"][0]["usable"].get<bool>());

  recorder.friendlyName = "Webcam";
  Plug(recorder);
  run = Run({"devices"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  EXPECT_NE(run.out.find("matches no configured name"), std::string::npos) << run.out;
}

TEST_F(DeviceCommandsTest, MalformedStateFileIsAnAbsentRecorderWithAReason) {
  dir_.Write("recorder.json", "{\"settings\": \"10CA\"}");
  for (const char* command : {"info", "test", "kavrin"}) {
    SCOPED_TRACE(command);
    const CommandResult run = Run({command});
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_NE(run.err.find("no recorder attached"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("160 hexadecimal digits"), std::string::npos) << run.err;
  }
  EXPECT_EQ(dir_.Read("recorder.json"), "{\"settings\": \"10CA\"}");
}

TEST_F(DeviceCommandsTest, UsageErrorsExitTwo) {
  Plug(sim::RecorderState{});
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"read"},
                                                    {"write"},
                                                    {"kavrin", "--wait", "-3"},
                                                    {"kavrin", "--bogus"}}) {
    EXPECT_EQ(RunKavrinCommand(arguments).exitCode, kExitUsage) << arguments.back();
  }
  EXPECT_EQ(State().transfers, 0u);
}

TEST_F(DeviceCommandsTest, WaitAttachesARecorderPluggedInLater) {
  std::thread plug([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sim::RecorderState recorder;
    recorder.model = "late";
    ASSERT_TRUE(sim::SaveState(StatePath(), recorder));
  });
  const CommandResult run = Run({"info", "--wait", "30"});
  plug.join();
  EXPECT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_EQ(run.out.substr(0, 13), "Model : late\n");
}

TEST_F(DeviceCommandsTest, VerboseShowsTheWindowsTraceLines) {
  Plug(sim::RecorderState{});
  const CommandResult run = Run({"kavrin", "--verbose"});
  ASSERT_EQ(run.exitCode, kExitOk);
  EXPECT_NE(run.err.find("\nattach ZK742(1)\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\nkavrin finish\n"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace kavrin::cli
