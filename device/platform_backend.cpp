#include "device/platform_backend.h"

#include <cstdlib>
#include <thread>

#include "device/sim/sim_backend.h"
#include "device/sim/sim_change_monitor.h"
#include "device/system_backend.h"

namespace kavrin {

std::optional<std::string> SimulatorStatePath() {
  const char* path = std::getenv("KAVRIN_SIMULATOR");
  if (path == nullptr || *path == '\0') return std::nullopt;
  return std::string(path);
}

std::unique_ptr<VideoInputBackend> MakeVideoInputBackend() {
  if (std::optional<std::string> state = SimulatorStatePath()) {
    return std::make_unique<sim::SimBackend>(*state);
  }
  return MakeSystemVideoInputBackend();
}

std::unique_ptr<DeviceChangeMonitor> MakeDeviceChangeMonitor() {
  if (std::optional<std::string> state = SimulatorStatePath()) {
    return std::make_unique<sim::SimChangeMonitor>(*state);
  }
  return MakeSystemDeviceChangeMonitor();
}

bool WaitForDeviceChange(DeviceChangeMonitor* monitor, std::chrono::milliseconds timeout) {
  if (monitor == nullptr) {
    std::this_thread::sleep_for(timeout);
    return false;
  }
  if (!monitor->WaitForChange(timeout)) return false;
  // One recorder brings several nodes: let the burst settle before attaching.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  monitor->ConsumeEvents();
  return true;
}

}  // namespace kavrin
