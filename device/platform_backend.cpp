#include "device/platform_backend.h"

#include <poll.h>

#include <cstdlib>
#include <thread>

#include "device/sim/sim_backend.h"
#include "device/sim/sim_change_monitor.h"
#include "device/v4l2/udev_change_monitor.h"
#include "device/v4l2/v4l2_backend.h"

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
  return std::make_unique<v4l2::V4l2Backend>();
}

std::unique_ptr<DeviceChangeMonitor> MakeDeviceChangeMonitor() {
  if (std::optional<std::string> state = SimulatorStatePath()) {
    return std::make_unique<sim::SimChangeMonitor>(*state);
  }
  return std::make_unique<v4l2::UdevChangeMonitor>();
}

bool WaitForDeviceChange(DeviceChangeMonitor* monitor, std::chrono::milliseconds timeout) {
  const int fd = monitor != nullptr ? monitor->Descriptor() : -1;
  if (fd < 0) {
    std::this_thread::sleep_for(timeout);
    return false;
  }
  pollfd watched{fd, POLLIN, 0};
  if (::poll(&watched, 1, static_cast<int>(timeout.count())) > 0 && monitor->ConsumeEvents()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    monitor->ConsumeEvents();
    return true;
  }
  return false;
}

}  // namespace kavrin
