#include "device/device_link.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <vector>

#include "config/trace.h"

namespace kavrin {
const char* LinkFailureText(LinkFailure failure) {
  switch (failure) {
    case LinkFailure::kNone:
      return "none";
    case LinkFailure::kNotAttached:
      return "not attached";
    case LinkFailure::kBusy:
      return "busy";
    case LinkFailure::kTransfer:
      return "transfer failed";
  }
  return "none";
}

// Holds the channel's exclusive lock for one command, so that no other program's packets
// come between a request and its reply or between a write and its commit. The wait for it
// is bounded: a command that cannot have the recorder sends nothing and says why.
class DeviceLink::CommandLock {
 public:
  explicit CommandLock(DeviceLink& link) : channel_(link.Channel()) {
    if (link.IsAttached() != 1 || channel_ == nullptr) {
      link.lastFailure_ = LinkFailure::kNotAttached;
      return;
    }
    link.failureDetail_.clear();
    held_ = channel_->Lock();
    if (held_) return;
    if (std::string problem = channel_->LockProblem(); !problem.empty()) {
      // Not busy: the lock cannot be had at all, and nothing is sent without it.
      TraceText("\nrecorder lock: " + problem + "\n");
      link.lastFailure_ = LinkFailure::kTransfer;
      link.failureDetail_ = std::move(problem);
      return;
    }
    Trace("\nrecorder busy: held by another program\n");
    link.lastFailure_ = LinkFailure::kBusy;
  }
  ~CommandLock() {
    if (held_) channel_->Unlock();
  }
  CommandLock(const CommandLock&) = delete;
  CommandLock& operator=(const CommandLock&) = delete;
  bool Held() const { return held_; }

 private:
  PropertyChannel* channel_;
  bool held_ = false;
};


const Guid DeviceLink::kPropertySet = {
    0x63610682, 0x5070, 0x49AB, {0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D}};

namespace {

// The C library's time conversions share one buffer between threads (--all, station).
std::mutex& TimeMutex() {
  static std::mutex mutex;
  return mutex;
}

// The clock now through localtime or gmtime, with the milliseconds of the same instant.
LocalTime ClockNow(std::tm* (*convert)(const std::time_t*)) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  LocalTime time;
  const std::lock_guard<std::mutex> lock(TimeMutex());
  if (const std::tm* broken = convert(&seconds); broken != nullptr) {
    time.wYear = static_cast<uint16_t>(broken->tm_year + 1900);
    time.wMonth = static_cast<uint16_t>(broken->tm_mon + 1);
    time.wDayOfWeek = static_cast<uint16_t>(broken->tm_wday);
    time.wDay = static_cast<uint16_t>(broken->tm_mday);
    time.wHour = static_cast<uint16_t>(broken->tm_hour);
    time.wMinute = static_cast<uint16_t>(broken->tm_min);
    time.wSecond = static_cast<uint16_t>(std::min(broken->tm_sec, 59));  // no leap second
    time.wMilliseconds = static_cast<uint16_t>(millis < 0 ? 0 : millis);
  }
  return time;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leapYear = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leapYear ? 29 : kDays[month - 1];
}

}  // namespace

LocalTime LocalTime::Now() { return ClockNow(std::localtime); }

LocalTime LocalTime::UtcNow() { return ClockNow(std::gmtime); }

bool LocalTime::IsValid() const {
  return wYear >= 1 && wYear <= 9999 && wMonth >= 1 && wMonth <= 12 && wDay >= 1 &&
         wDay <= DaysInMonth(wYear, wMonth) && wHour <= 23 && wMinute <= 59 && wSecond <= 59;
}

std::string LocalTime::Text() const {
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", unsigned{wYear},
                unsigned{wMonth}, unsigned{wDay}, unsigned{wHour}, unsigned{wMinute},
                unsigned{wSecond});
  return text;
}

DeviceLink::DeviceLink(VideoInputBackend& backend)
    : CaptureDevice(backend), propertySet_(kPropertySet) {}

int DeviceLink::Finish(int result) {
  lastFailure_ = result == 1 ? LinkFailure::kNone : LinkFailure::kTransfer;
  failureDetail_.clear();
  return result;
}

int DeviceLink::SendPacket(const uint8_t* buffer, uint32_t size) {
  if (buffer == nullptr && size > 0) return 0;
  // The transfer takes a writable buffer for both directions; a SET gets a copy so that the
  // caller's data stays as it was whatever the channel does.
  std::vector<uint8_t> copy(buffer, buffer + size);
  const int32_t status = TransferProperty(propertySet_, nodeId_, selector_, 1, copy.data(), size);
  return status == kStatusOk ? 1 : 0;
}

int DeviceLink::ReceivePacket(uint8_t* buffer, uint32_t size) {
  if (buffer == nullptr && size > 0) return 0;
  return TransferProperty(propertySet_, nodeId_, selector_, 0, buffer, size) == kStatusOk ? 1 : 0;
}

int DeviceLink::QueryString(uint32_t code, uint8_t* reply) {
  SetSelector(SELECTOR_COMMAND);
  CommandLock lock(*this);
  if (!lock.Held()) return 0;
  CommandPacket request;  // its own packet: the shared one is not touched
  request.SetRequest(1);
  request.SetCommand(code);
  const int sent = SendPacket(request.Bytes(), kPacketSize);
  // A GET after a refused request would answer whatever the recorder had pending, so the
  // answer only counts when both transfers succeeded.
  std::array<uint8_t, kPacketSize> answer{};
  const int received = ReceivePacket(answer.data(), kPacketSize);
  if (sent != 1 || received != 1) return Finish(0);
  if (reply != nullptr) std::memcpy(reply, answer.data(), answer.size());
  return Finish(1);
}

int DeviceLink::WriteData(const uint8_t* source, uint32_t size, int setKavrinFlag, WriteFailure* failure) {
  // Until the commit has gone out, what failed is the data.
  WriteFailure ignored = WriteFailure::None;
  WriteFailure& failed = failure != nullptr ? *failure : ignored;
  failed = WriteFailure::Data;
  SetSelector(SELECTOR_COMMAND);
  if (source == nullptr && size > 0) return Finish(0);
  CommandLock lock(*this);
  if (!lock.Held()) return 0;
  packet_.SetRequest(0);
  packet_.SetCommand(CMD_SETTINGS_DATA);
  bool everyChunkSent = true;
  uint32_t offset = 0;
  while (offset < size) {
    const uint32_t chunk = std::min(size - offset, kChunkSize);
    packet_.SetOffset(offset);
    packet_.SetLength(chunk);
    std::copy_n(source + offset, chunk, packet_.Data().begin());
    // The remaining chunks still go out (they are only staged), but a write with a missing
    // chunk is never committed: that would put half-old, half-new settings in force.
    if (SendPacket(packet_.Bytes(), kPacketSize) != 1) everyChunkSent = false;
    offset += chunk;
  }
  SetSelector(SELECTOR_COMMIT);
  if (!everyChunkSent) return Finish(0);
  packet_.SetRequest(setKavrinFlag != 0 ? 1 : 2);
  const int committed = SendPacket(packet_.Bytes(), kPacketSize);
  failed = committed == 1 ? WriteFailure::None : WriteFailure::Commit;
  return Finish(committed);
}

int DeviceLink::ReadData(uint8_t* destination, uint32_t size) {
  SetSelector(SELECTOR_COMMAND);
  packet_.SetRequest(1);
  packet_.SetCommand(CMD_SETTINGS_DATA);
  if (size == 0) return Finish(1);
  if (destination == nullptr) return Finish(0);
  CommandLock lock(*this);
  if (!lock.Held()) return 0;
  // Collected apart and copied only when every transfer succeeded: a partial read must not
  // mix with what the caller already holds.
  std::vector<uint8_t> collected(destination, destination + size);
  bool everyTransferDone = true;
  uint32_t offset = 0;
  while (offset < size) {
    const uint32_t chunk = std::min(size - offset, kChunkSize);
    packet_.SetOffset(offset);
    packet_.SetLength(chunk);
    const int sent = SendPacket(packet_.Bytes(), kPacketSize);
    std::array<uint8_t, kPacketSize> reply{};
    const int received = ReceivePacket(reply.data(), kPacketSize);
    if (sent == 1 && received == 1) {
      std::copy_n(reply.begin(), chunk, collected.begin() + offset);
    } else {
      everyTransferDone = false;
    }
    offset += chunk;
  }
  if (!everyTransferDone) return Finish(0);
  std::copy(collected.begin(), collected.end(), destination);
  return Finish(1);
}

int DeviceLink::QueryTestResult(uint32_t testCode, uint32_t* result) {
  SetSelector(SELECTOR_COMMAND);
  if (result != nullptr) *result = 0;
  CommandLock lock(*this);
  if (!lock.Held()) return 0;
  packet_.SetRequest(1);
  packet_.SetCommand(CMD_ENGINE_TEST);
  packet_.SetOffset(testCode);
  const int sent = SendPacket(packet_.Bytes(), kPacketSize);
  // The answer goes to a cleared packet, not over the request: the request's own 1 sits
  // where the answer goes, and a GET that succeeds without delivering bytes must read as
  // no pass. Only the recorder's own 1 is a pass.
  std::array<uint8_t, kPacketSize> answer{};
  const int received = ReceivePacket(answer.data(), kPacketSize);
  const bool answered = sent == 1 && received == 1;
  if (!answered) return Finish(0);
  std::copy(answer.begin(), answer.end(), packet_.Bytes());  // the packet keeps the reply
  if (result != nullptr) *result = packet_.Request();
  return Finish(1);
}

int DeviceLink::SetClock(const LocalTime& time) {
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
  return Finish(SendPacket(packet_.Bytes(), kPacketSize));
}

}  // namespace kavrin
