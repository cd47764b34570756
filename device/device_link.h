#pragma once
// The recorder's command protocol on its extension unit: 64-byte packets SET on selector 17
// (requests and data), replies fetched with a GET on 17, and a SET on selector 18 that
// commits written settings.
#include <cstdint>
#include <string>

#include "device/capture_device.h"
#include "device/command_packet.h"
#include "device/local_time.h"

namespace kavrin {

// Why a command of the link failed. Only the recorder's own answer is a verdict; these say why
// there was no answer to judge.
enum class FailureReason : uint8_t {
  kNone,
  kNotAttached,  // no recorder was attached: nothing was sent
  kUnavailable,  // the recorder is gone (unplugged, or its node went away)
  kBusy,         // another program held the recorder for the whole wait: nothing was sent
  kRefused,      // the recorder or its driver refused the transfer
  kShortReply,   // the reply was shorter than the packet
  kTimedOut,     // the recorder did not answer within the driver's time
};

// "none", "not-attached", "unavailable", "busy", "refused", "short-reply", "timed-out"
const char* FailureReasonCode(FailureReason reason);
// What a transfer's platform status means (a negative errno on Linux, an HRESULT on Windows).
FailureReason ReasonOfStatus(int32_t status);

// Which transfer of a command failed.
enum class FailedTransfer : uint8_t { kNone, kRequest, kReply, kChunk, kCommit };

struct CommandFailure {
  FailureReason reason = FailureReason::kNone;
  FailedTransfer transfer = FailedTransfer::kNone;
  uint32_t chunk = 0;  // with kChunk: the first chunk that failed, counted from 1
  int32_t status = 0;  // the platform's status of that transfer
  std::string detail;  // what more is known (why the recorder's lock cannot be had), or empty
  bool Failed() const { return reason != FailureReason::kNone; }
};

// Every command holds the channel's lock for all its transfers; a command that cannot get it
// within the bounded wait fails without sending anything. An operation of several commands
// takes the lock once for all of them with a Hold.
class DeviceLink : public CaptureDevice {
 public:
  static constexpr uint32_t SELECTOR_COMMAND = 17;
  static constexpr uint32_t SELECTOR_COMMIT = 18;
  static constexpr uint32_t kNodeId = 2;
  static constexpr uint32_t kPacketSize = 64;
  static constexpr uint32_t kChunkSize = 40;
  enum CommandCode : uint32_t {
    CMD_SETTINGS_DATA = 2,
    MODEL_NAME = 4,
    FW_VERSION = 5,
    FW_UPDATE_NAME = 6,
    HW_VERSION = 7,
    CMD_ENGINE_TEST = 9,
    CMD_SET_CLOCK = 10,
  };
  static const Guid kPropertySet;  // 63610682-5070-49AB-B8CC-B3855E8D221D

  explicit DeviceLink(VideoInputBackend& backend);

  // Holds the recorder from an operation's first transfer to its last, so that another
  // program cannot come between its commands and a held recorder costs one bounded wait per
  // operation, not one per command. While a hold that failed is in force, every command fails
  // at once as busy. Holds nest; the outermost one locks.
  class Hold {
   public:
    explicit Hold(DeviceLink& link);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    bool Held() const { return held_; }

   private:
    DeviceLink& link_;
    bool outermost_ = false;
    bool held_ = false;
  };

  void SetSelector(uint32_t selector) { selector_ = selector; }
  uint32_t Selector() const { return selector_; }
  // 1 when the transfer returned exactly S_OK.
  int SendPacket(const uint8_t* buffer, uint32_t size);
  int ReceivePacket(uint8_t* buffer, uint32_t size);

  // Sends its own packet (request 1, the code) and fetches the 64-byte text. reply: 64 bytes
  // of the caller's, written only when both the SET and the GET succeeded. 1 on success.
  int QueryString(uint32_t code, uint8_t* reply);
  // Sends the data in 40-byte chunks, then the commit (1 with setKavrinFlag, else 2). A chunk
  // that fails is never committed. 1 only when every transfer succeeded; LastFailure says
  // which chunk, or the commit, failed.
  int WriteData(const uint8_t* source, uint32_t size, int setKavrinFlag);
  // Reads size bytes in 40-byte chunks. 1 only when every transfer succeeded; on failure the
  // destination is left unchanged.
  int ReadData(uint8_t* destination, uint32_t size);
  // *result receives the recorder's answer (1 = pass), fetched into a cleared packet: a GET
  // that succeeds without bytes is no pass. A failed SET or GET gives 0 and stores 0.
  int QueryTestResult(uint32_t testCode, uint32_t* result);
  // Command 10 with the date and time (day of week and milliseconds are not sent). 1 on
  // success.
  int SetClock(const LocalTime& time);

  const CommandPacket& Packet() const { return packet_; }
  // How the last command failed; no reason after one that succeeded.
  const CommandFailure& LastFailure() const { return lastFailure_; }

 private:
  class CommandLock;
  // Starts a command: its failure so far is none.
  void Begin() { lastFailure_ = {}; }
  // Takes the channel's lock; false with the reason in *failure when it cannot be had.
  static bool TakeLock(PropertyChannel& channel, CommandFailure* failure);
  // Notes a failed transfer (the first of a command counts) and returns 0.
  int Failed(FailedTransfer transfer, int32_t status, uint32_t chunk = 0);
  int32_t Transfer(bool isSet, uint8_t* buffer, uint32_t size);

  CommandPacket packet_;
  uint32_t selector_ = SELECTOR_COMMAND;
  uint32_t nodeId_ = kNodeId;
  Guid propertySet_;
  CommandFailure lastFailure_;
  int holdDepth_ = 0;
  CommandFailure holdFailure_;  // why the operation's hold could not be had
};

// Console dump: mode 0 bytes ("%02X ", 16 a line), mode 1 16-bit words ("%04X ", 8 a line).
void DumpHex(const void* buffer, uint32_t count, int mode);

}  // namespace kavrin
