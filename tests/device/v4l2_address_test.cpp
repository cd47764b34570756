// Where each camera sits, as the Linux backend reads it from a fixture tree: the USB port
// path, the serial string and the /dev/v4l links that lead to its node.
#include <gtest/gtest.h>

#include "device/v4l2/usb_address.h"
#include "device/v4l2/v4l2_backend.h"
#include "tests/device/v4l2_fixture.h"

namespace kavrin::v4l2 {
namespace {

using test::FixtureNode;
using test::V4l2Fixture;

FixtureNode Camera(const std::string& node, const std::string& port, const std::string& serial) {
  FixtureNode camera;
  camera.node = node;
  camera.usbPort = port;
  camera.serial = serial;
  return camera;
}

FixtureNode Metadata(const std::string& node, const std::string& port) {
  FixtureNode metadata = Camera(node, port, "");
  metadata.deviceCaps = 0x04800000 | 0x00800000;
  metadata.index = "1";
  return metadata;
}

TEST(V4l2AddressTest, TwoRecordersOfOneNameAreToldApart) {
  V4l2Fixture fixture;
  fixture.AddNode(Camera("video0", "1-2.1", "ZK0001A"));
  fixture.AddNode(Metadata("video1", "1-2.1"));
  fixture.AddNode(Camera("video2", "1-2.2", ""));  // a recorder without a serial string
  fixture.AddNode(Metadata("video3", "1-2.2"));
  fixture.AddLink("by-id", "usb-Zhike_ZK742_ZK0001A-video-index0", "video0");
  fixture.AddLink("by-id", "usb-Zhike_ZK742_ZK0001A-video-index1", "video1");
  fixture.AddLink("by-path", "pci-0000:00:14.0-usb-0:2.1:1.0-video-index0", "video0");
  fixture.AddLink("by-path", "pci-0000:00:14.0-usb-0:2.2:1.0-video-index0", "video2");
  fixture.AddLink("by-path", "pci-0000:00:14.0-usb-0:2.2:1.0-video-index1", "video3");

  V4l2Backend backend(fixture.Options());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs);
  ASSERT_EQ(inputs->size(), 2u);
  const VideoInput& first = (*inputs)[0];
  EXPECT_EQ(first.friendlyName, (*inputs)[1].friendlyName);
  EXPECT_EQ(first.location, fixture.DevPath("video0"));
  EXPECT_EQ(first.port, "1-2.1");
  EXPECT_EQ(first.serial, "ZK0001A");
  const std::string dev = (fixture.dir / "dev/v4l").string();
  EXPECT_EQ(first.links, (std::vector<std::string>{
                             dev + "/by-id/usb-Zhike_ZK742_ZK0001A-video-index0",
                             dev + "/by-path/pci-0000:00:14.0-usb-0:2.1:1.0-video-index0"}));
  const VideoInput& second = (*inputs)[1];
  EXPECT_EQ(second.port, "1-2.2");
  EXPECT_EQ(second.serial, "");
  EXPECT_EQ(
      second.links,
      (std::vector<std::string>{dev + "/by-path/pci-0000:00:14.0-usb-0:2.2:1.0-video-index0"}));
}

TEST(V4l2AddressTest, NoLinksFolderNoUsbDeviceNoAddress) {
  V4l2Fixture fixture;
  fixture.AddNode(Camera("video0", "", "ignored"));  // a camera that is not on USB
  V4l2Backend backend(fixture.Options());
  const auto inputs = backend.ListVideoInputs();
  ASSERT_TRUE(inputs && inputs->size() == 1);
  EXPECT_EQ((*inputs)[0].port, "");
  EXPECT_EQ((*inputs)[0].serial, "");
  EXPECT_TRUE((*inputs)[0].links.empty());
}

TEST(V4l2AddressTest, PortPathIsAUsbDevicesNameOnly) {
  const struct {
    const char* folder;
    const char* port;
  } cases[] = {
      {"1-2.3", "1-2.3"}, {"3-1", "3-1"},       {"10-4.1.2", "10-4.1.2"}, {"usb1", ""},
      {"1-2.3:1.0", ""},  {"1-", ""},           {"1-2..3", ""},           {"-2", ""},
      {"1-2.", ""},       {"platform-cam", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UsbPortPath(std::filesystem::path("/sys/devices/pci0000:00/usb1") / c.folder), c.port)
        << c.folder;
  }
}

}  // namespace
}  // namespace kavrin::v4l2
