#include "tests/device/v4l2_fixture.h"

#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
#include <sys/file.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "device/device_link.h"

namespace kavrin::test {
namespace {

namespace fs = std::filesystem;

void Append(std::vector<uint8_t>& out, std::initializer_list<int> bytes) {
  for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
}

void AppendGuid(std::vector<uint8_t>& out, const Guid& guid) {
  const std::array<uint8_t, 16> bytes = guid.ToBytes();
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void AppendControlInterface(std::vector<uint8_t>& out, uint8_t number, uint8_t stringIndex = 0) {
  Append(out, {9, 0x04, number, 0, 1, 0x0E, 0x01, 0, stringIndex});
  Append(out, {13, 0x24, 0x01, 0x00, 0x01, 0x40, 0x00, 0x00, 0x6C, 0xDC, 0x02, 1, number + 1});
  Append(out, {18, 0x24, 0x02, 1, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0});
}

void AppendUnit(std::vector<uint8_t>& out, const CameraDescriptors& d) {
  const std::size_t length = 24 + d.unitInPins + 3;
  Append(out, {static_cast<int>(length), 0x24, 0x06, d.unitId});
  AppendGuid(out, d.unitGuid == Guid{} ? DeviceLink::kPropertySet : d.unitGuid);
  Append(out, {2, d.unitInPins});
  for (int i = 0; i < d.unitInPins; ++i) Append(out, {1});
  Append(out, {3, static_cast<int>(d.unitControls & 0xFF),
               static_cast<int>((d.unitControls >> 8) & 0xFF),
               static_cast<int>((d.unitControls >> 16) & 0xFF), 0});
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

std::vector<uint8_t> CameraDescriptors::Build() const { return Compose({*this}); }

std::vector<uint8_t> CameraDescriptors::Compose(
    const std::vector<CameraDescriptors>& configurations) {
  std::vector<uint8_t> out;
  const CameraDescriptors& first = configurations.front();
  Append(out, {18, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 0x40, 0x34, 0x12, 0x42, 0x07, 0x00, 0x01, 1,
               first.productIndex, 0, static_cast<int>(configurations.size())});
  for (const CameraDescriptors& configuration : configurations) {
    configuration.AppendConfiguration(out);
  }
  return out;
}

void CameraDescriptors::AppendConfiguration(std::vector<uint8_t>& out) const {
  const std::size_t configAt = out.size();
  Append(out, {9, 0x02, 0, 0, 2, configurationValue, 0, 0x80, 0xFA});
  if (withAssociation) Append(out, {8, 0x0B, controlInterface, 2, 0x0E, 0x03, 0, functionIndex});
  AppendControlInterface(out, controlInterface, interfaceIndex);
  if (guidInVendorDescriptor) {
    // A vendor's own record that happens to hold the GUID's bytes: not a unit.
    Append(out, {2 + 16 + 2, 0xFF, 0x06, 4});
    AppendGuid(out, DeviceLink::kPropertySet);
  }
  if (withUnit) AppendUnit(out, *this);
  Append(out, {9, 0x24, 0x03, 3, 0x01, 0x01, 0, 2, 0});
  Append(out, {7, 0x05, 0x83, 0x03, 0x10, 0x00, 0x06});
  Append(out, {9, 0x04, static_cast<int>(controlInterface + 1), 0, 0, 0x0E, 0x02, 0, 0});
  if (unitInOtherInterface) {
    // Interface number 5: a second VideoControl interface with the recorder's unit.
    AppendControlInterface(out, 5);
    CameraDescriptors other = *this;
    other.unitId = 9;
    AppendUnit(out, other);
  }
  const std::size_t total = out.size() - configAt;
  out[configAt + 2] = static_cast<uint8_t>(total);
  out[configAt + 3] = static_cast<uint8_t>(total >> 8);
}

int FakeSystemCalls::Open(const char* path, int /*flags*/) {
  const auto found = nodesByPath.find(path);
  if (found == nodesByPath.end()) {
    errno = ENOENT;
    return -1;
  }
  if (found->second.openErrno != 0) {
    errno = found->second.openErrno;
    return -1;
  }
  openFds[nextFd] = path;
  return nextFd++;
}

int FakeSystemCalls::Ioctl(int fd, unsigned long request, void* argument) {
  const auto open = openFds.find(fd);
  if (open == openFds.end()) {
    errno = EBADF;
    return -1;
  }
  const FixtureNode& node = nodesByPath.at(open->second);
  if (request == VIDIOC_QUERYCAP) {
    auto* capability = static_cast<v4l2_capability*>(argument);
    // The kernel always ends the texts with a zero, so a card holds 31 characters at most.
    *capability = {};
    std::strncpy(reinterpret_cast<char*>(capability->card), node.card.c_str(),
                 sizeof capability->card - 1);
    std::strncpy(reinterpret_cast<char*>(capability->driver), "uvcvideo",
                 sizeof capability->driver - 1);
    capability->device_caps = node.deviceCaps;
    capability->capabilities = node.deviceCaps | V4L2_CAP_META_CAPTURE | V4L2_CAP_DEVICE_CAPS;
    return 0;
  }
  if (request == UVCIOC_CTRL_QUERY) {
    auto* query = static_cast<uvc_xu_control_query*>(argument);
    queries.push_back({node.node, query->unit, query->selector, query->query, query->size});
    // As uvcvideo answers: an unknown unit or selector ENOENT, a wrong size ENOBUFS, a
    // device that stalls EPIPE.
    int error = forcedIoctlErrno;
    if (error == 0 &&
        (query->unit != node.unitId || (query->selector != 17 && query->selector != 18)))
      error = ENOENT;
    if (error == 0 && query->size != 64) error = ENOBUFS;
    if (error == 0 && query->query != UVC_SET_CUR && query->query != UVC_GET_CUR) error = EINVAL;
    if (error == 0 && node.recorder != nullptr &&
        node.recorder->HandleTransfer(query->selector, query->query == UVC_SET_CUR,
                                      std::span<uint8_t, 64>(query->data, 64)) != 0) {
      error = EPIPE;
    }
    if (error != 0) {
      errno = error;
      return -1;
    }
    return 0;
  }
  errno = ENOTTY;
  return -1;
}

int FakeSystemCalls::Flock(int fd, int operation) {
  const auto open = openFds.find(fd);
  if (open == openFds.end()) {
    errno = EBADF;
    return -1;
  }
  flocks.emplace_back(nodesByPath.at(open->second).node, operation);
  if (heldByPeer && (operation & LOCK_EX) != 0) {
    // Held elsewhere: a blocking request would wait for ever, a polled one is refused.
    errno = EWOULDBLOCK;
    return -1;
  }
  return 0;
}

int FakeSystemCalls::Close(int fd) {
  if (openFds.erase(fd) == 0) {
    errno = EBADF;
    return -1;
  }
  return 0;
}

V4l2Fixture::V4l2Fixture() { fs::create_directories(dir / "sys/class/video4linux"); }

std::string V4l2Fixture::DevPath(const std::string& node) const {
  return (dir / "dev" / node).string();
}

void V4l2Fixture::AddNode(const FixtureNode& node) {
  // As sysfs lays it out: the node's folder under its interface, reached by a class link;
  // the USB device folder above the interface holds product and descriptors.
  const fs::path devices = dir / "sys/devices/pci0000:00/usb1";
  const fs::path usbDevice = devices / (node.usbPort.empty() ? "platform-cam" : node.usbPort);
  const std::string interfaceName =
      node.usbPort.empty() ? "cam0" : node.usbPort + ":1." + std::to_string(node.interfaceNumber);
  const fs::path interface = usbDevice / interfaceName;
  const fs::path nodeFolder = interface / "video4linux" / node.node;
  fs::create_directories(nodeFolder);
  if (!node.usbPort.empty()) {
    char number[8];
    std::snprintf(number, sizeof number, "%02x\n", node.interfaceNumber);
    WriteFile(interface / "bInterfaceNumber", number);
    WriteFile(usbDevice / "descriptors",
              std::string(node.descriptors.begin(), node.descriptors.end()));
    if (!node.product.empty()) WriteFile(usbDevice / "product", node.product + "\n");
    if (!node.serial.empty()) WriteFile(usbDevice / "serial", node.serial + "\n");
    if (!node.interfaceString.empty()) {
      WriteFile(interface / "interface", node.interfaceString + "\n");
    }
    if (node.activeConfiguration) {
      WriteFile(usbDevice / "bConfigurationValue", *node.activeConfiguration + "\n");
    }
  }
  WriteFile(nodeFolder / "name", node.card + "\n");
  WriteFile(nodeFolder / "index", node.index + "\n");
  fs::create_directory_symlink(fs::relative(interface, nodeFolder), nodeFolder / "device");
  fs::create_directory_symlink(fs::relative(nodeFolder, dir / "sys/class/video4linux"),
                               dir / "sys/class/video4linux" / node.node);
  calls.nodesByPath[DevPath(node.node)] = node;
}

void V4l2Fixture::AddLink(const std::string& kind, const std::string& name,
                          const std::string& node) {
  const fs::path folder = dir / "dev/v4l" / kind;
  fs::create_directories(folder);
  fs::create_symlink(fs::path("../..") / node, folder / name);
}

void V4l2Fixture::RemoveClassFolder() { fs::remove_all(dir / "sys/class"); }

v4l2::V4l2Options V4l2Fixture::Options() {
  v4l2::V4l2Options options;
  options.sysfsRoot = dir / "sys";
  options.devRoot = dir / "dev";
  options.calls = &calls;
  return options;
}

}  // namespace kavrin::test
