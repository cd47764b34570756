// What a command does when it cannot have the recorder or the recorder does not answer, and
// the reason it leaves for the operator.
#include <gtest/gtest.h>

#include <functional>

#include "device/device_link.h"
#include "tests/device/fake_devices.h"
#include "tests/device/fault_rule.h"
#include "tests/support/trace_capture.h"

namespace kavrin {
namespace {

struct Recorder {
  Recorder() {
    backend.inputs = std::vector<VideoInput>{{u"ZK742", "sim"}};
    backend.recorder = &recorder;
    link.AddDeviceName(u"ZK742");
  }
  sim::RecorderState state;
  sim::Recorder recorder{state};
  test::FakeBackend backend;
  DeviceLink link{backend};
};

// Every command, as the window and `kavrin` call them; 1 on success.
struct Command {
  const char* name;
  std::function<int(DeviceLink&)> run;
};

std::vector<Command> EveryCommand() {
  return {
      {"QueryString",
       [](DeviceLink& link) {
         std::array<uint8_t, 64> reply{};
         return link.QueryString(DeviceLink::MODEL_NAME, reply.data());
       }},
      {"WriteData",
       [](DeviceLink& link) {
         std::array<uint8_t, 80> area{};
         return link.WriteData(area.data(), 80, 0);
       }},
      {"ReadData",
       [](DeviceLink& link) {
         std::array<uint8_t, 80> area{};
         return link.ReadData(area.data(), 80);
       }},
      {"QueryTestResult",
       [](DeviceLink& link) {
         uint32_t result = 1;
         const int ok = link.QueryTestResult(0x1011, &result);
         return ok == 1 && result == 1 ? 1 : 0;
       }},
      {"SetClock", [](DeviceLink& link) { return link.SetClock(LocalTime::Now()); }},
  };
}

TEST(DeviceLinkFailureTest, ACommandThatCannotHaveTheRecorderSendsNothingAndSaysBusy) {
  for (const Command& command : EveryCommand()) {
    SCOPED_TRACE(command.name);
    Recorder device;
    ASSERT_EQ(device.link.Attach(), 1);
    device.backend.log.heldByPeer = true;
    test::TraceCapture trace;
    EXPECT_EQ(command.run(device.link), 0);
    EXPECT_EQ(device.link.LastFailure(), LinkFailure::kBusy);
    EXPECT_EQ(trace.Text(), "\nrecorder busy: held by another program\n");
    EXPECT_TRUE(device.backend.log.transfers.empty());
    EXPECT_EQ(device.backend.log.unlocks, 0) << "a lock never had is never let go";
    // The other program lets go: the same command succeeds and the reason is cleared.
    device.backend.log.heldByPeer = false;
    EXPECT_EQ(command.run(device.link), 1);
    EXPECT_EQ(device.link.LastFailure(), LinkFailure::kNone);
    EXPECT_EQ(device.backend.log.locks, device.backend.log.unlocks);
  }
}

TEST(DeviceLinkFailureTest, TheReasonOfEachFailureIsKept) {
  for (const Command& command : EveryCommand()) {
    SCOPED_TRACE(command.name);
    {
      Recorder device;  // never attached
      EXPECT_EQ(command.run(device.link), 0);
      EXPECT_EQ(device.link.LastFailure(), LinkFailure::kNotAttached);
      EXPECT_EQ(device.backend.log.locks, 0);
    }
    {
      Recorder device;
      device.state.faults.rules.push_back(test::Fault().Always());  // every transfer refused
      ASSERT_EQ(device.link.Attach(), 1);
      EXPECT_EQ(command.run(device.link), 0);
      EXPECT_EQ(device.link.LastFailure(), LinkFailure::kTransfer);
    }
  }
}

TEST(DeviceLinkFailureTest, AnEngineTestAnswerWithoutBytesIsNoPass) {
  // The GET "succeeds" (status 0) but the recorder puts nothing in it: the request's own 1
  // must not be read back as the answer.
  Recorder device;
  device.state.faults.rules.push_back(test::Fault().Command(9).OnGet().Status(0));
  ASSERT_EQ(device.link.Attach(), 1);
  uint32_t result = 1;
  EXPECT_EQ(device.link.QueryTestResult(0x1011, &result), 1);
  EXPECT_EQ(result, 0u);
  EXPECT_EQ(device.link.Packet().Request(), 0u) << "the packet holds the (empty) reply";
  // The next query is answered by the recorder itself: a pass.
  EXPECT_EQ(device.link.QueryTestResult(0x1011, &result), 1);
  EXPECT_EQ(result, 1u);
}

}  // namespace
}  // namespace kavrin
