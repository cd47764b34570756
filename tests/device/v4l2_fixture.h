#pragma once
// A sysfs tree and a /dev of our making for the V4L2 backend: USB cameras with descriptor
// bytes composed here, nodes that answer VIDIOC_QUERYCAP and UVCIOC_CTRL_QUERY through fake
// system calls, optionally backed by a simulated recorder.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/guid.h"
#include "device/sim/recorder.h"
#include "device/v4l2/system_calls.h"
#include "device/v4l2/v4l2_backend.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {

// USB descriptors of a UVC camera: device, configuration, interface association,
// VideoControl interface with terminals and optionally an extension unit, a VideoStreaming
// interface.
struct CameraDescriptors {
  uint8_t configurationValue = 1;
  // String indexes: the device's iProduct, the association's iFunction, the VideoControl
  // interface's iInterface (0: no string).
  uint8_t productIndex = 2;
  uint8_t functionIndex = 2;
  uint8_t interfaceIndex = 0;
  bool withAssociation = true;
  uint8_t controlInterface = 0;
  bool withUnit = true;
  Guid unitGuid;  // default: the recorder's
  uint8_t unitId = 4;
  uint32_t unitControls = 0x030000;  // selectors 17 and 18
  uint8_t unitInPins = 1;
  // Extras to prove the walk: the GUID's bytes inside a vendor descriptor of the interface,
  // and a whole unit with the GUID in another VideoControl interface.
  bool guidInVendorDescriptor = false;
  bool unitInOtherInterface = false;
  std::vector<uint8_t> Build() const;
  // The device descriptor of the first, then every configuration (as sysfs `descriptors`).
  static std::vector<uint8_t> Compose(const std::vector<CameraDescriptors>& configurations);

 private:
  void AppendConfiguration(std::vector<uint8_t>& out) const;
};

struct FixtureNode {
  std::string node = "video0";
  std::string usbPort = "1-1";  // the USB device's sysfs name; empty: not a USB device
  uint8_t interfaceNumber = 0;
  std::string product = "ZK742";  // empty: no product string
  std::string interfaceString;    // the VideoControl interface's string; empty: none
  // sysfs bConfigurationValue of the USB device ("" while unconfigured); nullopt: no file.
  std::optional<std::string> activeConfiguration = "1";
  std::vector<uint8_t> descriptors = CameraDescriptors{}.Build();
  std::string card = "ZK742: ZK742";
  uint32_t deviceCaps = 0x04200001;  // video capture, streaming, ext pix format
  std::string index = "0";
  int openErrno = 0;  // e.g. EACCES
  sim::Recorder* recorder = nullptr;
  uint8_t unitId = 4;  // the unit the node's driver knows
};

struct UvcQuery {
  std::string node;
  uint8_t unit, selector, query;
  uint16_t size;
};

class FakeSystemCalls : public v4l2::SystemCalls {
 public:
  int Open(const char* path, int flags) override;
  int Ioctl(int fd, unsigned long request, void* argument) override;
  int Flock(int fd, int operation) override;
  int Close(int fd) override;

  std::map<std::string, FixtureNode> nodesByPath;  // "/dev root/video0"
  std::map<int, std::string> openFds;
  std::vector<UvcQuery> queries;
  std::vector<std::pair<std::string, int>> flocks;  // node, operation
  int nextFd = 100;
  int forcedIoctlErrno = 0;  // UVCIOC_CTRL_QUERY fails with this when set
  bool heldByPeer = false;   // another program holds every node's flock
};

class V4l2Fixture {
 public:
  V4l2Fixture();
  void AddNode(const FixtureNode& node);
  // Without the class folder: a machine with no video driver.
  void RemoveClassFolder();
  v4l2::V4l2Options Options();
  std::string DevPath(const std::string& node) const;

  TempDir dir;
  FakeSystemCalls calls;
};

}  // namespace kavrin::test
