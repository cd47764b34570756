#pragma once
// WaitForChange for monitors whose events arrive on a descriptor (libudev, inotify).
#include <chrono>

#include "device/device_change_monitor.h"

namespace kavrin {

// Waits on monitor.Descriptor() until ConsumeEvents() reports a change or the timeout ends;
// events that are no change (another device's, the simulator's own rewrites) keep it
// waiting. A signal ends the wait early (false). Without a descriptor it sleeps the whole
// timeout.
bool WaitForDescriptorChange(DeviceChangeMonitor& monitor, std::chrono::milliseconds timeout);

}  // namespace kavrin
