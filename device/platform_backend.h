#pragma once
// The video inputs and device-change notifications this machine offers: the simulated
// recorder when KAVRIN_SIMULATOR names its state file, else the operating system's.
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "device/device_change_monitor.h"
#include "device/video_input.h"

namespace kavrin {

std::unique_ptr<VideoInputBackend> MakeVideoInputBackend();
std::unique_ptr<DeviceChangeMonitor> MakeDeviceChangeMonitor();

// Waits up to `timeout` for a device change and lets its burst of events settle (~100 ms:
// one recorder brings several nodes). Without a monitor, or when a signal interrupts the
// wait, it returns early or just waits. True when a change was seen.
bool WaitForDeviceChange(DeviceChangeMonitor* monitor, std::chrono::milliseconds timeout);

// The state file KAVRIN_SIMULATOR names; nothing when it is unset or empty.
std::optional<std::string> SimulatorStatePath();

}  // namespace kavrin
