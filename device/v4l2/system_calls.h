#pragma once
// The few system calls the V4L2 backend makes, behind an interface so that tests can answer
// them for a fixture tree. Each returns what the system call returns and sets errno alike.
namespace kavrin::v4l2 {

class SystemCalls {
 public:
  virtual ~SystemCalls() = default;
  virtual int Open(const char* path, int flags) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
  virtual int Flock(int fd, int operation) = 0;
  virtual int Close(int fd) = 0;
};

// The real ones.
SystemCalls& RealSystemCalls();

}  // namespace kavrin::v4l2
