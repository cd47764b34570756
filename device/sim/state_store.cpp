#include "device/sim/state_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>


namespace kavrin::sim {
namespace {

// Opens (creating it if need be) the lock file; a lock file of another user's that we may
// only read still carries a lock.
int OpenLockFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  return fd;
}

}  // namespace

bool StateFilePresent(const std::string& statePath) {
  std::error_code ec;
  return std::filesystem::exists(statePath, ec);
}

StateStore::StateStore(std::string statePath, std::chrono::milliseconds lockWait)
    : statePath_(std::move(statePath)), lockWait_(lockWait) {}

StateStore::~StateStore() {
  if (lockFd_ >= 0) ::close(lockFd_);  // closing lets go of the lock too
}

std::string StateStore::LockPathFor(const std::string& statePath) {
  const std::filesystem::path path(statePath);
  return (path.parent_path() / ("." + path.filename().string() + ".lock")).string();
}

bool StateStore::Lock() {
  if (depth_ > 0) {
    ++depth_;
    return true;
  }
  if (lockFd_ < 0) lockFd_ = OpenLockFile(LockPathFor(statePath_));
  if (lockFd_ < 0) {
    // Nothing can be written in this folder, so no change can be lost either.
    depth_ = 1;
    locked_ = false;
    return true;
  }
  const TryResult result = RetryWhileBusy(
      [this] {
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return TryResult::kDone;
        return errno == EWOULDBLOCK || errno == EINTR ? TryResult::kBusy : TryResult::kFailed;
      },
      lockWait_);
  if (result != TryResult::kDone) return false;
  depth_ = 1;
  locked_ = true;
  return true;
}

void StateStore::Unlock() {
  if (depth_ == 0 || --depth_ > 0) return;
  if (locked_) ::flock(lockFd_, LOCK_UN);
  locked_ = false;
}

StateStore::Outcome StateStore::Update(const std::function<bool(RecorderState&)>& change,
                                       std::string* error) {
  if (!Lock()) return Outcome::kBusy;
  struct Release {
    StateStore* store;
    ~Release() { store->Unlock(); }
  } release{this};
  // Removing the file unplugs the recorder: a save must never bring it back.
  if (!StateFilePresent(statePath_)) return Outcome::kAbsent;
  // A file that does not read as a state (an edit half done, say) is the user's, and is
  // never overwritten.
  std::optional<RecorderState> state = LoadState(statePath_, error);
  if (!state) return Outcome::kUnusable;
  if (!change(*state)) return Outcome::kUnchanged;
  return SaveState(statePath_, *state) ? Outcome::kSaved : Outcome::kNotSaved;
}

}  // namespace kavrin::sim
