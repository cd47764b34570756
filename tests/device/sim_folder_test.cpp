// A folder of simulated recorders: every *.json file is one recorder with its own address,
// and adding or removing one is a device change while the simulator's own files are not.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "device/device_link.h"
#include "device/sim/recorder.h"
#include "device/sim/sim_backend.h"
#include "device/sim/sim_change_monitor.h"
#include "tests/support/temp_dir.h"

namespace kavrin::sim {
namespace {

class SimFolderTest : public ::testing::Test {
 protected:
  std::string Folder() const { return dir_.Path().string(); }
  void Plug(const std::string& name, RecorderState state = {}) {
    ASSERT_TRUE(SaveState((dir_ / name).string(), state));
  }
  test::TempDir dir_;
};

TEST_F(SimFolderTest, EveryJsonFileIsARecorderWithItsAddress) {
  RecorderState a;
  a.serial = "SN-A";
  a.port = "1-2.1";
  Plug("a.json", a);
  Plug("B.json");
  dir_.Write("notes.txt", "not a recorder");
  dir_.Write(".hidden.json", "{}");
  dir_.Write("broken.json", "{\"settings\": 1");
  SimBackend backend(Folder());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs);
  ASSERT_EQ(inputs->size(), 2u);
  EXPECT_EQ((*inputs)[0].location, (dir_ / "B.json").string());
  EXPECT_EQ((*inputs)[0].serial, "B") << "the file's name stands for a serial";
  EXPECT_EQ((*inputs)[0].port, "");
  EXPECT_EQ((*inputs)[1].serial, "SN-A");
  EXPECT_EQ((*inputs)[1].port, "1-2.1");
  EXPECT_NE(backend.ListProblem().find("broken.json"), std::string::npos) << backend.ListProblem();

  // Each recorder keeps its own state.
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  ASSERT_EQ(link.AttachInput((*inputs)[1]), 1);
  std::array<uint8_t, 80> area{};
  area[0] = 0x42;
  ASSERT_EQ(link.WriteData(area.data(), 80, 0), 1);
  EXPECT_EQ(LoadState((dir_ / "a.json").string())->commits, (std::vector<uint32_t>{2}));
  EXPECT_TRUE(LoadState((dir_ / "B.json").string())->commits.empty());
  EXPECT_EQ(LoadState((dir_ / "a.json").string())->serial, "SN-A") << "kept across rewrites";
}

TEST_F(SimFolderTest, EmptyFolderSaysSo) {
  SimBackend backend(Folder());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs);
  EXPECT_TRUE(inputs->empty());
  EXPECT_NE(backend.ListProblem().find("no *.json file"), std::string::npos);
}

TEST_F(SimFolderTest, AddingAndRemovingRecordersAreDeviceChanges) {
  // Waits for what the watch reports; the events of a change may arrive a little later
  // than the change itself (Windows hands them over as they come).
  constexpr std::chrono::milliseconds kChange{5000};
  constexpr std::chrono::milliseconds kNoChange{300};
  Plug("a.json");
  SimChangeMonitor monitor(Folder());
  EXPECT_FALSE(monitor.WaitForChange(kNoChange));
  Plug("b.json");  // renamed in, as a tool would
  EXPECT_TRUE(monitor.WaitForChange(kChange));
  Plug("a.json");  // the simulator's own rewrite
  EXPECT_FALSE(monitor.WaitForChange(kNoChange));
  dir_.Write("notes.txt", "x");
  dir_.Write(".a.json.lock", "");
  EXPECT_FALSE(monitor.WaitForChange(kNoChange));
  std::filesystem::remove(dir_ / "a.json");
  EXPECT_TRUE(monitor.WaitForChange(kChange));
  dir_.Write("c.json", "{}");  // created in place
  EXPECT_TRUE(monitor.WaitForChange(kChange));
  EXPECT_FALSE(monitor.WaitForChange(kNoChange));
}

}  // namespace
}  // namespace kavrin::sim
