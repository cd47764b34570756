// Finding the recorder by friendly name: list order, case, length, the ten-name limit, the
// trace lines, and what a failed open does.
#include "device/capture_device.h"

#include <gtest/gtest.h>

#include "tests/device/fake_devices.h"
#include "tests/support/trace_capture.h"

namespace kavrin {
namespace {

using test::FakeBackend;

std::vector<VideoInput> Inputs(
    std::initializer_list<std::pair<const char16_t*, const char*>> list) {
  std::vector<VideoInput> inputs;
  for (const auto& [name, location] : list) inputs.push_back(VideoInput{name, location});
  return inputs;
}

struct AttachCase {
  const char* what;
  std::vector<const char16_t*> names;
  std::vector<VideoInput> devices;
  int attached;
  const char* location;  // the device bound on success
  uint32_t index;        // currentIndex after the attach
  const char* trace;
};

class AttachTest : public ::testing::TestWithParam<AttachCase> {};

TEST_P(AttachTest, FindsTheFirstNamedDeviceThatIsPresent) {
  const AttachCase& c = GetParam();
  FakeBackend backend;
  backend.inputs = c.devices;
  CaptureDevice device(backend);
  for (const char16_t* name : c.names) device.AddDeviceName(name);
  test::TraceCapture trace;
  EXPECT_EQ(device.Attach(), c.attached);
  EXPECT_EQ(device.IsAttached(), c.attached);
  EXPECT_EQ(trace.Text(), c.trace);
  if (c.attached == 1) {
    EXPECT_EQ(device.AttachedInput().location, c.location);
    EXPECT_EQ(device.CurrentIndex(), c.index);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, AttachTest,
    ::testing::Values(
        AttachCase{
            "exact name", {u"ZK742"}, Inputs({{u"ZK742", "a"}}), 1, "a", 0, "\nattach ZK742(0)\n"},
        AttachCase{"letter case differs",
                   {u"ZK742"},
                   Inputs({{u"zk742", "a"}}),
                   1,
                   "a",
                   0,
                   "\nattach ZK742(0)\n"},
        AttachCase{"device name longer", {u"ZK742"}, Inputs({{u"ZK742 Pro", "a"}}), 0, "", 0, ""},
        AttachCase{"device name shorter", {u"ZK742"}, Inputs({{u"ZK74", "a"}}), 0, "", 0, ""},
        AttachCase{"second name present",
                   {u"ZK742", u"Driving Recorder"},
                   Inputs({{u"Webcam", "w"}, {u"Driving Recorder", "d"}}),
                   1,
                   "d",
                   1,
                   "\nattach Driving Recorder(1)\n"},
        AttachCase{"names win over device order",
                   {u"A", u"B"},
                   Inputs({{u"B", "b"}, {u"A", "a"}}),
                   1,
                   "a",
                   0,
                   "\nattach A(0)\n"},
        AttachCase{"first of two same-named devices",
                   {u"ZK742"},
                   Inputs({{u"ZK742", "first"}, {u"ZK742", "second"}}),
                   1,
                   "first",
                   0,
                   "\nattach ZK742(0)\n"},
        AttachCase{"empty device list",
                   {u"A", u"B"},
                   {},
                   0,
                   "",
                   0,
                   "\nCreateClassEnumerator fail\nCreateClassEnumerator fail"},
        AttachCase{"no names", {}, Inputs({{u"ZK742", "a"}}), 0, "", 0, ""}),
    [](const auto& paramInfo) {
      std::string name = paramInfo.param.what;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

TEST(CaptureDeviceTest, NoNamesDoesNotEvenListDevices) {
  FakeBackend backend;
  backend.inputs = Inputs({{u"ZK742", "a"}});
  CaptureDevice device(backend);
  EXPECT_EQ(device.Attach(), 0);
  EXPECT_EQ(backend.listCalls, 0);
}

TEST(CaptureDeviceTest, MissingDeviceListTracesEnumeratorFailure) {
  FakeBackend backend;
  backend.inputs = std::nullopt;
  CaptureDevice device(backend);
  device.AddDeviceName(u"ZK742");
  test::TraceCapture trace;
  EXPECT_EQ(device.Attach(), 0);
  EXPECT_EQ(trace.Text(), "\nCreateClassEnumerator fail");
}

TEST(CaptureDeviceTest, TenNamesAreKeptAndAnEleventhIsIgnored) {
  FakeBackend backend;
  CaptureDevice device(backend);
  const std::u16string names[] = {u"n0", u"n1", u"n2", u"n3", u"n4", u"n5",
                                  u"n6", u"n7", u"n8", u"n9", u"n10"};
  for (const std::u16string& name : names) device.AddDeviceName(name.c_str());
  device.AddDeviceName(nullptr);
  ASSERT_EQ(device.NameCount(), 10u);
  for (uint32_t i = 0; i < 10; ++i) EXPECT_EQ(device.DeviceName(i), names[i]);
  // Only a device named like the ignored eleventh: nothing to attach.
  backend.inputs = Inputs({{u"n10", "x"}});
  EXPECT_EQ(device.Attach(), 0);
}

TEST(CaptureDeviceTest, ALongNameIsCutTo79Characters) {
  FakeBackend backend;
  CaptureDevice device(backend);
  const std::u16string longName(100, u'x');
  device.AddDeviceName(longName.c_str());
  EXPECT_EQ(device.DeviceName(0), longName.substr(0, 79));
}

TEST(CaptureDeviceTest, ADeviceThatCannotBeOpenedEndsThatNamesSearch) {
  FakeBackend backend;
  backend.inputs = Inputs({{u"ZK742", "broken"}, {u"ZK742", "good"}, {u"Driving Recorder", "d"}});
  backend.unbindable = {"broken"};
  CaptureDevice device(backend);
  device.AddDeviceName(u"ZK742");
  device.AddDeviceName(u"Driving Recorder");
  test::TraceCapture trace;
  ASSERT_EQ(device.Attach(), 1);
  // The second ZK742 is never tried: the next name is.
  EXPECT_EQ(backend.bound, (std::vector<std::string>{"broken", "d"}));
  EXPECT_EQ(device.AttachedInput().location, "d");
  EXPECT_EQ(trace.Text(), "\nBindToObject() faiel\nattach Driving Recorder(1)\n");
}

TEST(CaptureDeviceTest, DetachReleasesTheChannelAndStopsTransfers) {
  FakeBackend backend;
  backend.inputs = Inputs({{u"A", "a"}, {u"B", "b"}});
  CaptureDevice device(backend);
  device.AddDeviceName(u"B");
  device.AddDeviceName(u"A");
  ASSERT_EQ(device.Attach(), 1);
  EXPECT_EQ(backend.log.channelsAlive, 1);
  uint8_t data[64] = {};
  EXPECT_EQ(device.TransferProperty(Guid{}, 2, 17, 1, data, 64), kStatusOk);
  device.Detach();
  EXPECT_EQ(device.IsAttached(), 0);
  EXPECT_EQ(backend.log.channelsAlive, 0);
  EXPECT_NE(device.TransferProperty(Guid{}, 2, 17, 1, data, 64), kStatusOk);
  EXPECT_EQ(backend.log.transfers.size(), 1u);
  // A new attach starts from the first name again.
  backend.inputs = Inputs({{u"A", "a2"}, {u"B", "b2"}});
  ASSERT_EQ(device.Attach(), 1);
  EXPECT_EQ(device.AttachedInput().location, "b2");
  EXPECT_EQ(device.CurrentIndex(), 0u);
}

TEST(CaptureDeviceTest, TransferWithoutAttachFails) {
  FakeBackend backend;
  CaptureDevice device(backend);
  uint8_t data[64] = {};
  EXPECT_NE(device.TransferProperty(Guid{}, 2, 17, 0, data, 64), kStatusOk);
}

TEST(FriendlyNameMatchesTest, FoldsCaseButNeverMatchesOtherLengths) {
  struct Case {
    const char16_t* device;
    const char16_t* wanted;
    bool matches;
  } cases[] = {
      {u"Driving Recorder", u"DRIVING RECORDER", true},
      {u"ZK742", u"ZK742 ", false},
      {u"", u"", true},
      {u"ZK742", u"ZK743", false},
      {u"\u00C4", u"\u00E4", true},
      {u"\u00D7", u"\u00F7", false},  // multiplication and division signs are no letters
      {u"[", u"{", false},            // only letters fold
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    EXPECT_EQ(FriendlyNameMatches(cases[i].device, cases[i].wanted), cases[i].matches);
  }
}

}  // namespace
}  // namespace kavrin
