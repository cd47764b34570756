#pragma once
// How the command line names one recorder among several alike: `-d/--device` takes its node
// (/dev/video2), any /dev/v4l link to it, "serial:SN" or "port:1-2.3"; every report names it
// the same way.
#include <optional>
#include <string>
#include <string_view>

#include "cli/command_result.h"
#include "device/video_input.h"

namespace kavrin::cli {

class DeviceSelector {
 public:
  // nullopt with *error for "serial:" without a serial, an empty text and the like.
  static std::optional<DeviceSelector> Parse(std::string_view text, std::string* error);

  bool Matches(const VideoInput& input) const;
  const std::string& Text() const { return text_; }

 private:
  enum class Kind { kNode, kSerial, kPort };
  Kind kind_ = Kind::kNode;
  std::string value_;
  std::string text_;
};

// {"node", "port", "serial", "name"}: the recorder in every JSON document. `name` is the
// friendly name it was found by.
Json DeviceJson(const VideoInput& input);
// "/dev/video2 (serial A, port 1-2)"
std::string AddressText(const VideoInput& input);
// What tells two recorders apart for the station: the same node, port and serial is the same
// unit still plugged in.
std::string UnitKey(const VideoInput& input);

}  // namespace kavrin::cli
