#pragma once
// The platform's recorders (the simulator in the tests) behind a backend that notes every
// bind, lock and transfer the device commands make, and keeps the packets they SET: what a
// command sent, byte for byte, to compare with what it said it would send.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/device_environment.h"
#include "device/platform_backend.h"
#include "device/video_input.h"

namespace kavrin::test {

struct SentPacket {
  uint32_t selector = 0;
  std::array<uint8_t, 64> bytes{};
  uint32_t Field(std::size_t at) const {
    return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<uint32_t>(bytes[at + 3]) << 24);
  }
  uint32_t Half(std::size_t at) const {
    return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8);
  }
};

// Shared by every backend of one command (one per unit thread).
struct DeviceTraffic {
  std::mutex mutex;
  std::size_t binds = 0;
  std::size_t locks = 0;
  std::size_t transfers = 0;
  std::vector<SentPacket> sets;

  // The 80 bytes of the settings chunks (command 2, request 0) as sent.
  std::optional<std::array<uint8_t, 80>> SettingsSent() {
    std::lock_guard<std::mutex> lock(mutex);
    std::array<uint8_t, 80> settings{};
    std::size_t covered = 0;
    for (const SentPacket& p : sets) {
      if (p.selector != 17 || p.Field(0) != 0 || p.Field(4) != 2) continue;
      const uint32_t offset = p.Field(8), length = p.Field(12);
      if (offset + length > settings.size()) return std::nullopt;
      std::copy_n(p.bytes.begin() + 16, length, settings.begin() + offset);
      covered += length;
    }
    if (covered != settings.size()) return std::nullopt;
    return settings;
  }
  // The commit values (selector 18) in order.
  std::vector<uint32_t> Commits() {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<uint32_t> commits;
    for (const SentPacket& p : sets) {
      if (p.selector == 18) commits.push_back(p.Field(0));
    }
    return commits;
  }
  // The clocks set (command 10), as "YYYY-MM-DDTHH:MM:SS".
  std::vector<std::string> Clocks() {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> clocks;
    for (const SentPacket& p : sets) {
      if (p.selector != 17 || p.Field(0) != 0 || p.Field(4) != 10) continue;
      char text[48];  // six fields of up to five digits each, and the separators
      std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", p.Half(8), p.Half(10),
                    p.Half(12), p.Half(14), p.Half(16), p.Half(18));
      clocks.push_back(text);
    }
    return clocks;
  }
};

class RecordingChannel : public PropertyChannel {
 public:
  RecordingChannel(std::unique_ptr<PropertyChannel> inner, DeviceTraffic& traffic)
      : inner_(std::move(inner)), traffic_(traffic) {}
  int32_t TransferProperty(const Guid& propertySet, uint32_t nodeId, uint32_t selector, bool isSet,
                           uint8_t* data, uint32_t length) override {
    {
      std::lock_guard<std::mutex> lock(traffic_.mutex);
      ++traffic_.transfers;
      if (isSet && data) {
        SentPacket packet;
        packet.selector = selector;
        std::copy_n(data, std::min<uint32_t>(length, 64), packet.bytes.begin());
        traffic_.sets.push_back(packet);
      }
    }
    return inner_->TransferProperty(propertySet, nodeId, selector, isSet, data, length);
  }
  bool Lock() override {
    {
      std::lock_guard<std::mutex> lock(traffic_.mutex);
      ++traffic_.locks;
    }
    return inner_->Lock();
  }
  void Unlock() override { inner_->Unlock(); }
  std::string LockProblem() const override { return inner_->LockProblem(); }

 private:
  std::unique_ptr<PropertyChannel> inner_;
  DeviceTraffic& traffic_;
};

class RecordingBackend : public VideoInputBackend {
 public:
  explicit RecordingBackend(DeviceTraffic& traffic)
      : inner_(MakeVideoInputBackend()), traffic_(traffic) {}
  std::optional<std::vector<VideoInput>> ListVideoInputs() override {
    return inner_->ListVideoInputs();
  }
  std::unique_ptr<PropertyChannel> Bind(const VideoInput& input) override {
    {
      std::lock_guard<std::mutex> lock(traffic_.mutex);
      ++traffic_.binds;
    }
    std::unique_ptr<PropertyChannel> channel = inner_->Bind(input);
    if (!channel) return nullptr;
    return std::make_unique<RecordingChannel>(std::move(channel), traffic_);
  }
  InputDiagnosis Diagnose(const VideoInput& input) override { return inner_->Diagnose(input); }
  std::string ListProblem() const override { return inner_->ListProblem(); }

 private:
  std::unique_ptr<VideoInputBackend> inner_;
  DeviceTraffic& traffic_;
};

// The platform's environment with every backend recording into `traffic`.
inline cli::DeviceEnvironment RecordingEnvironment(DeviceTraffic& traffic) {
  cli::DeviceEnvironment environment = cli::DeviceEnvironment::Platform();
  environment.makeBackend = [&traffic] { return std::make_unique<RecordingBackend>(traffic); };
  return environment;
}

}  // namespace kavrin::test
