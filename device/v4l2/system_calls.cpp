#include "device/v4l2/system_calls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kavrin::v4l2 {
namespace {

class PosixSystemCalls : public SystemCalls {
 public:
  int Open(const char* path, int flags) override { return ::open(path, flags); }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    return ::ioctl(fd, request, argument);
  }
  int Flock(int fd, int operation) override { return ::flock(fd, operation); }
  int Close(int fd) override { return ::close(fd); }
};

}  // namespace

SystemCalls& RealSystemCalls() {
  static PosixSystemCalls calls;
  return calls;
}

}  // namespace kavrin::v4l2
