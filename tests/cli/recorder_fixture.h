#pragma once
// The device commands in-process on simulated recorders: one state file (KAVRIN_SIMULATOR
// naming the file) or a folder of them, and a small configuration with one named device, two
// information rows, two engine tests and one setting item.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "device/sim/recorder.h"
#include "tests/cli/run_command.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {

// A command's JSON lines, one object per line.
inline std::vector<nlohmann::json> JsonLines(const std::string& out) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

inline constexpr const char* kRecorderConfig =
    "[DEVICE]\nNO=2\n0=Bench Recorder\n1=ZK742\n"
    "[INFO_LAYOUT]\nITEM_NO=2\nTITLE_000=Model\nCMD_ID_000=MODEL_NAME\n"
    "TITLE_001=FW Ver\nCMD_ID_001=FW_VERSION\n"
    "[TEST_ITEM_LIST]\nITEM_NO=2\nITEM_000=T_KEY\nITEM_001=T_RTC\n"
    "[T_KEY]\nTITLE=Key\nWORD_IDX=16\nSTART_BIT=1\nDATA_LEN=1\n"
    "[T_RTC]\nTITLE=RTC\nWORD_IDX=16\nSTART_BIT=3\nDATA_LEN=1\n"
    "[ITEM_LIST]\nITEM_NO=1\nITEM_000=MODE\n"
    "[MODE]\nTITLE=Mode\nWORD_IDX=2\nSTART_BIT=3\nDATA_LEN=3\nOPTION_NO=3\n"
    "OPTION_0=Auto\nOPTION_1=Day\nOPTION_2=Night\nDEFAULT_OPTION=2\n";

class SimulatedRecorderTest : public ::testing::Test {
 protected:
  // simulatorPath: what KAVRIN_SIMULATOR names, relative to the test's folder.
  explicit SimulatedRecorderTest(const std::string& simulatorPath = "recorder.json")
      : cwd_(dir_.Path()), simulator_("KAVRIN_SIMULATOR", (dir_ / simulatorPath).string().c_str()) {
    dir_.Write("test.ini", kRecorderConfig);
  }

  // name may hold a folder ("recorders/B.json"); the path is written as the system writes it.
  std::string StatePath(const std::string& name = "recorder.json") const {
    return (dir_ / name).make_preferred().string();
  }
  std::string ConfigPath() const { return (dir_ / "test.ini").string(); }
  void Plug(const sim::RecorderState& state, const std::string& name = "recorder.json") {
    ASSERT_TRUE(sim::SaveState(StatePath(name), state));
  }
  sim::RecorderState State(const std::string& name = "recorder.json") const {
    std::string error;
    std::optional<sim::RecorderState> state = sim::LoadState(StatePath(name), &error);
    EXPECT_TRUE(state) << error;
    return state.value_or(sim::RecorderState{});
  }
  // The commands with the test configuration.
  CommandResult Run(std::vector<std::string> arguments) {
    arguments.push_back("--config");
    arguments.push_back(ConfigPath());
    return RunKavrinCommand(std::move(arguments));
  }

  TempDir dir_;
  ScopedCurrentDir cwd_;
  ScopedEnvironment simulator_;
};

}  // namespace kavrin::test
