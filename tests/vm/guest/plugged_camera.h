#pragma once
// One plug-in of the emulated camera for a scenario: starts zk742_camera in a mode on a fresh
// copy of the recorder's state, waits until the V4L2 backend lists it, and on destruction
// unplugs it and waits until its node is gone. Every wait is bounded.
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "device/sim/recorder.h"
#include "device/video_input.h"
#include "tests/vm/camera/zk742_camera.h"
#include "tests/vm/guest/check_log.h"
#include "tests/vm/guest/guest_process.h"

namespace kavrin::vm {

struct GuestSetup {
  std::string cameraProgram;
  std::string kavrinProgram;
  std::string gadget;         // the UDC's ep0 file in gadgetfs
  std::string stateTemplate;  // the recorder's state at plug-in
  std::string work;           // a writable folder
  std::string udevRule;       // the project's udev rule for the recorder's node
};

// Which camera to plug in: its mode, the recorder's state at plug-in (the setup's template
// unless given) and a name for its files.
struct CameraPlug {
  CameraMode mode = CameraMode::kSound;
  std::string label = {};          // default: the mode's name
  std::string stateTemplate = {};  // default: the setup's
  std::string function = {};       // the interface association's name; empty: none
  // The name the backend lists the camera under (its function's, else its product's).
  std::u16string listedAs = u"ZK742";
  // Plugged in through USB/IP on this port of vhci_hcd (-1: gadgetfs on dummy_hcd), where
  // several cameras can be on the bus at once, told apart by their serial strings.
  int usbipPort = -1;
  std::string serial = {};  // empty: the camera's own
  // The camera leaves the bus inside this transfer to the recorder, unanswered; 0: never.
  uint64_t vanishInside = 0;
  // GETs on the command selector answered this late; commits completed this late (USB/IP).
  int answerLateMs = 0;
  int commitLateMs = 0;
};

class PluggedCamera {
 public:
  PluggedCamera(const GuestSetup& setup, const CameraPlug& plug, CheckLog& log);
  ~PluggedCamera();
  PluggedCamera(const PluggedCamera&) = delete;
  PluggedCamera& operator=(const PluggedCamera&) = delete;

  bool Present() const { return input_.has_value(); }
  // The camera's program has ended: the camera is off the bus.
  bool LeftTheBus() { return !process_->Running(); }
  const VideoInput& Input() const { return *input_; }
  // The recorder's state and the camera's report once the camera has finished every request
  // sent so far (it answers a GET_INFO only after everything before it).
  std::optional<sim::RecorderState> RecorderState();
  nlohmann::json Report();
  // The camera's own log, shown when a check failed.
  void ShowLog();
  std::string LogText() const;

 private:
  void WaitForCamera();

  CheckLog& log_;
  std::unique_ptr<BackgroundProcess> process_;
  std::string statePath_;
  std::string reportPath_;
  std::string logPath_;
  std::optional<VideoInput> input_;
  std::u16string listedAs_;
  std::string serial_;
};

// The capture input with that friendly name (and serial string, when one is given) that the
// V4L2 backend lists, if any.
std::optional<VideoInput> FindCameraInput(const std::u16string& listedAs = u"ZK742",
                                          const std::string& serial = {});

}  // namespace kavrin::vm
