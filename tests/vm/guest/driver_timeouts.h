#pragma once
// The host side's view of requests the rig lost: each control request the camera did not
// answer within the driver's time-out leaves a kernel message with -110 (ETIMEDOUT), from
// uvcvideo ("Failed to query (GET_CUR) UVC control 17 on unit 4: -110") or from the USB core
// during enumeration ("device descriptor read/64, error -110"). The camera cannot always see
// these itself: gadgetfs silently replaces a request it had not yet read with the next one.
#include <cstdint>

namespace kavrin::vm {

class DriverTimeouts {
 public:
  // Starts counting at the end of the kernel log as it stands.
  DriverTimeouts();
  ~DriverTimeouts();
  DriverTimeouts(const DriverTimeouts&) = delete;
  DriverTimeouts& operator=(const DriverTimeouts&) = delete;

  // Time-outs logged since construction (or the previous call).
  uint64_t Take();

 private:
  int fd_ = -1;
};

}  // namespace kavrin::vm
