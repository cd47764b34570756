#pragma once
// Linux video inputs: the V4L2 capture nodes under /sys/class/video4linux, named as the
// platform names cameras (the USB product string), and transfers on the recorder's extension
// unit through uvcvideo's UVCIOC_CTRL_QUERY.
#include <filesystem>
#include <string>

#include "device/v4l2/system_calls.h"
#include "device/video_input.h"

namespace kavrin::v4l2 {

struct V4l2Options {
  std::filesystem::path sysfsRoot = "/sys";
  std::filesystem::path devRoot = "/dev";  // the nodes and their /dev/v4l links
  SystemCalls* calls = nullptr;  // null: the real ones
  Guid unitGuid;                 // the extension unit to bind to; default: the recorder's
};

// What the tree and the node say about one videoN.
struct NodeProbe {
  std::string name;        // "video0"
  std::string devicePath;  // "/dev/video0"
  bool openable = false;
  bool permissionDenied = false;
  int openErrno = 0;
  bool capture = false;  // device_caps includes video capture
  std::u16string friendlyName;
  std::filesystem::path usbDevice;  // sysfs folder of the owning USB device; empty if none
  int interfaceNumber = -1;         // the node's bInterfaceNumber
};

class V4l2Backend : public VideoInputBackend {
 public:
  V4l2Backend();
  explicit V4l2Backend(V4l2Options options);

  std::optional<std::vector<VideoInput>> ListVideoInputs() override;
  std::unique_ptr<PropertyChannel> Bind(const VideoInput& input) override;
  InputDiagnosis Diagnose(const VideoInput& input) override;
  std::string ListProblem() const override { return problem_; }

  NodeProbe Probe(const std::string& nodeName);

 private:
  std::filesystem::path ClassFolder() const;
  std::string NodeNameOf(const VideoInput& input) const;
  // The node's port path, serial and /dev/v4l links.
  void AddAddress(const NodeProbe& probe, VideoInput* input) const;
  // The extension unit's search for a probed node.
  struct UnitLookup;
  UnitLookup LookUpUnit(const NodeProbe& probe) const;

  V4l2Options options_;
  SystemCalls& calls_;
  std::string problem_;
};

// The friendly name from a V4L2 card name: up to any ": " that uvcvideo appends.
std::u16string FriendlyNameFromCard(std::string_view card);

}  // namespace kavrin::v4l2
