// Windows: DirectShow video inputs and WM_DEVICECHANGE through a message-only window.
#include "device/dshow/dshow_backend.h"
#include "device/dshow/dshow_change_monitor.h"
#include "device/system_backend.h"

namespace kavrin {

std::unique_ptr<VideoInputBackend> MakeSystemVideoInputBackend() {
  return std::make_unique<dshow::DshowBackend>();
}

std::unique_ptr<DeviceChangeMonitor> MakeSystemDeviceChangeMonitor() {
  return std::make_unique<dshow::DshowChangeMonitor>();
}

}  // namespace kavrin
