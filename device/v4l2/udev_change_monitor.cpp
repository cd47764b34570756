#include "device/v4l2/udev_change_monitor.h"

#include <libudev.h>

#include "device/posix/descriptor_wait.h"

namespace kavrin::v4l2 {

bool IsDeviceChangeAction(std::string_view action) { return action == "add" || action == "remove"; }

UdevChangeMonitor::UdevChangeMonitor() {
  udev_ = udev_new();
  if (udev_ == nullptr) return;
  monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (monitor_ == nullptr ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor_, "video4linux", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    return;  // no udev here (a container): the descriptor stays -1
  }
  fd_ = udev_monitor_get_fd(monitor_);
}

UdevChangeMonitor::~UdevChangeMonitor() {
  if (monitor_ != nullptr) udev_monitor_unref(monitor_);
  if (udev_ != nullptr) udev_unref(udev_);
}

bool UdevChangeMonitor::WaitForChange(std::chrono::milliseconds timeout) {
  return WaitForDescriptorChange(*this, timeout);
}

bool UdevChangeMonitor::ConsumeEvents() {
  if (fd_ < 0) return false;
  bool changed = false;
  // The monitor's socket does not block: receive until it is drained.
  while (udev_device* device = udev_monitor_receive_device(monitor_)) {
    const char* action = udev_device_get_action(device);
    if (action != nullptr && IsDeviceChangeAction(action)) changed = true;
    udev_device_unref(device);
  }
  return changed;
}

}  // namespace kavrin::v4l2
