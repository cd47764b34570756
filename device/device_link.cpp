#include "device/device_link.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "config/trace.h"

namespace kavrin {
const char* FailureReasonCode(FailureReason reason) {
  switch (reason) {
    case FailureReason::kNone:
      return "none";
    case FailureReason::kNotAttached:
      return "not-attached";
    case FailureReason::kUnavailable:
      return "unavailable";
    case FailureReason::kBusy:
      return "busy";
    case FailureReason::kRefused:
      return "refused";
    case FailureReason::kShortReply:
      return "short-reply";
    case FailureReason::kTimedOut:
      return "timed-out";
  }
  return "none";
}

FailureReason ReasonOfStatus(int32_t status) {
  if (status == kStatusOk) return FailureReason::kNone;
  if (status < 0 && status > -4096) {  // a negated errno
    switch (-status) {
      case ENODEV:
      case ENXIO:
#ifdef ESHUTDOWN  // the C runtime of Windows has no such code; its statuses are HRESULTs
      case ESHUTDOWN:
#endif
      case ECONNRESET:  // a transfer the host took back as the device went
      case EPROTO:      // no answer on the bus at all: what a device that just left leaves
      case EBADF:
        return FailureReason::kUnavailable;
      case EBUSY:
        return FailureReason::kBusy;
      case ETIMEDOUT:
        return FailureReason::kTimedOut;
      case EOVERFLOW:
#ifdef EREMOTEIO
      case EREMOTEIO:
#endif
        return FailureReason::kShortReply;
      default:
        return FailureReason::kRefused;
    }
  }
  // HRESULTs of Win32 errors: 0x8007xxxx.
  switch (static_cast<uint32_t>(status)) {
    case 0x8007048Fu:  // ERROR_DEVICE_NOT_CONNECTED
    case 0x80070651u:  // ERROR_DEVICE_REMOVED
    case 0x80070015u:  // ERROR_NOT_READY
    case 0x80070002u:  // ERROR_FILE_NOT_FOUND: the device's interface is gone
      return FailureReason::kUnavailable;
    case 0x800700AAu:  // ERROR_BUSY
      return FailureReason::kBusy;
    case 0x800705B4u:  // ERROR_TIMEOUT
    case 0x80070079u:  // ERROR_SEM_TIMEOUT
      return FailureReason::kTimedOut;
    case 0x8007007Au:  // ERROR_INSUFFICIENT_BUFFER
    case 0x800700EAu:  // ERROR_MORE_DATA
      return FailureReason::kShortReply;
    default:
      return FailureReason::kRefused;  // S_FALSE, E_FAIL and the rest: the transfer was refused
  }
}

// The bounded wait for the recorder's lock; busy when another program held it throughout.
bool DeviceLink::TakeLock(PropertyChannel& channel, CommandFailure* failure) {
  if (channel.Lock()) return true;
  if (std::string problem = channel.LockProblem(); !problem.empty()) {
    // Not busy: the lock cannot be had at all, and nothing is sent without it.
    TraceText("\nrecorder lock: " + problem + "\n");
    failure->reason = FailureReason::kRefused;
    failure->detail = std::move(problem);
    return false;
  }
  Trace("\nrecorder busy: held by another program\n");
  failure->reason = FailureReason::kBusy;
  return false;
}

// Holds the channel's exclusive lock for one command, so that no other program's packets
// come between a request and its reply or between a write and its commit. The wait for it
// is bounded: a command that cannot have the recorder sends nothing and says why. Inside an
// operation's Hold the command uses that hold instead.
class DeviceLink::CommandLock {
 public:
  explicit CommandLock(DeviceLink& link) : channel_(link.Channel()) {
    if (link.IsAttached() != 1 || channel_ == nullptr) {
      link.lastFailure_.reason = FailureReason::kNotAttached;
      return;
    }
    if (link.holdDepth_ > 0) {  // an operation holds the recorder already, or failed to
      ready_ = !link.holdFailure_.Failed();
      if (!ready_) link.lastFailure_ = link.holdFailure_;
      return;
    }
    locked_ = ready_ = TakeLock(*channel_, &link.lastFailure_);
  }
  ~CommandLock() {
    if (locked_) channel_->Unlock();
  }
  CommandLock(const CommandLock&) = delete;
  CommandLock& operator=(const CommandLock&) = delete;
  bool Held() const { return ready_; }

 private:
  PropertyChannel* channel_;
  bool locked_ = false;
  bool ready_ = false;
};

DeviceLink::Hold::Hold(DeviceLink& link) : link_(link) {
  if (link_.holdDepth_++ > 0) {
    held_ = !link_.holdFailure_.Failed();
    return;
  }
  outermost_ = true;
  link_.holdFailure_ = {};
  // Without a recorder there is nothing to hold: each command then says it is not attached.
  PropertyChannel* channel = link_.IsAttached() == 1 ? link_.Channel() : nullptr;
  if (channel == nullptr) return;
  held_ = TakeLock(*channel, &link_.holdFailure_);
}

DeviceLink::Hold::~Hold() {
  --link_.holdDepth_;
  if (!outermost_) return;
  link_.holdFailure_ = {};
  if (held_ && link_.Channel() != nullptr) link_.Channel()->Unlock();
}

const Guid DeviceLink::kPropertySet = {
    0x63610682, 0x5070, 0x49AB, {0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D}};

DeviceLink::DeviceLink(VideoInputBackend& backend)
    : CaptureDevice(backend), propertySet_(kPropertySet) {}

int DeviceLink::Failed(FailedTransfer transfer, int32_t status, uint32_t chunk) {
  if (!lastFailure_.Failed()) {
    lastFailure_.reason = ReasonOfStatus(status);
    if (lastFailure_.reason == FailureReason::kNone) lastFailure_.reason = FailureReason::kRefused;
    lastFailure_.transfer = transfer;
    lastFailure_.chunk = chunk;
    lastFailure_.status = status;
  }
  return 0;
}

int32_t DeviceLink::Transfer(bool isSet, uint8_t* buffer, uint32_t size) {
  return TransferProperty(propertySet_, nodeId_, selector_, isSet ? 1 : 0, buffer, size);
}

int DeviceLink::SendPacket(const uint8_t* buffer, uint32_t size) {
  if (buffer == nullptr && size > 0) return 0;
  // The transfer takes a writable buffer for both directions; a SET gets a copy so that the
  // caller's data stays as it was whatever the channel does.
  std::vector<uint8_t> copy(buffer, buffer + size);
  return Transfer(true, copy.data(), size) == kStatusOk ? 1 : 0;
}

int DeviceLink::ReceivePacket(uint8_t* buffer, uint32_t size) {
  if (buffer == nullptr && size > 0) return 0;
  return Transfer(false, buffer, size) == kStatusOk ? 1 : 0;
}

int DeviceLink::QueryString(uint32_t code, uint8_t* reply) {
  Begin();
  SetSelector(SELECTOR_COMMAND);
  CommandLock lock(*this);
  if (!lock.Held()) return 0;
  CommandPacket request;  // its own packet: the shared one is not touched
  request.SetRequest(1);
  request.SetCommand(code);
  const int32_t sent = Transfer(true, request.Bytes(), kPacketSize);
  // A GET after a refused request would answer whatever the recorder had pending, so the
  // answer only counts when both transfers succeeded.
  std::array<uint8_t, kPacketSize> answer{};
  const int32_t received = Transfer(false, answer.data(), kPacketSize);
  if (sent != kStatusOk) return Failed(FailedTransfer::kRequest, sent);
  if (received != kStatusOk) return Failed(FailedTransfer::kReply, received);
  if (reply != nullptr) std::memcpy(reply, answer.data(), answer.size());
  return 1;
}

int DeviceLink::WriteData(const uint8_t* source, uint32_t size, int setKavrinFlag) {
  Begin();
  SetSelector(SELECTOR_COMMAND);
  if (source == nullptr && size > 0) return Failed(FailedTransfer::kChunk, kStatusFail, 1);
  CommandLock lock(*this);
  if (!lock.Held()) return 0;
  packet_.SetRequest(0);
  packet_.SetCommand(CMD_SETTINGS_DATA);
  bool everyChunkSent = true;
  uint32_t offset = 0;
  for (uint32_t number = 1; offset < size; ++number) {
    const uint32_t chunk = std::min(size - offset, kChunkSize);
    packet_.SetOffset(offset);
    packet_.SetLength(chunk);
    std::copy_n(source + offset, chunk, packet_.Data().begin());
    // The remaining chunks still go out (they are only staged), but a write with a missing
    // chunk is never committed: that would put half-old, half-new settings in force.
    std::array<uint8_t, kPacketSize> copy{};
    std::copy_n(packet_.Bytes(), kPacketSize, copy.begin());
    if (const int32_t status = Transfer(true, copy.data(), kPacketSize); status != kStatusOk) {
      everyChunkSent = false;
      Failed(FailedTransfer::kChunk, status, number);
    }
    offset += chunk;
  }
  SetSelector(SELECTOR_COMMIT);
  if (!everyChunkSent) return 0;
  packet_.SetRequest(setKavrinFlag != 0 ? 1 : 2);
  std::array<uint8_t, kPacketSize> commit{};
  std::copy_n(packet_.Bytes(), kPacketSize, commit.begin());
  const int32_t status = Transfer(true, commit.data(), kPacketSize);
  return status == kStatusOk ? 1 : Failed(FailedTransfer::kCommit, status);
}

int DeviceLink::ReadData(uint8_t* destination, uint32_t size) {
  Begin();
  SetSelector(SELECTOR_COMMAND);
  packet_.SetRequest(1);
  packet_.SetCommand(CMD_SETTINGS_DATA);
  if (size == 0) return 1;
  if (destination == nullptr) return Failed(FailedTransfer::kReply, kStatusFail, 1);
  CommandLock lock(*this);
  if (!lock.Held()) return 0;
  // Collected apart and copied only when every transfer succeeded: a partial read must not
  // mix with what the caller already holds.
  std::vector<uint8_t> collected(destination, destination + size);
  bool everyTransferDone = true;
  uint32_t offset = 0;
  for (uint32_t number = 1; offset < size; ++number) {
    const uint32_t chunk = std::min(size - offset, kChunkSize);
    packet_.SetOffset(offset);
    packet_.SetLength(chunk);
    std::array<uint8_t, kPacketSize> request{};
    std::copy_n(packet_.Bytes(), kPacketSize, request.begin());
    const int32_t sent = Transfer(true, request.data(), kPacketSize);
    std::array<uint8_t, kPacketSize> reply{};
    const int32_t received = Transfer(false, reply.data(), kPacketSize);
    if (sent == kStatusOk && received == kStatusOk) {
      std::copy_n(reply.begin(), chunk, collected.begin() + offset);
    } else {
      everyTransferDone = false;
      Failed(sent != kStatusOk ? FailedTransfer::kRequest : FailedTransfer::kReply,
             sent != kStatusOk ? sent : received, number);
    }
    offset += chunk;
  }
  if (!everyTransferDone) return 0;
  std::copy(collected.begin(), collected.end(), destination);
  return 1;
}

int DeviceLink::QueryTestResult(uint32_t testCode, uint32_t* result) {
  Begin();
  SetSelector(SELECTOR_COMMAND);
  if (result != nullptr) *result = 0;
  CommandLock lock(*this);
  if (!lock.Held()) return 0;
  packet_.SetRequest(1);
  packet_.SetCommand(CMD_ENGINE_TEST);
  packet_.SetOffset(testCode);
  std::array<uint8_t, kPacketSize> request{};
  std::copy_n(packet_.Bytes(), kPacketSize, request.begin());
  const int32_t sent = Transfer(true, request.data(), kPacketSize);
  // The answer goes to a cleared packet, not over the request: the request's own 1 sits
  // where the answer goes, and a GET that succeeds without delivering bytes must read as
  // no pass. Only the recorder's own 1 is a pass.
  std::array<uint8_t, kPacketSize> answer{};
  const int32_t received = Transfer(false, answer.data(), kPacketSize);
  if (sent != kStatusOk) return Failed(FailedTransfer::kRequest, sent);
  if (received != kStatusOk) return Failed(FailedTransfer::kReply, received);
  std::copy(answer.begin(), answer.end(), packet_.Bytes());  // the packet keeps the reply
  if (result != nullptr) *result = packet_.Request();
  return 1;
}

int DeviceLink::SetClock(const LocalTime& time) {
  Begin();
  SetSelector(SELECTOR_COMMAND);
  CommandLock lock(*this);
  if (!lock.Held()) return 0;
  packet_.SetRequest(0);
  packet_.SetCommand(CMD_SET_CLOCK);
  packet_.Put16(8, time.wYear);
  packet_.Put16(10, time.wMonth);
  packet_.Put16(12, time.wDay);
  packet_.Put16(14, time.wHour);
  packet_.Put16(16, time.wMinute);
  packet_.Put16(18, time.wSecond);
  std::array<uint8_t, kPacketSize> copy{};
  std::copy_n(packet_.Bytes(), kPacketSize, copy.begin());
  const int32_t status = Transfer(true, copy.data(), kPacketSize);
  return status == kStatusOk ? 1 : Failed(FailedTransfer::kRequest, status);
}

}  // namespace kavrin
