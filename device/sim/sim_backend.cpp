#include "device/sim/sim_backend.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <span>

#include "config/text_codec.h"
#include "device/device_link.h"
#include "device/sim/recorder.h"
#include "device/sim/state_store.h"

namespace kavrin::sim {
namespace {

// One attached simulated recorder. The state lives in the file, not here: every transfer
// reads it afresh, so that other programs' changes and the user's edits count at once. What
// stays with the channel is what a recorder keeps for the command in progress: the staged
// chunks and the unread answer (no other program can come between, since a command holds
// the store's lock).
class SimChannel : public PropertyChannel {
 public:
  SimChannel(const std::string& path, RecorderState state, std::chrono::milliseconds lockWait)
      : store_(path, lockWait), state_(std::move(state)), recorder_(state_) {}

  int32_t TransferProperty(const Guid& propertySet, uint32_t nodeId, uint32_t selector, bool isSet,
                           uint8_t* data, uint32_t length) override {
    // What the platform itself refuses never reaches the recorder and is not counted.
    if (!(propertySet == DeviceLink::kPropertySet) || nodeId != DeviceLink::kNodeId ||
        length != DeviceLink::kPacketSize || data == nullptr) {
      return kStatusFail;
    }
    int32_t status = kStatusFail;
    const StateStore::Outcome outcome = store_.Update([&](RecorderState& fresh) {
      state_ = std::move(fresh);
      status = recorder_.HandleTransfer(selector, isSet, std::span<uint8_t, 64>(data, 64));
      fresh = state_;
      // A recorder that has left the bus changes nothing.
      return !(status == kRecorderGone && recorder_.Vanished());
    });
    switch (outcome) {
      case StateStore::Outcome::kSaved:
      case StateStore::Outcome::kUnchanged:
        return status;
      case StateStore::Outcome::kAbsent:
        return kRecorderGone;  // unplugged by removing the file
      case StateStore::Outcome::kBusy:
        return StatusFromErrno(EBUSY);
      case StateStore::Outcome::kUnusable:
      case StateStore::Outcome::kNotSaved:
        break;  // the file is the recorder's memory: a change that cannot be kept failed
    }
    return kStatusFail;
  }

  bool Lock() override { return store_.Lock(); }
  void Unlock() override { store_.Unlock(); }
  std::string LockProblem() const override { return store_.LockProblem(); }

 private:
  StateStore store_;
  RecorderState state_;
  Recorder recorder_;
};

}  // namespace

bool IsRecorderFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

bool IsRecorderFileName(const std::string& fileName) {
  return fileName.size() > 5 && fileName[0] != '.' &&
         fileName.compare(fileName.size() - 5, 5, ".json") == 0;
}

std::vector<std::string> RecorderFilesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code typeError;
    if (IsRecorderFileName(it->path().filename().string()) && it->is_regular_file(typeError)) {
      files.push_back(it->path().string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

SimBackend::SimBackend(std::string statePath, std::chrono::milliseconds lockWait)
    : statePath_(std::move(statePath)), lockWait_(lockWait) {}

std::optional<std::vector<VideoInput>> SimBackend::ListVideoInputs() {
  problem_.clear();
  std::vector<VideoInput> inputs;
  if (IsRecorderFolder(statePath_)) {
    for (const std::string& file : RecorderFilesIn(statePath_)) AddRecorder(file, &inputs);
    if (inputs.empty() && problem_.empty()) {
      problem_ = "no simulated recorder: no *.json file in " + statePath_;
    }
    return inputs;
  }
  if (!StateFilePresent(statePath_)) {
    problem_ = "no simulated recorder: " + statePath_ + " does not exist";
    return inputs;
  }
  AddRecorder(statePath_, &inputs);
  return inputs;
}

void SimBackend::AddRecorder(const std::string& path, std::vector<VideoInput>* inputs) {
  const auto addProblem = [this](const std::string& text) {
    problem_ += (problem_.empty() ? "" : "; ") + text;
  };
  std::string error;
  std::optional<RecorderState> state = LoadState(path, &error);
  if (!state) {
    addProblem("the simulated recorder's state file is unusable: " + error);
    return;
  }
  if (Recorder(*state).Vanished()) {
    addProblem("the simulated recorder has vanished (faults.vanishAfter in " + path + ")");
    return;
  }
  VideoInput input{FromUtf8(state->friendlyName), path};
  input.serial =
      state->serial.empty() ? std::filesystem::path(path).stem().string() : state->serial;
  input.port = state->port;
  inputs->push_back(std::move(input));
}

std::unique_ptr<PropertyChannel> SimBackend::Bind(const VideoInput& input) {
  std::optional<RecorderState> state = LoadState(input.location);
  if (!state || Recorder(*state).Vanished() || state->faults.refuseBind) return nullptr;
  return std::make_unique<SimChannel>(input.location, std::move(*state), lockWait_);
}

InputDiagnosis SimBackend::Diagnose(const VideoInput& input) {
  InputDiagnosis diagnosis;
  std::string error;
  diagnosis.opened = diagnosis.unitFound = LoadState(input.location, &error).has_value();
  diagnosis.detail = diagnosis.opened ? "simulated recorder (" + input.location + ")" : error;
  return diagnosis;
}

}  // namespace kavrin::sim
