#pragma once
// Test doubles behind the video-input seam: a device list of our choosing, and a channel that
// logs every transfer and either answers from a simulated recorder or accepts everything.
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "device/sim/recorder.h"
#include "device/video_input.h"

namespace kavrin::test {

struct LoggedTransfer {
  Guid propertySet;
  uint32_t nodeId = 0;
  uint32_t selector = 0;
  bool isSet = false;
  uint32_t length = 0;
  std::array<uint8_t, 64> bytes{};  // sent on SET, received on GET
  int32_t status = 0;
  bool locked = false;  // whether the channel's lock was held
};

struct ChannelLog {
  std::vector<LoggedTransfer> transfers;
  int lockAttempts = 0;  // every wait for the device, given up or not
  int locks = 0;
  int unlocks = 0;
  bool heldByPeer = false;  // another program holds the device: Lock gives up
  int channelsAlive = 0;
  std::vector<LoggedTransfer> Sets() const {
    std::vector<LoggedTransfer> sets;
    for (const LoggedTransfer& t : transfers) {
      if (t.isSet) sets.push_back(t);
    }
    return sets;
  }
};

// recorder == null: every SET succeeds, every GET answers `cannedReply` with `getStatus`.
class RecordingChannel : public PropertyChannel {
 public:
  RecordingChannel(ChannelLog& log, sim::Recorder* recorder) : log_(log), recorder_(recorder) {
    ++log_.channelsAlive;
  }
  ~RecordingChannel() override { --log_.channelsAlive; }

  int32_t TransferProperty(const Guid& propertySet, uint32_t nodeId, uint32_t selector, bool isSet,
                           uint8_t* data, uint32_t length) override {
    LoggedTransfer t;
    t.propertySet = propertySet;
    t.nodeId = nodeId;
    t.selector = selector;
    t.isSet = isSet;
    t.length = length;
    t.locked = held_;
    if (recorder_ != nullptr && length == 64) {
      t.status = recorder_->HandleTransfer(selector, isSet, std::span<uint8_t, 64>(data, 64));
    } else if (isSet) {
      t.status = setStatus;
    } else {
      t.status = getStatus;
      if (t.status == kStatusOk)
        std::memcpy(data, cannedReply.data(), std::min<uint32_t>(length, 64));
    }
    std::memcpy(t.bytes.data(), data, std::min<uint32_t>(length, 64));
    log_.transfers.push_back(t);
    return t.status;
  }
  bool Lock() override {
    ++log_.lockAttempts;
    if (log_.heldByPeer) return false;
    ++log_.locks;
    held_ = true;
    return true;
  }
  void Unlock() override {
    ++log_.unlocks;
    held_ = false;
  }

  int32_t setStatus = kStatusOk;
  int32_t getStatus = kStatusOk;
  std::array<uint8_t, 64> cannedReply{};

 private:
  ChannelLog& log_;
  sim::Recorder* recorder_;
  bool held_ = false;
};

// A device list as given; Bind hands out RecordingChannels on the shared log, and refuses
// the locations in `unbindable`.
class FakeBackend : public VideoInputBackend {
 public:
  std::optional<std::vector<VideoInput>> ListVideoInputs() override {
    ++listCalls;
    return inputs;
  }
  std::unique_ptr<PropertyChannel> Bind(const VideoInput& input) override {
    bound.push_back(input.location);
    if (unbindable.contains(input.location)) return nullptr;
    auto channel = std::make_unique<RecordingChannel>(log, recorder);
    channel->setStatus = setStatus;
    channel->getStatus = getStatus;
    channel->cannedReply = cannedReply;
    return channel;
  }

  std::optional<std::vector<VideoInput>> inputs = std::vector<VideoInput>{};
  std::set<std::string> unbindable;
  std::vector<std::string> bound;
  int listCalls = 0;
  ChannelLog log;
  sim::Recorder* recorder = nullptr;
  int32_t setStatus = kStatusOk;
  int32_t getStatus = kStatusOk;
  std::array<uint8_t, 64> cannedReply{};
};

inline uint32_t Le32(const std::array<uint8_t, 64>& b, std::size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

}  // namespace kavrin::test
