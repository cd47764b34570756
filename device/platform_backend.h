#pragma once
// The video inputs and device-change notifications this machine offers: the simulated
// recorder when KAVRIN_SIMULATOR names its state file, else the operating system's.
#include <memory>
#include <optional>
#include <string>

#include "device/device_change_monitor.h"
#include "device/video_input.h"

namespace kavrin {

std::unique_ptr<VideoInputBackend> MakeVideoInputBackend();
std::unique_ptr<DeviceChangeMonitor> MakeDeviceChangeMonitor();

// The state file KAVRIN_SIMULATOR names; nothing when it is unset or empty.
std::optional<std::string> SimulatorStatePath();

}  // namespace kavrin
