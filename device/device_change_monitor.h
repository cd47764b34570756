#pragma once
// Tells when video input devices may have come or gone. The window and the command line
// poll its descriptor; Linux uses a libudev monitor on video4linux, the simulator watches
// its state file.
#include <memory>

namespace kavrin {

class DeviceChangeMonitor {
 public:
  virtual ~DeviceChangeMonitor() = default;
  // Readable when events are pending; -1 when the monitor could not be set up.
  virtual int Descriptor() const = 0;
  // Drains pending events; true when any of them is a device change worth re-attaching for.
  virtual bool ConsumeEvents() = 0;
};

}  // namespace kavrin
