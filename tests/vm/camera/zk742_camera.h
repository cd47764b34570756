#pragma once
// The emulated ZK742's answers to the control requests the host sends: string descriptors,
// configuration, the video-streaming probe and commit, and the recorder's extension unit,
// whose transfers go to kavrin::sim::Recorder, the same recorder logic as the simulator's.
//
// A SET the recorder refuses cannot be refused on the bus (gadgetfs accepts the data stage
// of an OUT request before the camera sees it). The refusal shows at the next GET instead:
// the recorder has no answer ready, so the camera stalls that GET.
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "device/sim/recorder.h"
#include "tests/vm/camera/control_pipe.h"
#include "tests/vm/camera/zk742_descriptors.h"

namespace kavrin::vm {

enum class CameraMode {
  kSound,         // every request is answered by the recorder as it stands
  kWrongAnswers,  // never answers an engine test (stalls that GET) and cuts the reply to a
                  // settings read short (32 of 64 bytes)
  kWrongLength,   // declares selector 17 as 40 bytes long (GET_LEN), so the host's driver
                  // refuses every 64-byte transfer on it; selector 18 stays sound
};
// A GET_CUR or SET_CUR on one of the recorder's selectors: a transfer the recorder answers.
bool IsRecorderTransfer(const SetupPacket& setup);
// How long the camera waits before it answers the request: `answerLateMs` for a GET on the
// command selector, `commitLateMs` for a SET on the commit selector, 0 for anything else.
int RecorderTransferDelay(const SetupPacket& setup, int answerLateMs, int commitLateMs);

std::optional<CameraMode> ParseCameraMode(
    std::string_view name);  // "sound", "wrong-answers", "wrong-length"
std::string_view CameraModeName(CameraMode mode);

// What the camera saw, for the checks in the guest (written next to the recorder's state).
struct CameraReport {
  uint64_t requests = 0;
  uint64_t commandSets = 0;    // SETs on selector 17 that reached the recorder
  uint64_t commitSets = 0;     // SETs on selector 18 that reached the recorder
  uint64_t answeredReads = 0;  // GETs on selector 17 answered in full
  uint64_t stalledReads = 0;
  uint64_t shortReads = 0;          // GETs answered with fewer bytes than asked
  uint64_t otherUnitTransfers = 0;  // transfers addressed to the other vendor's unit
  // Requests lost by the rig, not refused by the recorder: gadgetfs dropped them (the host
  // sent the next one first), the host gave up on them before the answer, or their data never
  // arrived. The guest runs a scenario again when its camera lost one.
  uint64_t lostRequests = 0;
  std::string ToJson(CameraMode mode) const;
};

class Zk742Camera {
 public:
  Zk742Camera(sim::RecorderState& state, CameraMode mode, CameraStrings strings = {});

  // Finishes one control request completely. True when it reached the recorder (its state
  // may have changed and is worth saving).
  bool HandleSetup(const SetupPacket& setup, ControlPipe& pipe);
  // A request the transport lost before the camera could finish it (or even see it).
  void NoteLostRequest() { ++report_.lostRequests; }
  // The recorder has left the bus (its fault plan said so): the camera must disconnect.
  bool Vanished() const { return recorder_.Vanished(); }
  const CameraReport& Report() const { return report_; }
  CameraMode Mode() const { return mode_; }
  // Where to trace each transfer the recorder handles; null (the default) traces nothing.
  void TraceTo(std::FILE* trace) { trace_ = trace; }

 private:
  bool Dispatch(const SetupPacket& setup, ControlPipe& pipe);
  void StandardRequest(const SetupPacket& setup, ControlPipe& pipe);
  bool RecorderUnitRequest(const SetupPacket& setup, uint8_t selector, ControlPipe& pipe);
  void RecorderRead(const SetupPacket& setup, uint8_t selector, ControlPipe& pipe);
  void OtherUnitRequest(const SetupPacket& setup, ControlPipe& pipe);
  void StreamingRequest(const SetupPacket& setup, ControlPipe& pipe);
  void ErrorCodeRequest(const SetupPacket& setup, ControlPipe& pipe);
  // Refuses what can be refused; the data of an OUT request is taken and dropped.
  void Refuse(const SetupPacket& setup, ControlPipe& pipe, uint8_t errorCode);

  sim::Recorder recorder_;
  CameraMode mode_;
  CameraStrings strings_;
  CameraReport report_;
  uint32_t lastRequest_ = 0;  // request and command of the last packet SET on selector 17
  uint32_t lastCommand_ = 0;
  uint8_t errorCode_ = 0;            // VC_REQUEST_ERROR_CODE_CONTROL: why the last request failed
  std::array<uint8_t, 26> probe_{};  // video probe and commit control (UVC 1.0 size)
  std::FILE* trace_ = nullptr;
};

}  // namespace kavrin::vm
