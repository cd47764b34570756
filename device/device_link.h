#pragma once
// The recorder's command protocol on its extension unit: 64-byte packets SET on selector 17
// (requests and data), replies fetched with a GET on 17, and a SET on selector 18 that
// commits written settings.
#include <cstdint>
#include <string>

#include "device/capture_device.h"
#include "device/command_packet.h"

namespace kavrin {

// The local date and time with the platform's SYSTEMTIME fields.
struct LocalTime {
  uint16_t wYear = 0, wMonth = 0, wDayOfWeek = 0, wDay = 0, wHour = 0, wMinute = 0, wSecond = 0,
           wMilliseconds = 0;
  // The clock now, as local time or as UTC; safe to call from several threads.
  static LocalTime Now();
  static LocalTime UtcNow();
  // A date and time that can be: years 1 to 9999, a real day of the month, no leap second.
  bool IsValid() const;
  // "YYYY-MM-DDTHH:MM:SS"
  std::string Text() const;
};

// Why the last command failed, for the operator: the window names it in its notification.
enum class LinkFailure {
  kNone,         // the last command succeeded
  kNotAttached,  // no recorder was attached: nothing was sent
  kBusy,         // another program held the recorder for the whole wait: nothing was sent
  kTransfer,     // a transfer failed (refused, unanswered, or the recorder went away)
};

// "none", "not attached", "busy", "transfer failed"
const char* LinkFailureText(LinkFailure failure);

// Every command holds the channel's lock for all its transfers; a command that cannot get it
// within the bounded wait fails without sending anything.
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

  void SetSelector(uint32_t selector) { selector_ = selector; }
  uint32_t Selector() const { return selector_; }
  // 1 when the transfer returned exactly S_OK.
  int SendPacket(const uint8_t* buffer, uint32_t size);
  int ReceivePacket(uint8_t* buffer, uint32_t size);

  // Sends its own packet (request 1, the code) and fetches the 64-byte text. reply: 64 bytes
  // of the caller's, written only when both the SET and the GET succeeded. 1 on success.
  int QueryString(uint32_t code, uint8_t* reply);
  // Which part of a WriteData failed, for telling the operator.
  enum class WriteFailure { None, Data, Commit };
  // Sends the data in 40-byte chunks, then the commit (1 with setKavrinFlag, else 2). A chunk
  // that fails is never committed. 1 only when every transfer succeeded; *failure (when
  // given) says what failed.
  int WriteData(const uint8_t* source, uint32_t size, int setKavrinFlag, WriteFailure* failure = nullptr);
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
  // The reason of the last command's failure; kNone after one that succeeded.
  LinkFailure LastFailure() const { return lastFailure_; }
  // What more is known of the last failure (why the recorder's lock could not be had), or
  // empty.
  const std::string& FailureDetail() const { return failureDetail_; }

 private:
  class CommandLock;
  // Sets the outcome of a command from its result and returns the result.
  int Finish(int result);

  CommandPacket packet_;
  uint32_t selector_ = SELECTOR_COMMAND;
  uint32_t nodeId_ = kNodeId;
  Guid propertySet_;
  LinkFailure lastFailure_ = LinkFailure::kNone;
  std::string failureDetail_;
};

// Console dump: mode 0 bytes ("%02X ", 16 a line), mode 1 16-bit words ("%04X ", 8 a line).
void DumpHex(const void* buffer, uint32_t count, int mode);

}  // namespace kavrin
