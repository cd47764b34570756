#include "cli/recorder_address.h"
#include "cli/printable_text.h"

#include <algorithm>
#include <filesystem>

#include "config/file_util.h"
#include "config/text_codec.h"

namespace kavrin::cli {
namespace {

// A node given by any of its names: the same path, one of its links, or a path that resolves
// to the same file (a relative path, a link the backend did not list).
bool SameNode(const std::string& given, const VideoInput& input) {
  if (given == input.location) return true;
  if (std::find(input.links.begin(), input.links.end(), given) != input.links.end()) return true;
  std::error_code ec1, ec2;
  const std::filesystem::path a = std::filesystem::weakly_canonical(PathFromUtf8(given), ec1);
  const std::filesystem::path b =
      std::filesystem::weakly_canonical(PathFromUtf8(input.location), ec2);
  return !ec1 && !ec2 && a == b;
}

}  // namespace

std::optional<DeviceSelector> DeviceSelector::Parse(std::string_view text, std::string* error) {
  DeviceSelector selector;
  selector.text_ = std::string(text);
  auto prefixed = [&](std::string_view prefix, Kind kind) {
    if (text.substr(0, prefix.size()) != prefix) return false;
    selector.kind_ = kind;
    selector.value_ = std::string(text.substr(prefix.size()));
    return true;
  };
  if (!prefixed("serial:", Kind::kSerial) && !prefixed("port:", Kind::kPort)) {
    selector.kind_ = Kind::kNode;
    selector.value_ = std::string(text);
  }
  if (selector.value_.empty()) {
    *error = "--device \"" + std::string(text) +
             "\" names no recorder: give a node (/dev/video2), a /dev/v4l link, serial:SN or "
             "port:1-2.3";
    return std::nullopt;
  }
  return selector;
}

bool DeviceSelector::Matches(const VideoInput& input) const {
  switch (kind_) {
    case Kind::kSerial:
      return input.serial == value_;
    case Kind::kPort:
      return input.port == value_;
    case Kind::kNode:
      return SameNode(value_, input);
  }
  return false;
}

Json DeviceJson(const VideoInput& input) {
  Json device = Json::object();
  device["node"] = input.location;
  device["port"] = input.port;
  device["serial"] = input.serial;
  device["name"] = ToUtf8(input.friendlyName);
  return device;
}

std::string AddressText(const VideoInput& input) {
  std::string text = input.location;
  std::string details;
  if (!input.serial.empty()) details = "serial " + input.serial;
  if (!input.port.empty())
    details += (details.empty() ? "" : ", ") + std::string("port ") + input.port;
  if (!details.empty()) text += " (" + details + ")";
  return PrintableText(text);
}

std::string UnitKey(const VideoInput& input) {
  return input.location + '\n' + input.port + '\n' + input.serial;
}

}  // namespace kavrin::cli
