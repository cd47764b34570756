#pragma once
// The device side of USB control transfers through gadgetfs: ep0 of a user-space gadget on
// a UDC such as dummy_hcd's. Writing the descriptors to ep0 creates the device; closing ep0
// (or the process ending) removes it from the bus.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/vm/camera/control_pipe.h"

namespace kavrin::vm {

struct GadgetEvent {
  // kLost: gadgetfs dropped a request the camera had not finished or not yet read (EIDRM),
  // because the host sent the next one first.
  enum class Type { kConnect, kDisconnect, kSetup, kSuspend, kLost, kOther };
  Type type = Type::kOther;
  SetupPacket setup;  // for kSetup
};

class GadgetEp0 : public ControlPipe {
 public:
  // Opens the UDC's ep0 file and writes the descriptors; null with *error on failure.
  static std::unique_ptr<GadgetEp0> Open(const std::string& path,
                                         const std::vector<uint8_t>& descriptors,
                                         std::string* error);
  ~GadgetEp0() override;
  GadgetEp0(const GadgetEp0&) = delete;
  GadgetEp0& operator=(const GadgetEp0&) = delete;

  // Blocks until gadgetfs reports events (at most one setup at a time). False when ep0
  // failed for good.
  bool NextEvents(std::vector<GadgetEvent>* events);

  // Each fails (the request was lost) when gadgetfs refuses it, or when it comes later than
  // the host's driver waits for an answer after the camera read the request: the host has
  // given up by then, even if gadgetfs took the answer.
  bool Reply(std::span<const uint8_t> data) override;
  std::optional<std::vector<uint8_t>> ReceiveData(std::size_t length) override;
  bool Acknowledge() override;
  bool Stall() override;

 private:
  explicit GadgetEp0(int fd) : fd_(fd) {}
  bool InTime() const;

  int fd_;
  SetupPacket current_;                           // the request being answered
  std::chrono::steady_clock::time_point readAt_;  // when the camera read it
};

}  // namespace kavrin::vm
