#pragma once
// Linux video inputs: the V4L2 capture nodes under /sys/class/video4linux, named as the
// platform names camera functions (function, interface or product string: camera_names.h),
// and transfers on the recorder's extension unit through uvcvideo's UVCIOC_CTRL_QUERY.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "device/bounded_wait.h"

#include "device/v4l2/system_calls.h"
#include "device/video_input.h"

namespace kavrin::v4l2 {

struct V4l2Options {
  std::filesystem::path sysfsRoot = "/sys";
  std::filesystem::path devRoot = "/dev";  // the nodes and their /dev/v4l links
  SystemCalls* calls = nullptr;            // null: the real ones
  Guid unitGuid;                           // the extension unit to bind to; default: the recorder's
  // How long a command waits for another program that holds the node.
  std::chrono::milliseconds lockWait = kRecorderLockWait;
};

// What the tree and the node say about one videoN.
struct NodeProbe {
  std::string name;        // "video0"
  std::string devicePath;  // "/dev/video0"
  bool openable = false;
  bool permissionDenied = false;
  int openErrno = 0;
  bool capture = false;              // device_caps includes video capture
  std::u16string friendlyName;       // the best of names
  std::vector<InputName> names;      // every name it answers to, best first
  std::filesystem::path usbDevice;   // sysfs folder of the owning USB device; empty if none
  int interfaceNumber = -1;          // the node's bInterfaceNumber
  std::vector<uint8_t> descriptors;  // the USB device's descriptors (all configurations)
  int configurationValue = -1;       // the active configuration's value; -1: none
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

}  // namespace kavrin::v4l2
