#include "tests/vm/guest/driver_timeouts.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

namespace kavrin::vm {

DriverTimeouts::DriverTimeouts() {
  fd_ = ::open("/dev/kmsg", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    std::perror("vm_guest_checks: /dev/kmsg (the driver's time-outs go uncounted)");
    return;
  }
  ::lseek(fd_, 0, SEEK_END);
}

DriverTimeouts::~DriverTimeouts() {
  if (fd_ >= 0) ::close(fd_);
}

uint64_t DriverTimeouts::Take() {
  uint64_t count = 0;
  if (fd_ < 0) return count;
  char record[2048];
  for (;;) {
    // One record per read: "level,sequence,time,flags;message\n".
    const ssize_t n = ::read(fd_, record, sizeof record - 1);
    if (n < 0 && errno == EPIPE) continue;  // records overwritten before they were read
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    const std::string_view text(record, static_cast<std::size_t>(n));
    // The message ends at the first newline; the device's fields (" SUBSYSTEM=usb") follow.
    const std::size_t body = text.find(';');
    if (body == std::string_view::npos) continue;
    const std::string_view message = text.substr(body + 1, text.find('\n', body) - body - 1);
    if (message.find("-110") != std::string_view::npos) {
      std::printf("  rig: the driver gave up on a request: %.*s\n",
                  static_cast<int>(message.size()), message.data());
      ++count;
    }
  }
  std::fflush(stdout);
  return count;
}

}  // namespace kavrin::vm
