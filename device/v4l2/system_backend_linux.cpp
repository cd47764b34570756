// Linux: V4L2 capture nodes and a libudev monitor.
#include "device/system_backend.h"
#include "device/v4l2/udev_change_monitor.h"
#include "device/v4l2/v4l2_backend.h"

namespace kavrin {

std::unique_ptr<VideoInputBackend> MakeSystemVideoInputBackend() {
  return std::make_unique<v4l2::V4l2Backend>();
}

std::unique_ptr<DeviceChangeMonitor> MakeSystemDeviceChangeMonitor() {
  return std::make_unique<v4l2::UdevChangeMonitor>();
}

}  // namespace kavrin
