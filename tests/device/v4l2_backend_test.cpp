// The Linux backend on fixture trees: which nodes are inputs, what they are called, whether
// they can be bound, and the transfers and locks they make.
#include "device/v4l2/v4l2_backend.h"

#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <sys/file.h>

#include <cerrno>

#include "device/device_link.h"
#include "device/sim/recorder.h"
#include "tests/device/fault_rule.h"
#include "tests/device/v4l2_fixture.h"
#include "tests/support/trace_capture.h"

namespace kavrin::v4l2 {
namespace {

using test::FixtureNode;
using test::V4l2Fixture;

FixtureNode MetadataNode(const std::string& name) {
  FixtureNode node;
  node.node = name;
  node.deviceCaps = 0x04800000 | 0x00800000;  // metadata capture and streaming only
  node.index = "1";
  return node;
}

FixtureNode Node(const std::string& name, void (*change)(FixtureNode&) = nullptr) {
  FixtureNode node;
  node.node = name;
  if (change != nullptr) change(node);
  return node;
}

test::CameraDescriptors WithoutUnit() {
  test::CameraDescriptors camera;
  camera.withUnit = false;
  return camera;
}

test::CameraDescriptors WithControls(uint32_t controls) {
  test::CameraDescriptors camera;
  camera.unitControls = controls;
  return camera;
}

test::CameraDescriptors OnInterface(uint8_t interfaceNumber, uint8_t unitId) {
  test::CameraDescriptors camera;
  camera.controlInterface = interfaceNumber;
  camera.unitId = unitId;
  return camera;
}

std::vector<std::pair<std::u16string, std::string>> Listed(V4l2Backend& backend) {
  std::vector<std::pair<std::u16string, std::string>> listed;
  const auto inputs = backend.ListVideoInputs();
  if (!inputs) return listed;
  for (const VideoInput& input : *inputs) {
    listed.emplace_back(input.friendlyName,
                        std::filesystem::path(input.location).filename().string());
  }
  return listed;
}

TEST(V4l2BackendTest, ListsCaptureNodesInNumberOrderAndSkipsMetadataNodes) {
  V4l2Fixture fixture;
  fixture.AddNode(Node("video10", [](FixtureNode& n) {
    n.usbPort = "1-2";
    n.product = "Webcam C270";
  }));
  fixture.AddNode(Node("video2"));
  fixture.AddNode(MetadataNode("video3"));
  fixture.AddNode(Node("video-bogus"));
  V4l2Backend backend(fixture.Options());
  EXPECT_EQ(Listed(backend), (std::vector<std::pair<std::u16string, std::string>>{
                                 {u"ZK742", "video2"}, {u"Webcam C270", "video10"}}));
  EXPECT_TRUE(fixture.calls.openFds.empty()) << "every probe closes its node";
}

TEST(V4l2BackendTest, FriendlyNameFallsBackToTheCardUpToItsColon) {
  // A camera whose descriptors carry no string at all: nothing but the card can name it.
  test::CameraDescriptors unnamed;
  unnamed.productIndex = 0;
  unnamed.functionIndex = 0;
  struct Case {
    const char* what;
    std::string product;
    std::string usbPort;
    std::string card;
    std::u16string expected;
    test::CameraDescriptors camera = {};
  } cases[] = {
      {"product string", "Driving Recorder", "1-1", "USB2.0 Camera: USB2.0 Camera",
       u"Driving Recorder"},
      {"no product", "", "1-1", "ZK742: ZK742 Video", u"ZK742", unnamed},
      {"no colon", "", "1-1", "Integrated Camera", u"Integrated Camera", unnamed},
      {"not a USB device", "", "", "vivid: platform", u"vivid"},
      {"UTF-8 product", "Kamera \xC3\x9C", "1-1", "x", u"Kamera \u00DC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    V4l2Fixture fixture;
    FixtureNode node;
    node.product = c.product;
    node.usbPort = c.usbPort;
    node.card = c.card;
    node.descriptors = c.camera.Build();
    fixture.AddNode(node);
    V4l2Backend backend(fixture.Options());
    EXPECT_EQ(Listed(backend),
              (std::vector<std::pair<std::u16string, std::string>>{{c.expected, "video0"}}));
  }
}

TEST(V4l2BackendTest, NoVideoDriverMeansNoListAndAPlainReason) {
  V4l2Fixture fixture;
  fixture.RemoveClassFolder();
  V4l2Backend backend(fixture.Options());
  EXPECT_FALSE(backend.ListVideoInputs());
  EXPECT_NE(backend.ListProblem().find("does not exist"), std::string::npos);
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  test::TraceCapture trace;
  EXPECT_EQ(link.Attach(), 0);
  EXPECT_EQ(trace.Text(), "\nCreateClassEnumerator fail");
}

TEST(V4l2BackendTest, PermissionDeniedNodeIsListedByItsIndexAndSaysWhy) {
  V4l2Fixture fixture;
  fixture.AddNode(Node("video0", [](FixtureNode& n) { n.openErrno = EACCES; }));
  FixtureNode metadata = MetadataNode("video1");
  metadata.openErrno = EACCES;
  fixture.AddNode(metadata);
  V4l2Backend backend(fixture.Options());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs);
  ASSERT_EQ(inputs->size(), 1u);
  EXPECT_EQ((*inputs)[0].friendlyName, u"ZK742");
  const InputDiagnosis diagnosis = backend.Diagnose((*inputs)[0]);
  EXPECT_FALSE(diagnosis.opened);
  EXPECT_TRUE(diagnosis.permissionDenied);
  EXPECT_NE(diagnosis.detail.find("permission denied"), std::string::npos);
  // Attaching it fails as a device that cannot be opened.
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  test::TraceCapture trace;
  EXPECT_EQ(link.Attach(), 0);
  EXPECT_EQ(trace.Text(), "\nBindToObject() faiel");
}

TEST(V4l2BackendTest, DiagnosisNamesTheUnitOrWhyThereIsNone) {
  struct Case {
    const char* what;
    test::CameraDescriptors camera;
    bool found;
    const char* detail;
  } cases[] = {
      {"recorder", test::CameraDescriptors{}, true, "extension unit 4"},
      {"plain webcam", WithoutUnit(), false, "no extension unit"},
      {"selectors missing", WithControls(0x1), false, "17 and 18"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    V4l2Fixture fixture;
    FixtureNode node;
    node.descriptors = c.camera.Build();
    fixture.AddNode(node);
    V4l2Backend backend(fixture.Options());
    const auto inputs = backend.ListVideoInputs();
    ASSERT_TRUE(inputs && inputs->size() == 1);
    const InputDiagnosis diagnosis = backend.Diagnose((*inputs)[0]);
    EXPECT_TRUE(diagnosis.opened);
    EXPECT_EQ(diagnosis.unitFound, c.found);
    EXPECT_EQ(diagnosis.unitId, c.found ? 4 : -1);
    EXPECT_NE(diagnosis.detail.find(c.detail), std::string::npos) << diagnosis.detail;
    EXPECT_EQ(backend.Bind((*inputs)[0]) != nullptr, c.found);
  }
}

TEST(V4l2BackendTest, UnitIsLookedUpInTheNodesOwnInterface) {
  V4l2Fixture fixture;
  FixtureNode node;
  node.interfaceNumber = 2;
  node.descriptors = OnInterface(2, 0x11).Build();
  node.unitId = 0x11;
  fixture.AddNode(node);
  V4l2Backend backend(fixture.Options());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs && inputs->size() == 1);
  EXPECT_EQ(backend.Diagnose((*inputs)[0]).unitId, 0x11);
}

// A recorder on a fixture node: the whole protocol through uvcvideo's query.
struct RecorderOnNode {
  RecorderOnNode() {
    node.recorder = &recorder;
    fixture.AddNode(node);
    link.AddDeviceName(u"ZK742");
  }
  sim::RecorderState state;
  sim::Recorder recorder{state};
  FixtureNode node;
  V4l2Fixture fixture;
  V4l2Backend backend{ShortWait(fixture.Options())};
  DeviceLink link{backend};

  // The tests of a held node need not wait the operator's full second and a half.
  static V4l2Options ShortWait(V4l2Options options) {
    options.lockWait = std::chrono::milliseconds(50);
    return options;
  }
};

TEST(V4l2BackendTest, CommandsReachTheUnitWithUvcQueriesOf64Bytes) {
  RecorderOnNode device;
  ASSERT_EQ(device.link.Attach(), 1);
  std::array<uint8_t, 80> area{};
  area[0] = 0x10;
  area[1] = 0xCA;
  ASSERT_EQ(device.link.WriteData(area.data(), 80, 0), 1);
  std::array<uint8_t, 80> back{};
  ASSERT_EQ(device.link.ReadData(back.data(), 80), 1);
  EXPECT_EQ(back, area);
  EXPECT_EQ(device.state.commits, (std::vector<uint32_t>{2}));
  const std::vector<std::pair<uint8_t, uint8_t>> expected = {
      {17, UVC_SET_CUR}, {17, UVC_SET_CUR}, {18, UVC_SET_CUR}, {17, UVC_SET_CUR},
      {17, UVC_GET_CUR}, {17, UVC_SET_CUR}, {17, UVC_GET_CUR}};
  ASSERT_EQ(device.fixture.calls.queries.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const test::UvcQuery& q = device.fixture.calls.queries[i];
    EXPECT_EQ(q.unit, 4);
    EXPECT_EQ(q.size, 64);
    EXPECT_EQ(std::make_pair(q.selector, q.query), expected[i]) << i;
  }
  // Each command holds the node's flock from its first transfer to its last, asked for
  // without blocking so that the wait for it stays bounded.
  EXPECT_EQ(device.fixture.calls.flocks,
            (std::vector<std::pair<std::string, int>>{{"video0", LOCK_EX | LOCK_NB},
                                                      {"video0", LOCK_UN},
                                                      {"video0", LOCK_EX | LOCK_NB},
                                                      {"video0", LOCK_UN}}));
}

TEST(V4l2BackendTest, NodeHeldByAnotherProgramFailsTheCommandAsBusyAndSendsNothing) {
  RecorderOnNode device;
  ASSERT_EQ(device.link.Attach(), 1);
  device.fixture.calls.heldByPeer = true;
  test::TraceCapture trace;
  std::array<uint8_t, 80> area{};
  EXPECT_EQ(device.link.WriteData(area.data(), 80, 0), 0);
  EXPECT_EQ(device.link.LastFailure().reason, FailureReason::kBusy);
  EXPECT_NE(trace.Text().find("recorder busy"), std::string::npos) << trace.Text();
  EXPECT_TRUE(device.fixture.calls.queries.empty());
  EXPECT_TRUE(device.state.commits.empty());
  // Polled, never a blocking wait, and never let go of since it was never had.
  ASSERT_GE(device.fixture.calls.flocks.size(), 2u) << "asked again within the wait";
  for (const auto& [node, operation] : device.fixture.calls.flocks) {
    EXPECT_EQ(operation, LOCK_EX | LOCK_NB);
  }
  // Once the other program lets go, the next command goes through.
  device.fixture.calls.heldByPeer = false;
  EXPECT_EQ(device.link.WriteData(area.data(), 80, 0), 1);
  EXPECT_EQ(device.link.LastFailure().reason, FailureReason::kNone);
  EXPECT_EQ(device.state.commits, (std::vector<uint32_t>{2}));
}

TEST(V4l2BackendTest, ErrnoBecomesANegativeStatus) {
  for (int error : {EPIPE, EIO, ENODEV, ETIMEDOUT}) {
    SCOPED_TRACE(error);
    RecorderOnNode device;
    ASSERT_EQ(device.link.Attach(), 1);
    device.fixture.calls.forcedIoctlErrno = error;
    uint8_t packet[64] = {};
    EXPECT_EQ(device.link.TransferProperty(DeviceLink::kPropertySet, 2, 17, 1, packet, 64), -error);
    uint32_t result = 1;
    EXPECT_EQ(device.link.QueryTestResult(0x1011, &result), 0);
    EXPECT_EQ(result, 0u);
  }
}

TEST(V4l2BackendTest, RecorderRefusalFailsTheCommand) {
  RecorderOnNode device;
  device.state.faults.rules.push_back(test::Fault().Command(2).Offset(40).OnSet());
  ASSERT_EQ(device.link.Attach(), 1);
  std::array<uint8_t, 80> area{};
  EXPECT_EQ(device.link.WriteData(area.data(), 80, 0), 0);
  EXPECT_TRUE(device.state.commits.empty());
}

TEST(V4l2BackendTest, ChannelRefusesWhatItCannotCarry) {
  RecorderOnNode device;
  ASSERT_EQ(device.link.Attach(), 1);
  uint8_t packet[64] = {};
  Guid other = DeviceLink::kPropertySet;
  other.data2 = 0;
  EXPECT_EQ(device.link.TransferProperty(other, 2, 17, 1, packet, 64), -ENOENT);
  EXPECT_EQ(device.link.TransferProperty(DeviceLink::kPropertySet, 2, 300, 1, packet, 64), -EINVAL);
  EXPECT_TRUE(device.fixture.calls.queries.empty());
}

TEST(V4l2BackendTest, DetachClosesTheNode) {
  RecorderOnNode device;
  ASSERT_EQ(device.link.Attach(), 1);
  EXPECT_EQ(device.fixture.calls.openFds.size(), 1u);
  device.link.Detach();
  EXPECT_TRUE(device.fixture.calls.openFds.empty());
}

TEST(V4l2BackendTest, CameraWithoutTheUnitCannotBeAttachedAndTheNextNameIsTried) {
  V4l2Fixture fixture;
  FixtureNode webcam;
  webcam.product = "ZK742";
  webcam.descriptors = WithoutUnit().Build();
  fixture.AddNode(webcam);
  FixtureNode recorder;
  recorder.node = "video2";
  recorder.usbPort = "1-3";
  recorder.product = "Driving Recorder";
  fixture.AddNode(recorder);
  V4l2Backend backend(fixture.Options());
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  link.AddDeviceName(u"Driving Recorder");
  test::TraceCapture trace;
  ASSERT_EQ(link.Attach(), 1);
  EXPECT_EQ(link.AttachedInput().location, fixture.DevPath("video2"));
  EXPECT_EQ(trace.Text(), "\nBindToObject() faiel\nattach Driving Recorder(1)\n");
}

}  // namespace
}  // namespace kavrin::v4l2
