#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "config/standard_descriptors.h"

namespace kavrin {

bool OpenClosedStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is taken, and every lower one is open by now: this is `fd`.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened < 0) return false;
    if (opened != fd) {
      const bool moved = ::dup2(opened, fd) == fd;
      ::close(opened);
      if (!moved) return false;
    }
  }
  return true;
}

}  // namespace kavrin
