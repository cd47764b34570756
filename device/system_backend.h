#pragma once
// The operating system's own video inputs and device-change monitor, without the
// simulator: device/v4l2 on Linux, device/dshow on Windows. Used by platform_backend.cpp.
#include <memory>

#include "device/device_change_monitor.h"
#include "device/video_input.h"

namespace kavrin {

std::unique_ptr<VideoInputBackend> MakeSystemVideoInputBackend();
std::unique_ptr<DeviceChangeMonitor> MakeSystemDeviceChangeMonitor();

}  // namespace kavrin
