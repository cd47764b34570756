#pragma once
// Where the device commands find recorders: the platform's backend and device-change monitor
// (the simulator when KAVRIN_SIMULATOR is set). The benchmark hands in recorders of its own.
#include <functional>
#include <memory>

#include "cli/unit_runner.h"
#include "device/device_change_monitor.h"

namespace kavrin::cli {

struct DeviceEnvironment {
  BackendFactory makeBackend;
  std::function<std::unique_ptr<DeviceChangeMonitor>()> makeMonitor;

  // MakeVideoInputBackend and MakeDeviceChangeMonitor.
  static DeviceEnvironment Platform();
};

}  // namespace kavrin::cli
