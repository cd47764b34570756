#include "tests/vm/camera/zk742_camera.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include <nlohmann/json.hpp>

namespace kavrin::vm {
namespace {

// Standard requests.
constexpr uint8_t kGetStatus = 0x00, kClearFeature = 0x01, kSetFeature = 0x03,
                  kGetDescriptor = 0x06, kSetConfiguration = 0x09, kGetInterface = 0x0A,
                  kSetInterface = 0x0B;
constexpr uint8_t kStringDescriptorType = 0x03;
// Video class requests.
constexpr uint8_t kSetCur = 0x01, kGetCur = 0x81, kGetMin = 0x82, kGetMax = 0x83, kGetRes = 0x84,
                  kGetLen = 0x85, kGetInfo = 0x86, kGetDef = 0x87;
constexpr uint8_t kInfoGetAndSet = 0x03, kInfoGetOnly = 0x01;
constexpr uint8_t kRequestErrorCodeControl = 0x02;  // on the VideoControl interface itself
constexpr uint8_t kProbeControl = 0x01, kCommitControl = 0x02;
// bRequestErrorCode values.
constexpr uint8_t kErrorNone = 0x00, kErrorInvalidControl = 0x06, kErrorInvalidRequest = 0x07;
// What the recorder's packets carry (bytes 0-3 request, 4-7 command).
constexpr uint32_t kToHost = 1;
constexpr uint32_t kCmdSettingsData = 2, kCmdEngineTest = 9;
constexpr std::size_t kShortReadLength = 32;
constexpr uint16_t kWrongControlLength = 40;

uint32_t Le32(std::span<const uint8_t> bytes, std::size_t at) {
  return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<uint32_t>(bytes[at + 2]) << 16) |
         (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

void ReplyLe16(ControlPipe& pipe, uint16_t v) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  pipe.Reply(bytes);
}

void ReplyByte(ControlPipe& pipe, uint8_t v) { pipe.Reply(std::span<const uint8_t>(&v, 1)); }

// Passes each answer on and remembers whether the transport lost the request, so that a loss
// is counted in one place however the request was finished.
class WatchedPipe : public ControlPipe {
 public:
  explicit WatchedPipe(ControlPipe& inner) : inner_(inner) {}
  bool Reply(std::span<const uint8_t> data) override { return Note(inner_.Reply(data)); }
  std::optional<std::vector<uint8_t>> ReceiveData(std::size_t length) override {
    std::optional<std::vector<uint8_t>> data = inner_.ReceiveData(length);
    Note(data.has_value());
    return data;
  }
  bool Acknowledge() override { return Note(inner_.Acknowledge()); }
  bool Stall() override { return Note(inner_.Stall()); }
  bool Lost() const { return lost_; }

 private:
  bool Note(bool finished) {
    lost_ = lost_ || !finished;
    return finished;
  }
  ControlPipe& inner_;
  bool lost_ = false;
};

}  // namespace

bool IsRecorderTransfer(const SetupPacket& setup) {
  const uint8_t selector = static_cast<uint8_t>(setup.value >> 8);
  return setup.IsClass() && setup.ToInterface() &&
         (setup.request == kGetCur || setup.request == kSetCur) &&
         (setup.index & 0xFF) == kVideoControlInterface && (setup.index >> 8) == kRecorderUnitId &&
         (selector == kSelectorCommand || selector == kSelectorCommit);
}

int RecorderTransferDelay(const SetupPacket& setup, int answerLateMs, int commitLateMs) {
  if (!IsRecorderTransfer(setup)) return 0;
  const uint8_t selector = static_cast<uint8_t>(setup.value >> 8);
  if (setup.request == kGetCur && selector == kSelectorCommand) return answerLateMs;
  if (setup.request == kSetCur && selector == kSelectorCommit) return commitLateMs;
  return 0;
}

std::optional<CameraMode> ParseCameraMode(std::string_view name) {
  for (CameraMode mode :
       {CameraMode::kSound, CameraMode::kWrongAnswers, CameraMode::kWrongLength}) {
    if (CameraModeName(mode) == name) return mode;
  }
  return std::nullopt;
}

std::string_view CameraModeName(CameraMode mode) {
  switch (mode) {
    case CameraMode::kSound:
      return "sound";
    case CameraMode::kWrongAnswers:
      return "wrong-answers";
    case CameraMode::kWrongLength:
      return "wrong-length";
  }
  return "?";
}

std::string CameraReport::ToJson(CameraMode mode) const {
  const nlohmann::json report = {
      {"mode", CameraModeName(mode)},   {"requests", requests},
      {"commandSets", commandSets},     {"commitSets", commitSets},
      {"answeredReads", answeredReads}, {"stalledReads", stalledReads},
      {"shortReads", shortReads},       {"otherUnitTransfers", otherUnitTransfers},
      {"lostRequests", lostRequests}};
  return report.dump() + "\n";
}

Zk742Camera::Zk742Camera(sim::RecorderState& state, CameraMode mode, CameraStrings strings)
    : recorder_(state), mode_(mode), strings_(std::move(strings)) {
  // Probe defaults: format 1, frame 1, 30 frames a second, one frame per payload.
  probe_[2] = 1;  // bFormatIndex
  probe_[3] = 1;  // bFrameIndex
  constexpr uint32_t kInterval = 333333, kFrameBytes = 160 * 120 * 2, kPayload = 512;
  for (int i = 0; i < 4; ++i) {
    probe_[4 + i] = static_cast<uint8_t>(kInterval >> (8 * i));     // dwFrameInterval
    probe_[18 + i] = static_cast<uint8_t>(kFrameBytes >> (8 * i));  // dwMaxVideoFrameSize
    probe_[22 + i] = static_cast<uint8_t>(kPayload >> (8 * i));     // dwMaxPayloadTransferSize
  }
}

bool Zk742Camera::HandleSetup(const SetupPacket& setup, ControlPipe& pipe) {
  ++report_.requests;
  WatchedPipe watched(pipe);
  const bool reachedRecorder = Dispatch(setup, watched);
  if (watched.Lost()) ++report_.lostRequests;
  return reachedRecorder;
}

bool Zk742Camera::Dispatch(const SetupPacket& setup, ControlPipe& pipe) {
  if (setup.IsStandard()) {
    StandardRequest(setup, pipe);
    return false;
  }
  if (!setup.IsClass() || !setup.ToInterface()) {
    Refuse(setup, pipe, kErrorInvalidRequest);
    return false;
  }
  const uint8_t interface = static_cast<uint8_t>(setup.index & 0xFF);
  const uint8_t entity = static_cast<uint8_t>(setup.index >> 8);
  const uint8_t selector = static_cast<uint8_t>(setup.value >> 8);
  if (interface == kVideoControlInterface && entity == kRecorderUnitId &&
      (selector == kSelectorCommand || selector == kSelectorCommit)) {
    return RecorderUnitRequest(setup, selector, pipe);
  }
  if (interface == kVideoControlInterface && entity == kOtherUnitId) {
    OtherUnitRequest(setup, pipe);
  } else if (interface == kVideoControlInterface && entity == 0 &&
             selector == kRequestErrorCodeControl) {
    ErrorCodeRequest(setup, pipe);
  } else if (interface == kVideoStreamingInterface && entity == 0 &&
             (selector == kProbeControl || selector == kCommitControl)) {
    StreamingRequest(setup, pipe);
  } else {
    Refuse(setup, pipe, kErrorInvalidControl);
  }
  return false;
}

void Zk742Camera::StandardRequest(const SetupPacket& setup, ControlPipe& pipe) {
  switch (setup.request) {
    case kGetDescriptor:
      // gadgetfs answers the device and configuration descriptors itself; strings come here.
      if (setup.IsIn() && (setup.value >> 8) == kStringDescriptorType) {
        if (auto bytes = StringDescriptor(strings_, static_cast<uint8_t>(setup.value & 0xFF))) {
          pipe.Reply(*bytes);
          return;
        }
      }
      break;
    case kSetConfiguration:
    case kSetInterface:
    case kClearFeature:
    case kSetFeature:
      if (!setup.IsIn() && setup.length == 0) {
        pipe.Acknowledge();
        return;
      }
      break;
    case kGetStatus:
      if (setup.IsIn()) {
        ReplyLe16(pipe, 0);
        return;
      }
      break;
    case kGetInterface:
      if (setup.IsIn()) {
        ReplyByte(pipe, 0);  // both interfaces have only alternate setting 0
        return;
      }
      break;
    default:
      break;
  }
  Refuse(setup, pipe, kErrorInvalidRequest);
}

bool Zk742Camera::RecorderUnitRequest(const SetupPacket& setup, uint8_t selector,
                                      ControlPipe& pipe) {
  switch (setup.request) {
    case kGetInfo:
      ReplyByte(pipe, kInfoGetAndSet);
      errorCode_ = kErrorNone;
      return false;
    case kGetLen: {
      const bool misdeclared = mode_ == CameraMode::kWrongLength && selector == kSelectorCommand;
      ReplyLe16(pipe, misdeclared ? kWrongControlLength : kControlLength);
      errorCode_ = kErrorNone;
      return false;
    }
    case kGetMin:
    case kGetMax:
    case kGetRes:
    case kGetDef: {
      const std::array<uint8_t, kControlLength> zeros{};
      pipe.Reply(std::span(zeros).first(std::min<std::size_t>(setup.length, zeros.size())));
      return false;
    }
    case kGetCur:
      RecorderRead(setup, selector, pipe);
      return true;
    case kSetCur: {
      const std::optional<std::vector<uint8_t>> data = pipe.ReceiveData(setup.length);
      if (!data) return false;                           // lost: counted by HandleSetup
      if (data->size() != kControlLength) return false;  // not a packet: the recorder never sees it
      std::array<uint8_t, kControlLength> packet{};
      std::copy(data->begin(), data->end(), packet.begin());
      if (selector == kSelectorCommand) {
        ++report_.commandSets;
        lastRequest_ = Le32(packet, 0);
        lastCommand_ = Le32(packet, 4);
      } else {
        ++report_.commitSets;
      }
      const int32_t status = recorder_.HandleTransfer(selector, true, packet);
      errorCode_ = status == 0 ? kErrorNone : kErrorInvalidRequest;
      if (trace_) std::fprintf(trace_, "zk742: SET %u -> %d\n", selector, static_cast<int>(status));
      return true;
    }
    default:
      Refuse(setup, pipe, kErrorInvalidRequest);
      return false;
  }
}

void Zk742Camera::RecorderRead(const SetupPacket& setup, uint8_t selector, ControlPipe& pipe) {
  auto stall = [&] {
    ++report_.stalledReads;
    errorCode_ = kErrorInvalidRequest;
    pipe.Stall();
  };
  if (setup.length != kControlLength) return stall();
  const bool answersTest = lastRequest_ == kToHost && lastCommand_ == kCmdEngineTest;
  const bool answersRead = lastRequest_ == kToHost && lastCommand_ == kCmdSettingsData;
  if (mode_ == CameraMode::kWrongAnswers && selector == kSelectorCommand && answersTest) {
    if (trace_) std::fprintf(trace_, "zk742: engine test left unanswered (stall)\n");
    return stall();
  }
  std::array<uint8_t, kControlLength> reply{};
  const int32_t status = recorder_.HandleTransfer(selector, false, reply);
  if (trace_) std::fprintf(trace_, "zk742: GET %u -> %d\n", selector, static_cast<int>(status));
  if (status != 0) return stall();
  errorCode_ = kErrorNone;
  if (mode_ == CameraMode::kWrongAnswers && selector == kSelectorCommand && answersRead) {
    ++report_.shortReads;
    pipe.Reply(std::span(reply).first(kShortReadLength));
    return;
  }
  ++report_.answeredReads;
  pipe.Reply(reply);
}

void Zk742Camera::OtherUnitRequest(const SetupPacket& setup, ControlPipe& pipe) {
  // Declares the same selectors as the recorder's unit but is not the recorder: whoever sends
  // it the recorder's packets addressed the unit by number instead of by GUID.
  if (setup.request == kGetInfo) return ReplyByte(pipe, kInfoGetAndSet);
  if (setup.request == kGetLen) return ReplyLe16(pipe, kControlLength);
  ++report_.otherUnitTransfers;
  Refuse(setup, pipe, kErrorInvalidControl);
}

void Zk742Camera::ErrorCodeRequest(const SetupPacket& setup, ControlPipe& pipe) {
  if (setup.request == kGetCur) return ReplyByte(pipe, errorCode_);
  if (setup.request == kGetInfo) return ReplyByte(pipe, kInfoGetOnly);
  Refuse(setup, pipe, kErrorInvalidRequest);
}

void Zk742Camera::StreamingRequest(const SetupPacket& setup, ControlPipe& pipe) {
  switch (setup.request) {
    case kSetCur:
      if (auto data = pipe.ReceiveData(setup.length)) {
        std::copy_n(data->begin(), std::min(data->size(), probe_.size()), probe_.begin());
      }
      return;
    case kGetCur:
    case kGetMin:
    case kGetMax:
    case kGetDef:
      pipe.Reply(std::span(probe_).first(std::min<std::size_t>(setup.length, probe_.size())));
      return;
    case kGetLen:
      return ReplyLe16(pipe, static_cast<uint16_t>(probe_.size()));
    case kGetInfo:
      return ReplyByte(pipe, kInfoGetAndSet);
    default:
      Refuse(setup, pipe, kErrorInvalidRequest);
  }
}

void Zk742Camera::Refuse(const SetupPacket& setup, ControlPipe& pipe, uint8_t errorCode) {
  errorCode_ = errorCode;
  if (setup.IsIn() || setup.length == 0) {
    pipe.Stall();
  } else {
    (void)pipe.ReceiveData(setup.length);
  }
}

}  // namespace kavrin::vm
