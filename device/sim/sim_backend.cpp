#include "device/sim/sim_backend.h"

#include <filesystem>
#include <span>

#include "config/text_codec.h"
#include "device/device_link.h"
#include "device/sim/recorder.h"

namespace kavrin::sim {
namespace {

bool StateFilePresent(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// One attached simulated recorder: the state read at bind time and the recorder logic on it.
class SimChannel : public PropertyChannel {
 public:
  SimChannel(std::string path, RecorderState state)
      : path_(std::move(path)), state_(std::move(state)), recorder_(state_) {}

  int32_t TransferProperty(const Guid& propertySet, uint32_t nodeId, uint32_t selector, bool isSet,
                           uint8_t* data, uint32_t length) override {
    // Unplugged: removing the file takes the device away, and the file must not come back
    // by our own save.
    if (!StateFilePresent(path_)) return kRecorderGone;
    // What the platform itself refuses never reaches the recorder and is not counted.
    if (!(propertySet == DeviceLink::kPropertySet) || nodeId != DeviceLink::kNodeId ||
        length != DeviceLink::kPacketSize || data == nullptr) {
      return kStatusFail;
    }
    const int32_t status =
        recorder_.HandleTransfer(selector, isSet, std::span<uint8_t, 64>(data, 64));
    if (status == kRecorderGone && recorder_.Vanished()) return status;  // nothing changed
    // The file is the recorder's memory: a change that could not be kept is a failure.
    if (!SaveState(path_, state_)) return kStatusFail;
    return status;
  }

 private:
  std::string path_;
  RecorderState state_;
  Recorder recorder_;
};

}  // namespace

SimBackend::SimBackend(std::string statePath) : statePath_(std::move(statePath)) {}

std::optional<std::vector<VideoInput>> SimBackend::ListVideoInputs() {
  problem_.clear();
  std::vector<VideoInput> inputs;
  if (!StateFilePresent(statePath_)) {
    problem_ = "no simulated recorder: " + statePath_ + " does not exist";
    return inputs;
  }
  std::string error;
  std::optional<RecorderState> state = LoadState(statePath_, &error);
  if (!state) {
    problem_ = "the simulated recorder's state file is unusable: " + error;
    return inputs;
  }
  if (Recorder(*state).Vanished()) {
    problem_ = "the simulated recorder has vanished (faults.vanishAfter in " + statePath_ + ")";
    return inputs;
  }
  inputs.push_back(VideoInput{FromUtf8(state->friendlyName), statePath_});
  return inputs;
}

std::unique_ptr<PropertyChannel> SimBackend::Bind(const VideoInput& input) {
  std::optional<RecorderState> state = LoadState(input.location);
  if (!state || Recorder(*state).Vanished() || state->faults.refuseBind) return nullptr;
  return std::make_unique<SimChannel>(input.location, std::move(*state));
}

InputDiagnosis SimBackend::Diagnose(const VideoInput& input) {
  InputDiagnosis diagnosis;
  std::string error;
  diagnosis.opened = diagnosis.unitFound = LoadState(input.location, &error).has_value();
  diagnosis.detail = diagnosis.opened ? "simulated recorder (" + input.location + ")" : error;
  return diagnosis;
}

}  // namespace kavrin::sim
