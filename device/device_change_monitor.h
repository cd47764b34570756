#pragma once
// Tells when video input devices may have come or gone. Linux uses a libudev monitor on
// video4linux, the simulator watches its state file, Windows a message-only window that
// receives WM_DEVICECHANGE.
#include <chrono>
#include <memory>

namespace kavrin {

class DeviceChangeMonitor {
 public:
  virtual ~DeviceChangeMonitor() = default;
  // For an event loop that waits on descriptors: readable when events are pending; -1 where
  // the platform has none (Windows) or the monitor could not be set up.
  virtual int Descriptor() const = 0;
  // Drains pending events without waiting; true when any of them is a device change worth
  // re-attaching for.
  virtual bool ConsumeEvents() = 0;
  // Waits up to timeout for a device change (the command line's --wait); true when one
  // came. A monitor that could not be set up waits the whole timeout and returns false, so
  // that a caller trying again after each wait does not spin.
  virtual bool WaitForChange(std::chrono::milliseconds timeout) = 0;
};

}  // namespace kavrin
