#include "device/v4l2/v4l2_backend.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/file.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "config/text_codec.h"
#include "device/device_link.h"
#include "device/v4l2/camera_names.h"
#include "device/v4l2/usb_address.h"
#include "device/v4l2/uvc_channel.h"
#include "device/v4l2/uvc_descriptors.h"

namespace kavrin::v4l2 {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kMaxDescriptorsSize = 64 * 1024;

// A sysfs attribute's text without its trailing newline; empty when absent.
std::string ReadAttribute(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return {};
  std::string text;
  std::getline(in, text, '\0');
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.size() > 4096 ? std::string() : text;
}

std::vector<uint8_t> ReadDescriptors(const fs::path& path) {
  // sysfs reports a size that is not the content's; cap what is read instead.
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return {};
  std::vector<uint8_t> bytes;
  char c;
  while (bytes.size() < kMaxDescriptorsSize && in.get(c)) bytes.push_back(static_cast<uint8_t>(c));
  return bytes;
}

// "video12" -> 12; -1 for anything else.
long NodeNumber(const std::string& name) {
  if (name.size() <= 5 || name.compare(0, 5, "video") != 0 || name.size() > 14) return -1;
  long number = 0;
  for (std::size_t i = 5; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

// sysfs `bConfigurationValue`: empty while the device is unconfigured. Without the file (an
// old kernel) the first configuration stands in.
int ActiveConfigurationValue(const fs::path& usbDevice, const std::vector<uint8_t>& descriptors) {
  std::error_code ec;
  if (!fs::exists(usbDevice / "bConfigurationValue", ec)) {
    const std::size_t first = descriptors.empty() ? 0 : descriptors[0];
    return first + 5 < descriptors.size() ? descriptors[first + 5] : -1;
  }
  const std::string text = ReadAttribute(usbDevice / "bConfigurationValue");
  if (text.empty() || text.size() > 3) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value <= 255 ? value : -1;
}

int ParseHexByte(const std::string& text) {
  if (text.empty() || text.size() > 2) return -1;
  int value = 0;
  for (char c : text) {
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

}  // namespace

struct V4l2Backend::UnitLookup {
  bool found = false;
  uint8_t unitId = 0;
  std::string detail;
};

V4l2Backend::V4l2Backend() : V4l2Backend(V4l2Options{}) {}

V4l2Backend::V4l2Backend(V4l2Options options)
    : options_(std::move(options)),
      calls_(options_.calls != nullptr ? *options_.calls : RealSystemCalls()) {
  if (options_.unitGuid == Guid{}) options_.unitGuid = DeviceLink::kPropertySet;
}

fs::path V4l2Backend::ClassFolder() const { return options_.sysfsRoot / "class" / "video4linux"; }

NodeProbe V4l2Backend::Probe(const std::string& nodeName) {
  NodeProbe probe;
  probe.name = nodeName;
  probe.devicePath = (options_.devRoot / nodeName).string();
  const fs::path nodeFolder = ClassFolder() / nodeName;

  // The interface folder owns the node; its parent is the USB device with the product
  // string and the descriptors.
  std::error_code ec;
  CameraStrings strings;
  const fs::path interfaceFolder = fs::canonical(nodeFolder / "device", ec);
  if (!ec) {
    probe.interfaceNumber = ParseHexByte(ReadAttribute(interfaceFolder / "bInterfaceNumber"));
    if (probe.interfaceNumber >= 0 &&
        fs::exists(interfaceFolder.parent_path() / "descriptors", ec)) {
      probe.usbDevice = interfaceFolder.parent_path();
      probe.descriptors = ReadDescriptors(probe.usbDevice / "descriptors");
      probe.configurationValue = ActiveConfigurationValue(probe.usbDevice, probe.descriptors);
      strings.product = ReadAttribute(probe.usbDevice / "product");
      strings.interface = ReadAttribute(interfaceFolder / "interface");
      strings.indexes = FindFunctionStrings(
          probe.descriptors, ActiveConfiguration(probe.descriptors, probe.configurationValue),
          static_cast<uint8_t>(probe.interfaceNumber));
    }
  }

  std::string card;
  const int fd = calls_.Open(probe.devicePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    probe.openable = true;
    v4l2_capability capability{};
    if (calls_.Ioctl(fd, VIDIOC_QUERYCAP, &capability) == 0) {
      // device_caps is this node's own; capabilities covers the whole device.
      const uint32_t caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) != 0
                                ? capability.device_caps
                                : capability.capabilities;
      probe.capture = (caps & V4L2_CAP_VIDEO_CAPTURE) != 0;
      card.assign(reinterpret_cast<const char*>(capability.card),
                  strnlen(reinterpret_cast<const char*>(capability.card), sizeof capability.card));
    }
    calls_.Close(fd);
  } else {
    probe.openErrno = errno;
    probe.permissionDenied = errno == EACCES || errno == EPERM;
    // Without access the capabilities cannot be asked: uvcvideo numbers a camera's capture
    // node 0 and its metadata node 1, which sysfs shows as `index`.
    const std::string index = ReadAttribute(nodeFolder / "index");
    probe.capture = probe.permissionDenied && (index.empty() || index == "0");
    card = ReadAttribute(nodeFolder / "name");
  }

  strings.card = card;
  probe.names = CameraNames(strings);
  probe.friendlyName = probe.names.front().text;
  return probe;
}

std::optional<std::vector<VideoInput>> V4l2Backend::ListVideoInputs() {
  problem_.clear();
  std::error_code ec;
  if (!fs::is_directory(ClassFolder(), ec)) {
    problem_ = ClassFolder().string() +
               " does not exist (no camera is connected, or no video driver is loaded)";
    return std::nullopt;
  }
  std::vector<std::pair<long, std::string>> nodes;
  for (fs::directory_iterator it(ClassFolder(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (const long number = NodeNumber(name); number >= 0) nodes.emplace_back(number, name);
  }
  std::sort(nodes.begin(), nodes.end());
  std::vector<VideoInput> inputs;
  for (const auto& [number, name] : nodes) {
    const NodeProbe probe = Probe(name);
    if (!probe.capture) continue;
    VideoInput input{probe.friendlyName, probe.devicePath, probe.names};
    AddAddress(probe, &input);
    inputs.push_back(std::move(input));
  }
  if (inputs.empty()) problem_ = "no video capture devices under " + ClassFolder().string();
  return inputs;
}

void V4l2Backend::AddAddress(const NodeProbe& probe, VideoInput* input) const {
  if (!probe.usbDevice.empty()) {
    input->port = UsbPortPath(probe.usbDevice);
    input->serial = UsbSerial(probe.usbDevice);
  }
  input->links = V4lLinksTo(options_.devRoot, probe.devicePath);
}

std::string V4l2Backend::NodeNameOf(const VideoInput& input) const {
  return fs::path(input.location).filename().string();
}

V4l2Backend::UnitLookup V4l2Backend::LookUpUnit(const NodeProbe& probe) const {
  UnitLookup lookup;
  if (probe.usbDevice.empty()) {
    lookup.detail = "not a USB video device (no USB descriptors in sysfs)";
    return lookup;
  }
  // Only the configuration in force counts: another one's unit is not there to talk to.
  const std::span<const uint8_t> configuration =
      ActiveConfiguration(probe.descriptors, probe.configurationValue);
  if (configuration.empty()) {
    lookup.detail = probe.configurationValue < 0
                        ? "the USB device is not configured (no bConfigurationValue)"
                        : "no configuration " + std::to_string(probe.configurationValue) +
                              " in the USB descriptors";
    return lookup;
  }
  const ExtensionUnitSearch search =
      FindExtensionUnit(configuration, static_cast<uint8_t>(probe.interfaceNumber),
                        options_.unitGuid, kRecorderSelectors);
  lookup.found = search.outcome == ExtensionUnitSearch::Outcome::kFound;
  lookup.unitId = search.unitId;
  lookup.detail = DescribeOutcome(search);
  return lookup;
}

std::unique_ptr<PropertyChannel> V4l2Backend::Bind(const VideoInput& input) {
  const NodeProbe probe = Probe(NodeNameOf(input));
  // A camera that carries the name but not the recorder's unit cannot be the recorder.
  const UnitLookup unit = LookUpUnit(probe);
  if (!probe.openable || !unit.found) return nullptr;
  const int fd = calls_.Open(probe.devicePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<UvcChannel>(calls_, fd, unit.unitId, options_.unitGuid,
                                      options_.lockWait);
}

InputDiagnosis V4l2Backend::Diagnose(const VideoInput& input) {
  const NodeProbe probe = Probe(NodeNameOf(input));
  InputDiagnosis diagnosis;
  diagnosis.opened = probe.openable;
  diagnosis.permissionDenied = probe.permissionDenied;
  const UnitLookup unit = LookUpUnit(probe);
  diagnosis.unitFound = unit.found;
  if (unit.found) diagnosis.unitId = unit.unitId;
  diagnosis.detail = unit.detail;
  if (probe.permissionDenied) {
    diagnosis.detail = "permission denied opening " + probe.devicePath + "; " + unit.detail;
  } else if (!probe.openable) {
    diagnosis.detail = "cannot open " + probe.devicePath + ": " + std::strerror(probe.openErrno) +
                       "; " + unit.detail;
  }
  return diagnosis;
}

}  // namespace kavrin::v4l2
