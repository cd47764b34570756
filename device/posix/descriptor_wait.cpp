#include "device/posix/descriptor_wait.h"

#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <thread>

namespace kavrin {

bool WaitForDescriptorChange(DeviceChangeMonitor& monitor, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const int fd = monitor.Descriptor();
  if (fd < 0) {
    std::this_thread::sleep_for(timeout);
    return false;
  }
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd watched{fd, POLLIN, 0};
    const int ready = ::poll(&watched, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
    // Timed out, the descriptor broke, or a signal came: a signal ends the wait early so
    // that a station asked to stop does so at once; every caller waits again if it goes on.
    if (ready <= 0) return false;
    if (monitor.ConsumeEvents()) return true;
    if (Clock::now() >= deadline) return false;
  }
}

}  // namespace kavrin
