#pragma once
// An exclusive advisory lock on a file, as programs that share a file take turns with it:
// flock on POSIX systems (posix/lock_file_posix.cpp), LockFileEx on Windows
// (win32/lock_file_win32.cpp). The system lets go of it when the holder ends, however it ends.
#include <cstdint>
#include <string>

#include "device/bounded_wait.h"

namespace kavrin {

enum class LockOpen {
  kOpened,
  kFolderReadOnly,  // no lock file, and the folder takes no new one
  kFailed,          // there, but not to be had: a link (never followed), no permission, ...
};

class LockFile {
 public:
  LockFile() = default;
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  // Opens the file, creating it if need be; a file of another user's that may only be read
  // still carries a lock. A link at the path is never followed: planted there, it would
  // make the lock (and a created file) land where its owner chose. *problem says why for
  // kFailed.
  LockOpen Open(const std::string& path, std::string* problem);
  bool IsOpen() const { return handle_ != kNone; }
  // One try without waiting: kDone held now, kBusy another program holds it, kFailed the lock
  // cannot be had.
  TryResult TryLock();
  void Unlock();

 private:
  static constexpr intptr_t kNone = -1;
  intptr_t handle_ = kNone;  // the descriptor or HANDLE
};

}  // namespace kavrin
