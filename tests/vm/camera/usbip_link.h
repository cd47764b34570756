#pragma once
// The device side of a USB device through USB/IP: the camera attaches itself to a port of the
// kernel's virtual host controller (vhci_hcd) over a socket pair and answers the URBs the
// host's drivers send. Unlike gadgetfs, which serves one device per kernel, any number of
// cameras can be plugged in this way, each with its own serial string. Closing the link (or
// the process ending) unplugs the device.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/vm/camera/control_pipe.h"

namespace kavrin::vm {

class UsbipLink : public ControlPipe {
 public:
  // Plugs a high-speed device into vhci_hcd's port `port` (0 to 7 on the high-speed hub);
  // null with *error when the controller refuses it.
  static std::unique_ptr<UsbipLink> Attach(unsigned port, std::string* error);
  ~UsbipLink() override;
  UsbipLink(const UsbipLink&) = delete;
  UsbipLink& operator=(const UsbipLink&) = delete;

  // Blocks until the host sends a control request; URBs on other endpoints (the status
  // interrupt, streaming) are held unanswered until the host takes them back. False when the
  // host has let go of the device.
  bool NextControl(SetupPacket* setup);

  bool Reply(std::span<const uint8_t> data) override;
  std::optional<std::vector<uint8_t>> ReceiveData(std::size_t length) override;
  bool Acknowledge() override;
  bool Stall() override;
  // Control requests the host took back (its driver's time-out) before the camera's answer
  // reached it: lost, like a request gadgetfs drops.
  uint64_t LostRequests() const { return lost_; }

 private:
  explicit UsbipLink(int fd) : fd_(fd) {}
  // Completes the current control URB with a status and, for IN, data.
  bool Complete(int32_t status, std::span<const uint8_t> data);

  int fd_;
  uint32_t seqnum_ = 0;  // the control URB being answered
  SetupPacket setup_;
  std::vector<uint8_t> outData_;  // what came with an OUT request
  bool answered_ = true;
  uint64_t lost_ = 0;
  std::map<uint32_t, uint32_t> held_;  // URBs on other endpoints: seqnum -> endpoint
};

}  // namespace kavrin::vm
