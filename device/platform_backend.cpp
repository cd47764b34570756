#include "device/platform_backend.h"

#include <cstdlib>

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

}  // namespace kavrin
