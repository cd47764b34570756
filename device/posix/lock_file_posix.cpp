#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "device/lock_file.h"

namespace kavrin {

LockFile::~LockFile() {
  if (IsOpen()) ::close(static_cast<int>(handle_));  // closing lets go of the lock too
}

LockOpen LockFile::Open(const std::string& path, std::string* problem) {
  if (IsOpen()) return LockOpen::kOpened;
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0666);
  const int createError = fd < 0 ? errno : 0;
  if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | kFlags);
  if (fd < 0) {
    const int error = errno;
    const bool folderRefuses =
        createError == EACCES || createError == EROFS || createError == EPERM;
    if (error == ENOENT && folderRefuses) return LockOpen::kFolderReadOnly;
    struct stat link {};
    const bool isLink = ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    const int reported = isLink                                      ? ELOOP
                         : createError != 0 && createError != ENOENT ? createError
                                                                     : error;
    *problem = "cannot open the lock file " + path + ": " +
               (reported == ELOOP ? std::string("a link, which a lock file never follows")
                                  : std::generic_category().message(reported));
    return LockOpen::kFailed;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    *problem = "cannot open the lock file " + path + ": not a regular file";
    return LockOpen::kFailed;
  }
  handle_ = fd;
  return LockOpen::kOpened;
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
