#include "device/sim/recorder.h"

#include <algorithm>
#include <cstdio>

#include "device/device_link.h"

namespace kavrin::sim {
namespace {

// Command codes and packet layout as the recorder reads them.
constexpr uint32_t kCmdSettingsData = 2;
constexpr uint32_t kCmdModelName = 4;
constexpr uint32_t kCmdFwVersion = 5;
constexpr uint32_t kCmdFwUpdateName = 6;
constexpr uint32_t kCmdHwVersion = 7;
constexpr uint32_t kCmdEngineTest = 9;
constexpr uint32_t kCmdSetClock = 10;
constexpr uint32_t kRequestToDevice = 0;
constexpr uint32_t kRequestToHost = 1;
constexpr uint32_t kMaxChunk = 40;
constexpr std::size_t kDataOffset = 16;

uint32_t Get32(std::span<const uint8_t, 64> p, std::size_t at) {
  return static_cast<uint32_t>(p[at]) | (static_cast<uint32_t>(p[at + 1]) << 8) |
         (static_cast<uint32_t>(p[at + 2]) << 16) | (static_cast<uint32_t>(p[at + 3]) << 24);
}

uint16_t Get16(std::span<const uint8_t, 64> p, std::size_t at) {
  return static_cast<uint16_t>(p[at] | (p[at + 1] << 8));
}

// "YYYY-MM-DDTHH:MM:SS" from the six values of a clock request, or nothing for a date and
// time that cannot be.
std::optional<std::string> ClockText(std::span<const uint8_t, 64> p) {
  LocalTime time;
  time.wYear = Get16(p, 8);
  time.wMonth = Get16(p, 10);
  time.wDay = Get16(p, 12);
  time.wHour = Get16(p, 14);
  time.wMinute = Get16(p, 16);
  time.wSecond = Get16(p, 18);
  if (!time.IsValid()) return std::nullopt;
  return time.Text();
}

const std::string* IdentificationString(const RecorderState& state, uint32_t command) {
  switch (command) {
    case kCmdModelName:
      return &state.model;
    case kCmdFwVersion:
      return &state.fwVersion;
    case kCmdFwUpdateName:
      return &state.fwUpdateName;
    case kCmdHwVersion:
      return &state.hwVersion;
    default:
      return nullptr;
  }
}

}  // namespace

bool Recorder::Vanished() const {
  return state_.faults.vanishAfter != 0 && state_.transfers >= state_.faults.vanishAfter;
}

int32_t Recorder::HandleTransfer(uint32_t selector, bool isSet, std::span<uint8_t, 64> data) {
  if (Vanished()) return kRecorderGone;
  ++state_.transfers;
  // A new request replaces whatever answer was still unread, even when the request itself
  // fails: a GET must never answer an older question.
  if (selector == kSelectorCommand && isSet) replyReady_ = false;
  if (const std::optional<int32_t> fault = InjectedFault(selector, isSet, data)) return *fault;

  if (selector == kSelectorCommand && isSet) return HandleRequest(data);
  if (selector == kSelectorCommand) {
    if (!replyReady_) return kRecorderFail;  // nothing was asked
    std::copy(reply_.begin(), reply_.end(), data.begin());
    replyReady_ = false;
    return kRecorderOk;
  }
  if (selector == kSelectorCommit && isSet) return HandleCommit(data);
  return kRecorderFail;  // a selector this unit does not have, or a GET on the commit
}

std::optional<int32_t> Recorder::InjectedFault(uint32_t selector, bool isSet,
                                               std::span<const uint8_t, 64> data) {
  // A GET belongs to the request it answers; a SET carries its own command and offset.
  const uint32_t command = isSet ? Get32(data, 4) : replyCommand_;
  const uint32_t offset = isSet ? Get32(data, 8) : replyOffset_;
  for (FaultPlan::Rule& rule : state_.faults.rules) {
    if (rule.spent) continue;
    if (rule.transfer != 0 && rule.transfer != state_.transfers) continue;
    if (rule.selector && *rule.selector != selector) continue;
    if (rule.isSet && *rule.isSet != isSet) continue;
    if (rule.command && *rule.command != command) continue;
    if (rule.offset && *rule.offset != offset) continue;
    if (rule.once) rule.spent = true;
    return rule.status;
  }
  return std::nullopt;
}

void Recorder::PrepareReply(std::span<const uint8_t> bytes) {
  reply_.fill(0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), reply_.size()), reply_.begin());
  replyReady_ = true;
}

int32_t Recorder::HandleRequest(std::span<const uint8_t, 64> packet) {
  const uint32_t request = Get32(packet, 0);
  const uint32_t command = Get32(packet, 4);
  const uint32_t offset = Get32(packet, 8);
  const uint32_t length = Get32(packet, 12);
  replyCommand_ = command;
  replyOffset_ = offset;

  if (command == kCmdSettingsData) {
    // Both limits checked apart so that a huge offset cannot wrap the sum.
    if (length == 0 || length > kMaxChunk || offset > state_.settings.size() ||
        length > state_.settings.size() - offset) {
      return kRecorderFail;
    }
    if (request == kRequestToDevice) {
      if (!stagedValid_) {
        staged_ = state_.settings;
        stagedValid_ = true;
      }
      std::copy_n(packet.begin() + kDataOffset, length, staged_.begin() + offset);
      return kRecorderOk;
    }
    if (request == kRequestToHost) {
      PrepareReply(std::span<const uint8_t>(state_.settings).subspan(offset, length));
      return kRecorderOk;
    }
    return kRecorderFail;
  }
  if (const std::string* text = IdentificationString(state_, command)) {
    if (request != kRequestToHost) return kRecorderFail;
    PrepareReply(std::span(reinterpret_cast<const uint8_t*>(text->data()), text->size()));
    return kRecorderOk;
  }
  if (command == kCmdEngineTest) {
    if (request != kRequestToHost) return kRecorderFail;
    const auto found = state_.testResults.find(offset);
    const uint32_t answer = found == state_.testResults.end() ? 1u : found->second;
    const uint8_t bytes[4] = {static_cast<uint8_t>(answer), static_cast<uint8_t>(answer >> 8),
                              static_cast<uint8_t>(answer >> 16),
                              static_cast<uint8_t>(answer >> 24)};
    PrepareReply(bytes);
    return kRecorderOk;
  }
  if (command == kCmdSetClock) {
    if (request != kRequestToDevice) return kRecorderFail;
    std::optional<std::string> clock = ClockText(packet);
    if (!clock) return kRecorderFail;
    state_.clock = std::move(*clock);
    return kRecorderOk;
  }
  return kRecorderFail;
}

int32_t Recorder::HandleCommit(std::span<const uint8_t, 64> packet) {
  const uint32_t value = Get32(packet, 0);
  if (value != 1 && value != 2) return kRecorderFail;
  if (stagedValid_) state_.settings = staged_;
  stagedValid_ = false;
  state_.commits.push_back(value);
  if (value == 1) state_.kavrinFlag = true;
  return kRecorderOk;
}

}  // namespace kavrin::sim
