#pragma once
// Device changes on Linux: a libudev monitor on subsystem video4linux. Kept apart from the
// V4L2 backend so that programs linked statically with the backend need no libudev.
#include <string_view>

#include "device/device_change_monitor.h"

struct udev;
struct udev_monitor;

namespace kavrin::v4l2 {

class UdevChangeMonitor : public DeviceChangeMonitor {
 public:
  UdevChangeMonitor();
  ~UdevChangeMonitor() override;
  UdevChangeMonitor(const UdevChangeMonitor&) = delete;
  UdevChangeMonitor& operator=(const UdevChangeMonitor&) = delete;

  int Descriptor() const override { return fd_; }
  // True when a video node was added or removed. Callers let a burst settle (~100 ms)
  // before re-attaching: one camera brings several nodes.
  bool ConsumeEvents() override;
  bool WaitForChange(std::chrono::milliseconds timeout) override;

 private:
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  int fd_ = -1;
};

// Whether a udev action is a device coming or going ("add", "remove"); "change" and
// "bind" are not.
bool IsDeviceChangeAction(std::string_view action);

}  // namespace kavrin::v4l2
