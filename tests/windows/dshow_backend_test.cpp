// The DirectShow backend through the system device enumerator, against fake recorders
// registered in the video input category: listing, the search by name in list order,
// binding, transfers on IKsControl, and the trace lines of a failed search.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "device/device_link.h"
#include "device/dshow/dshow_backend.h"
#include "tests/support/trace_capture.h"
#include "tests/windows/fake_device_registry.h"
#include "tests/windows/recorder_holder.h"

namespace kavrin::dshow {
namespace {

class DshowBackendTest : public ::testing::Test {
 protected:
  DeviceLink& Link(std::initializer_list<const char16_t*> names) {
    for (const char16_t* name : names) link_.AddDeviceName(name);
    return link_;
  }

  test::FakeRecorders recorders_;
  DshowBackend backend_;
  DeviceLink link_{backend_};
};

TEST_F(DshowBackendTest, ListsEveryRegisteredDeviceInTheEnumeratorsOrder) {
  recorders_.Add(0, L"ZK742", sim::RecorderState{});
  recorders_.Add(1, L"Driving Recorder", sim::RecorderState{});
  const auto inputs = backend_.ListVideoInputs();
  ASSERT_TRUE(inputs);
  ASSERT_EQ(inputs->size(), 2u);
  EXPECT_EQ((*inputs)[0].friendlyName, u"ZK742");
  EXPECT_EQ((*inputs)[1].friendlyName, u"Driving Recorder");
  // The moniker's display name: the video input category and the filter's class.
  EXPECT_NE((*inputs)[0].location.find("5A1D0C42-7E3B-4C59-9F21-0B7E1D4A7400"), std::string::npos)
      << (*inputs)[0].location;
  const InputDiagnosis diagnosis = backend_.Diagnose((*inputs)[0]);
  EXPECT_TRUE(diagnosis.opened);
  EXPECT_TRUE(diagnosis.unitFound);
}

TEST_F(DshowBackendTest, AnEmptyCategoryTracesTheEnumeratorFailure) {
  const auto inputs = backend_.ListVideoInputs();
  ASSERT_TRUE(inputs);
  EXPECT_TRUE(inputs->empty());
  EXPECT_FALSE(backend_.ListProblem().empty());
  test::TraceCapture trace;
  EXPECT_EQ(Link({u"ZK742"}).Attach(), 0);
  EXPECT_EQ(trace.Text(), "\nCreateClassEnumerator fail");
}

TEST_F(DshowBackendTest, TheSecondNameIsFoundWhenTheFirstHasNoDevice) {
  recorders_.Add(0, L"ZK742", sim::RecorderState{});
  test::TraceCapture trace;
  ASSERT_EQ(Link({u"Absent Recorder", u"zk742"}).Attach(), 1);
  EXPECT_EQ(trace.Text(), "\nattach zk742(1)\n");
  EXPECT_EQ(link_.CurrentIndex(), 1u);
}

TEST_F(DshowBackendTest, ARefusedBindTracesAndTriesTheNextName) {
  sim::RecorderState refusing;
  refusing.faults.refuseBind = true;
  recorders_.Add(0, L"ZK742", refusing);
  recorders_.Add(1, L"Driving Recorder", sim::RecorderState{});
  test::TraceCapture trace;
  ASSERT_EQ(Link({u"ZK742", u"Driving Recorder"}).Attach(), 1);
  EXPECT_EQ(trace.Text(), "\nBindToObject() faiel\nattach Driving Recorder(1)\n");
}

TEST_F(DshowBackendTest, OfTwoDevicesWithTheNameTheFirstEnumeratedIsUsed) {
  sim::RecorderState first;
  first.model = "first";
  sim::RecorderState second;
  second.model = "second";
  recorders_.Add(0, L"ZK742", first);
  recorders_.Add(1, L"ZK742", second);
  ASSERT_EQ(Link({u"ZK742"}).Attach(), 1);
  std::array<uint8_t, 64> reply{};
  ASSERT_EQ(link_.QueryString(DeviceLink::MODEL_NAME, reply.data()), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(reply.data()), "first");
  EXPECT_EQ(recorders_.State(1).transfers, 0u);
}

TEST_F(DshowBackendTest, TransfersReachTheRecorderUntilItIsGone) {
  sim::RecorderState state;
  for (std::size_t i = 0; i < state.settings.size(); ++i)
    state.settings[i] = static_cast<uint8_t>(i);
  state.faults.vanishAfter = 4;  // one read of two chunks
  recorders_.Add(0, L"ZK742", state);
  ASSERT_EQ(Link({u"ZK742"}).Attach(), 1);
  std::array<uint8_t, 80> area{};
  ASSERT_EQ(link_.ReadData(area.data(), 80), 1);
  EXPECT_EQ(area, state.settings);
  std::array<uint8_t, 80> again{};
  EXPECT_EQ(link_.ReadData(again.data(), 80), 0) << "the recorder is gone";
  EXPECT_EQ(recorders_.State(0).transfers, 4u);
  link_.Detach();
  EXPECT_EQ(link_.IsAttached(), 0);
  test::TraceCapture trace;
  EXPECT_EQ(link_.Attach(), 0) << "a gone recorder cannot be bound";
  EXPECT_EQ(trace.Text(), "\nBindToObject() faiel");
}

TEST_F(DshowBackendTest, ARecorderHeldByAnotherProgramGetsNothingUntilItIsFree) {
  recorders_.Add(0, L"ZK742", sim::RecorderState{});
  ASSERT_EQ(Link({u"ZK742"}).Attach(), 1);
  std::array<uint8_t, 80> area{};
  {
    test::RecorderHolder peer(link_.AttachedInput().location);
    ASSERT_TRUE(peer.Held());
    EXPECT_EQ(link_.ReadData(area.data(), 80), 0);
    EXPECT_EQ(link_.LastFailure().reason, FailureReason::kBusy);
    EXPECT_EQ(recorders_.State(0).transfers, 0u) << "nothing is sent without the lock";
  }
  EXPECT_EQ(link_.ReadData(area.data(), 80), 1);
  EXPECT_EQ(recorders_.State(0).transfers, 4u);
}

TEST_F(DshowBackendTest, DetachAndAttachAgainStartsFromTheFirstName) {
  recorders_.Add(0, L"ZK742", sim::RecorderState{});
  recorders_.Add(1, L"Driving Recorder", sim::RecorderState{});
  ASSERT_EQ(Link({u"Driving Recorder", u"ZK742"}).Attach(), 1);
  EXPECT_EQ(link_.CurrentIndex(), 0u);
  link_.Detach();
  ASSERT_EQ(link_.Attach(), 1);
  EXPECT_EQ(link_.CurrentIndex(), 0u);
  EXPECT_EQ(link_.AttachedInput().friendlyName, u"Driving Recorder");
}

}  // namespace
}  // namespace kavrin::dshow
