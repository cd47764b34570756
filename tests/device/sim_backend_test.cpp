// The simulated recorder as a video input: presence follows the state file, every transfer
// is kept in the file, and creating or removing the file is a device change.
#include "device/sim/sim_backend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "device/device_link.h"
#include "device/platform_backend.h"
#include "device/sim/recorder.h"
#include "device/sim/sim_change_monitor.h"
#include "device/v4l2/v4l2_backend.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"

namespace kavrin::sim {
namespace {

class SimBackendTest : public ::testing::Test {
 protected:
  std::string StatePath() const { return (dir_ / "recorder.json").string(); }
  void WriteState(const RecorderState& state) { ASSERT_TRUE(SaveState(StatePath(), state)); }
  RecorderState ReadState() const {
    std::string error;
    std::optional<RecorderState> state = LoadState(StatePath(), &error);
    EXPECT_TRUE(state) << error;
    return state.value_or(RecorderState{});
  }

  test::TempDir dir_;
};

TEST_F(SimBackendTest, NoFileNoDevice) {
  SimBackend backend(StatePath());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs);
  EXPECT_TRUE(inputs->empty());
  EXPECT_NE(backend.ListProblem().find("does not exist"), std::string::npos);
}

TEST_F(SimBackendTest, MalformedFileIsAnAbsentDeviceWithAReason) {
  dir_.Write("recorder.json", "{\"settings\": 12");
  SimBackend backend(StatePath());
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  EXPECT_EQ(link.Attach(), 0);
  EXPECT_NE(backend.ListProblem().find("not valid JSON"), std::string::npos)
      << backend.ListProblem();
}

TEST_F(SimBackendTest, DeviceCarriesTheFilesFriendlyName) {
  RecorderState state;
  state.friendlyName = "Driving Recorder";
  WriteState(state);
  SimBackend backend(StatePath());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs);
  ASSERT_EQ(inputs->size(), 1u);
  EXPECT_EQ((*inputs)[0].friendlyName, u"Driving Recorder");
  EXPECT_EQ((*inputs)[0].location, StatePath());
  EXPECT_TRUE(backend.Diagnose((*inputs)[0]).unitFound);
}

TEST_F(SimBackendTest, EveryTransferIsWrittenBackToTheFile) {
  RecorderState state;
  state.testResults[0x1031] = 0;
  WriteState(state);
  SimBackend backend(StatePath());
  DeviceLink link(backend);
  link.AddDeviceName(u"zk742");
  ASSERT_EQ(link.Attach(), 1);
  std::array<uint8_t, 80> area{};
  area[0] = 0x10;
  area[1] = 0xCA;
  ASSERT_EQ(link.WriteData(area.data(), 80, 0), 1);
  RecorderState saved = ReadState();
  EXPECT_EQ(saved.settings, area);
  EXPECT_EQ(saved.commits, (std::vector<uint32_t>{2}));
  EXPECT_EQ(saved.transfers, 3u);
  uint32_t result = 1;
  ASSERT_EQ(link.QueryTestResult(0x1031, &result), 1);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(ReadState().transfers, 5u);
  // No temporary file is left behind; the lock file that every program shares stays.
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{".recorder.json.lock", "recorder.json"}));
}

TEST_F(SimBackendTest, StateIsReadWhenTheDeviceIsBound) {
  WriteState(RecorderState{});
  SimBackend backend(StatePath());
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  RecorderState edited;
  edited.model = "edited before attach";
  WriteState(edited);
  ASSERT_EQ(link.Attach(), 1);
  std::array<uint8_t, 64> reply{};
  ASSERT_EQ(link.QueryString(DeviceLink::MODEL_NAME, reply.data()), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(reply.data()), "edited before attach");
}

TEST_F(SimBackendTest, RemovingTheFileUnplugsTheRecorder) {
  WriteState(RecorderState{});
  SimBackend backend(StatePath());
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  ASSERT_EQ(link.Attach(), 1);
  std::filesystem::remove(StatePath());
  std::array<uint8_t, 80> area{};
  EXPECT_EQ(link.ReadData(area.data(), 80), 0);
  EXPECT_FALSE(std::filesystem::exists(StatePath())) << "the transfer must not recreate it";
  link.Detach();
  EXPECT_EQ(link.Attach(), 0);
}

TEST_F(SimBackendTest, VanishedRecorderIsNoLongerListed) {
  RecorderState state;
  state.faults.vanishAfter = 4;  // one read
  WriteState(state);
  SimBackend backend(StatePath());
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  ASSERT_EQ(link.Attach(), 1);
  std::array<uint8_t, 80> area{};
  EXPECT_EQ(link.ReadData(area.data(), 80), 1);
  EXPECT_EQ(link.ReadData(area.data(), 80), 0);
  EXPECT_EQ(ReadState().transfers, 4u);
  link.Detach();
  EXPECT_EQ(link.Attach(), 0);
  EXPECT_NE(backend.ListProblem().find("vanished"), std::string::npos);
}

TEST_F(SimBackendTest, WhatThePlatformWouldRefuseNeverReachesTheRecorder) {
  WriteState(RecorderState{});
  SimBackend backend(StatePath());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs && inputs->size() == 1);
  std::unique_ptr<PropertyChannel> channel = backend.Bind((*inputs)[0]);
  ASSERT_TRUE(channel);
  std::array<uint8_t, 64> packet{};
  packet[0] = 1;
  packet[4] = 4;
  Guid otherSet = DeviceLink::kPropertySet;
  otherSet.data1 ^= 1;
  EXPECT_NE(channel->TransferProperty(otherSet, 2, 17, true, packet.data(), 64), kStatusOk);
  EXPECT_NE(channel->TransferProperty(DeviceLink::kPropertySet, 3, 17, true, packet.data(), 64),
            kStatusOk);
  EXPECT_NE(channel->TransferProperty(DeviceLink::kPropertySet, 2, 17, true, packet.data(), 32),
            kStatusOk);
  EXPECT_EQ(ReadState().transfers, 0u);
  EXPECT_EQ(channel->TransferProperty(DeviceLink::kPropertySet, 2, 17, true, packet.data(), 64),
            kStatusOk);
  EXPECT_EQ(ReadState().transfers, 1u);
}

TEST_F(SimBackendTest, CreatingAndRemovingTheFileAreDeviceChanges) {
  SimChangeMonitor monitor(StatePath());
  ASSERT_GE(monitor.Descriptor(), 0);
  EXPECT_FALSE(monitor.ConsumeEvents());
  dir_.Write("unrelated.txt", "x");
  EXPECT_FALSE(monitor.ConsumeEvents());
  WriteState(RecorderState{});  // created by rename, as a tool would
  EXPECT_TRUE(monitor.ConsumeEvents());
  WriteState(RecorderState{});  // the simulator's own rewrite
  EXPECT_FALSE(monitor.ConsumeEvents());
  std::filesystem::remove(StatePath());
  EXPECT_TRUE(monitor.ConsumeEvents());
  dir_.Write("recorder.json", "{}");  // created in place
  EXPECT_TRUE(monitor.ConsumeEvents());
  // Unplugged and plugged again before anyone looked: still a change.
  std::filesystem::remove(StatePath());
  dir_.Write("recorder.json", "{}");
  EXPECT_TRUE(monitor.ConsumeEvents());
  EXPECT_FALSE(monitor.ConsumeEvents());
}

// KAVRIN_SIMULATOR decides which backend both programs use.
class ScopedSimulatorVariable {
 public:
  explicit ScopedSimulatorVariable(const char* value) {
    if (value != nullptr) {
      setenv("KAVRIN_SIMULATOR", value, 1);
    } else {
      unsetenv("KAVRIN_SIMULATOR");
    }
  }
  ~ScopedSimulatorVariable() { unsetenv("KAVRIN_SIMULATOR"); }
};

TEST_F(SimBackendTest, EnvironmentChoosesTheSimulator) {
  {
    ScopedSimulatorVariable variable(StatePath().c_str());
    EXPECT_NE(dynamic_cast<SimBackend*>(MakeVideoInputBackend().get()), nullptr);
    EXPECT_NE(dynamic_cast<SimChangeMonitor*>(MakeDeviceChangeMonitor().get()), nullptr);
  }
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    ScopedSimulatorVariable variable(value);
    EXPECT_NE(dynamic_cast<v4l2::V4l2Backend*>(MakeVideoInputBackend().get()), nullptr);
    EXPECT_EQ(dynamic_cast<SimChangeMonitor*>(MakeDeviceChangeMonitor().get()), nullptr);
  }
}

}  // namespace
}  // namespace kavrin::sim
