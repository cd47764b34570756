#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "device/lock_file.h"

namespace kavrin {

LockFile::~LockFile() {
  if (IsOpen()) ::close(static_cast<int>(handle_));  // closing lets go of the lock too
}

bool LockFile::Open(const std::string& path) {
  if (IsOpen()) return true;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

TryResult LockFile::TryLock() {
  if (!IsOpen()) return TryResult::kFailed;
  if (::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0) return TryResult::kDone;
  return errno == EWOULDBLOCK || errno == EINTR ? TryResult::kBusy : TryResult::kFailed;
}

void LockFile::Unlock() {
  if (IsOpen()) ::flock(static_cast<int>(handle_), LOCK_UN);
}

}  // namespace kavrin
