// What a command does when it cannot have the recorder or the recorder does not answer, and
// the reason it leaves for the operator.
#include <gtest/gtest.h>

#include <cerrno>
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
    EXPECT_EQ(device.link.LastFailure().reason, FailureReason::kBusy);
    EXPECT_EQ(trace.Text(), "\nrecorder busy: held by another program\n");
    EXPECT_TRUE(device.backend.log.transfers.empty());
    EXPECT_EQ(device.backend.log.unlocks, 0) << "a lock never had is never let go";
    // The other program lets go: the same command succeeds and the reason is cleared.
    device.backend.log.heldByPeer = false;
    EXPECT_EQ(command.run(device.link), 1);
    EXPECT_EQ(device.link.LastFailure().reason, FailureReason::kNone);
    EXPECT_EQ(device.backend.log.locks, device.backend.log.unlocks);
  }
}

TEST(DeviceLinkFailureTest, TheReasonOfEachFailureIsKept) {
  for (const Command& command : EveryCommand()) {
    SCOPED_TRACE(command.name);
    {
      Recorder device;  // never attached
      EXPECT_EQ(command.run(device.link), 0);
      EXPECT_EQ(device.link.LastFailure().reason, FailureReason::kNotAttached);
      EXPECT_EQ(device.backend.log.locks, 0);
    }
    {
      Recorder device;
      device.state.faults.rules.push_back(test::Fault().Always());  // every transfer refused
      ASSERT_EQ(device.link.Attach(), 1);
      EXPECT_EQ(command.run(device.link), 0);
      EXPECT_EQ(device.link.LastFailure().reason, FailureReason::kRefused);
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

TEST(DeviceLinkFailureTest, APlatformStatusSaysWhyTheTransferFailed) {
  struct Case {
    int32_t status;
    FailureReason reason;
  };
  const Case cases[] = {
      {kStatusOk, FailureReason::kNone},
      {StatusFromErrno(ENODEV), FailureReason::kUnavailable},
#ifdef ESHUTDOWN
      {StatusFromErrno(ESHUTDOWN), FailureReason::kUnavailable},
#endif
      {StatusFromErrno(EPROTO), FailureReason::kUnavailable},  // pulled inside a transfer
      {StatusFromErrno(EBUSY), FailureReason::kBusy},
      {StatusFromErrno(ETIMEDOUT), FailureReason::kTimedOut},
      {StatusFromErrno(EOVERFLOW), FailureReason::kShortReply},
      {StatusFromErrno(EPIPE), FailureReason::kRefused},   // a stalled control
      {StatusFromErrno(ENOENT), FailureReason::kRefused},  // a selector the unit lacks
      {kStatusFalse, FailureReason::kRefused},
      {kStatusFail, FailureReason::kRefused},
      {static_cast<int32_t>(0x8007048Fu), FailureReason::kUnavailable},  // device not connected
      {static_cast<int32_t>(0x800705B4u), FailureReason::kTimedOut},
      {static_cast<int32_t>(0x800700AAu), FailureReason::kBusy},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    EXPECT_EQ(ReasonOfStatus(c.status), c.reason);
  }
}

TEST(DeviceLinkFailureTest, AWriteSaysWhetherAChunkOrTheCommitFailed) {
  struct Case {
    const char* name;
    test::Fault fault;
    FailedTransfer transfer;
    uint32_t chunk;
    FailureReason reason;
  };
  const Case cases[] = {
      {"second_chunk_gone",
       test::Fault().Command(DeviceLink::CMD_SETTINGS_DATA).Offset(40).OnSet().Status(-ENODEV),
       FailedTransfer::kChunk, 2, FailureReason::kUnavailable},
      {"commit_refused", test::Fault().Selector(DeviceLink::SELECTOR_COMMIT).Status(kStatusFalse),
       FailedTransfer::kCommit, 0, FailureReason::kRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder device;
    device.state.faults.rules.push_back(c.fault);
    ASSERT_EQ(device.link.Attach(), 1);
    std::array<uint8_t, 80> area{};
    EXPECT_EQ(device.link.WriteData(area.data(), 80, 0), 0);
    EXPECT_EQ(device.link.LastFailure().transfer, c.transfer);
    EXPECT_EQ(device.link.LastFailure().chunk, c.chunk);
    EXPECT_EQ(device.link.LastFailure().reason, c.reason);
  }
}

// An operation of several commands waits for a held recorder once, not once per command, and
// sends nothing; one that has the recorder keeps it from its first command to its last.
TEST(DeviceLinkFailureTest, AHoldWaitsOnceForAllItsCommands) {
  Recorder device;
  ASSERT_EQ(device.link.Attach(), 1);
  device.backend.log.heldByPeer = true;
  {
    DeviceLink::Hold hold(device.link);
    EXPECT_FALSE(hold.Held());
    for (const Command& command : EveryCommand()) {
      EXPECT_EQ(command.run(device.link), 0) << command.name;
      EXPECT_EQ(device.link.LastFailure().reason, FailureReason::kBusy) << command.name;
    }
  }
  EXPECT_EQ(device.backend.log.lockAttempts, 1);
  EXPECT_TRUE(device.backend.log.transfers.empty());

  device.backend.log.heldByPeer = false;
  {
    DeviceLink::Hold hold(device.link);
    ASSERT_TRUE(hold.Held());
    DeviceLink::Hold nested(device.link);  // an operation inside another keeps the same hold
    EXPECT_TRUE(nested.Held());
    for (const Command& command : EveryCommand())
      EXPECT_EQ(command.run(device.link), 1) << command.name;
    EXPECT_EQ(device.backend.log.locks, 1);
    EXPECT_EQ(device.backend.log.unlocks, 0);
  }
  EXPECT_EQ(device.backend.log.unlocks, 1);
  for (const auto& transfer : device.backend.log.transfers) EXPECT_TRUE(transfer.locked);
}

}  // namespace
}  // namespace kavrin
