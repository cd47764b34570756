#include "tests/vm/guest/plugged_camera.h"

#include <fcntl.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "device/v4l2/v4l2_backend.h"
#include "tests/vm/camera/zk742_descriptors.h"

namespace kavrin::vm {
namespace {

using namespace std::chrono_literals;
constexpr auto kAppearWithin = 30s;  // enumeration under software emulation
constexpr auto kVanishWithin = 15s;
constexpr auto kPollInterval = 50ms;

bool WaitFor(const auto& condition, std::chrono::steady_clock::duration within) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

// A GET_INFO on the recorder's unit: the camera handles requests in order, so its answer
// means that every earlier request has been handled and its state saved.
bool WaitForCameraToCatchUp(const std::string& node) {
  const int fd = open(node.c_str(), O_RDWR);
  if (fd < 0) return false;
  uint8_t info = 0;
  uvc_xu_control_query query{};
  query.unit = kRecorderUnitId;
  query.selector = kSelectorCommand;
  query.query = UVC_GET_INFO;
  query.size = 1;
  query.data = &info;
  const bool answered = ioctl(fd, UVCIOC_CTRL_QUERY, &query) == 0;
  close(fd);
  return answered;
}

}  // namespace

std::optional<VideoInput> FindCameraInput(const std::u16string& listedAs,
                                          const std::string& serial) {
  v4l2::V4l2Backend backend;
  if (auto inputs = backend.ListVideoInputs()) {
    for (const VideoInput& input : *inputs) {
      if (input.friendlyName == listedAs && (serial.empty() || input.serial == serial)) {
        return input;
      }
    }
  }
  return std::nullopt;
}

PluggedCamera::PluggedCamera(const GuestSetup& setup, const CameraPlug& plug, CheckLog& log)
    : log_(log), listedAs_(plug.listedAs), serial_(plug.serial) {
  const std::string mode(CameraModeName(plug.mode));
  const std::string label = plug.label.empty() ? mode : plug.label;
  statePath_ = setup.work + "/state-" + label + ".json";
  reportPath_ = setup.work + "/report-" + label + ".json";
  logPath_ = setup.work + "/camera-" + label + ".log";
  std::filesystem::copy_file(plug.stateTemplate.empty() ? setup.stateTemplate : plug.stateTemplate,
                             statePath_, std::filesystem::copy_options::overwrite_existing);
  std::vector<std::string> command = {setup.cameraProgram, "--state", statePath_, "--report",
                                      reportPath_,         "--mode",  mode};
  if (plug.usbipPort >= 0) {
    command.insert(command.end(), {"--usbip", std::to_string(plug.usbipPort)});
  } else {
    command.insert(command.end(), {"--gadget", setup.gadget});
  }
  if (!plug.serial.empty()) command.insert(command.end(), {"--serial", plug.serial});
  if (plug.vanishInside > 0) {
    command.insert(command.end(), {"--vanish-inside", std::to_string(plug.vanishInside)});
  }
  if (plug.answerLateMs > 0)
    command.insert(command.end(), {"--answer-late", std::to_string(plug.answerLateMs)});
  if (plug.commitLateMs > 0)
    command.insert(command.end(), {"--commit-late", std::to_string(plug.commitLateMs)});
  if (!plug.function.empty()) {
    command.push_back("--function");
    command.push_back(plug.function);
  }
  process_ = std::make_unique<BackgroundProcess>(command, logPath_);
  WaitForCamera();
}

void PluggedCamera::WaitForCamera() {
  const bool appeared = WaitFor(
      [&] {
        input_ = FindCameraInput(listedAs_, serial_);
        return input_.has_value() || !process_->Running();
      },
      kAppearWithin);
  log_.Check(appeared && input_.has_value(),
             "the camera is plugged in and listed as \"" +
                 std::string(listedAs_.begin(), listedAs_.end()) + "\"" +
                 (serial_.empty() ? std::string() : " with serial " + serial_) +
                 (input_ ? " at " + input_->location : std::string()));
  if (!input_) ShowLog();
}

PluggedCamera::~PluggedCamera() {
  process_->Stop(3s);
  // The report as the camera last wrote it: what it lost is the rig's, not the tool's.
  const nlohmann::json report = nlohmann::json::parse(ReadTextFile(reportPath_), nullptr, false);
  const uint64_t lost = report.is_object() ? report.value("lostRequests", uint64_t{0}) : 0;
  if (lost > 0) log_.Note("rig: the camera lost " + std::to_string(lost) + " request(s)");
  log_.AddRigLosses(lost);
  const bool gone =
      WaitFor([this] { return !FindCameraInput(listedAs_, serial_).has_value(); }, kVanishWithin);
  log_.Check(gone, "the camera is unplugged and no longer listed");
}

std::optional<sim::RecorderState> PluggedCamera::RecorderState() {
  if (process_->Running() && (!input_ || !WaitForCameraToCatchUp(input_->location))) {
    log_.Note("the camera did not answer the GET_INFO that waits for it");
  }
  std::string error;
  std::optional<sim::RecorderState> state = sim::LoadState(statePath_, &error);
  if (!state) log_.Note("cannot read the recorder's state: " + error);
  return state;
}

nlohmann::json PluggedCamera::Report() {
  if (input_ && process_->Running()) WaitForCameraToCatchUp(input_->location);
  return nlohmann::json::parse(ReadTextFile(reportPath_), nullptr, false);
}

std::string PluggedCamera::LogText() const { return ReadTextFile(logPath_); }

void PluggedCamera::ShowLog() {
  log_.Note("---- " + logPath_);
  std::printf("%s", ReadTextFile(logPath_).c_str());
  std::fflush(stdout);
}

}  // namespace kavrin::vm
