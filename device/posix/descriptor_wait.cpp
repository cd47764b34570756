#include "device/posix/descriptor_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
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
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;  // timed out, or the descriptor broke
    if (monitor.ConsumeEvents()) return true;
    if (Clock::now() >= deadline) return false;
  }
}

}  // namespace kavrin
