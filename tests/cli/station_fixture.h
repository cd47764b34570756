#pragma once
// A simulator folder for `kavrin station` run as a child process: recorders plugged in and
// pulled out while it runs, their commits counted, its lines about one unit found.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "device/sim/recorder.h"
#include "tests/cli/station_process.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {

class StationTest : public ::testing::Test {
 protected:
  StationTest() { std::filesystem::create_directory(dir_ / "line"); }
  std::string Folder() const { return (dir_ / "line").string(); }
  std::string File(const std::string& name) const {
    return (dir_ / "line" / (name + ".json")).string();
  }
  // Plugged in as a tool would: written beside and renamed into the folder.
  void Plug(const std::string& name, sim::RecorderState state = {}) {
    state.serial = name;
    ASSERT_TRUE(sim::SaveState(File(name), state));
  }
  void Unplug(const std::string& name) { std::filesystem::remove(File(name)); }
  std::size_t Commits(const std::string& name) {
    const std::optional<sim::RecorderState> state = sim::LoadState(File(name));
    return state ? state->commits.size() : 0;
  }
  static std::function<bool(const std::string&)> UnitLine(const std::string& serial) {
    return [serial](const std::string& line) {
      const nlohmann::json unit = nlohmann::json::parse(line, nullptr, false);
      return unit.is_object() && unit.contains("device") && unit["device"]["serial"] == serial;
    };
  }

  TempDir dir_;
};

}  // namespace kavrin::test
