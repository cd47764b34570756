#pragma once
// A control request as the device side receives it, and the ways the device can finish it.
// The camera's logic is written against ControlPipe so that it runs on gadgetfs in the
// virtual machine and on a recording fake in the host's unit tests.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kavrin::vm {

struct SetupPacket {
  uint8_t requestType = 0;  // bmRequestType
  uint8_t request = 0;      // bRequest
  uint16_t value = 0;       // wValue
  uint16_t index = 0;       // wIndex
  uint16_t length = 0;      // wLength

  bool IsIn() const { return (requestType & 0x80) != 0; }
  bool IsStandard() const { return (requestType & 0x60) == 0x00; }
  bool IsClass() const { return (requestType & 0x60) == 0x20; }
  bool ToInterface() const { return (requestType & 0x1F) == 0x01; }
};

// Each way of finishing a request says whether the request was still there to finish: false
// (nullopt) when it was lost, because the host gave up on it or moved on to the next request
// before the camera answered. A lost request is the rig's failure, not the tool's: the camera
// counts it so that the guest can tell the two apart.
class ControlPipe {
 public:
  virtual ~ControlPipe() = default;
  // Data stage of an IN request; the host takes at most its wLength bytes.
  virtual bool Reply(std::span<const uint8_t> data) = 0;
  // Data stage of an OUT request: what the host sent, or nullopt when the request was lost.
  virtual std::optional<std::vector<uint8_t>> ReceiveData(std::size_t length) = 0;
  // Status stage of an OUT request without data.
  virtual bool Acknowledge() = 0;
  // Refuses the request with a STALL. gadgetfs can stall IN requests and OUT requests without
  // data; the data stage of an OUT request is accepted by the kernel before the camera sees it.
  virtual bool Stall() = 0;
};

}  // namespace kavrin::vm
