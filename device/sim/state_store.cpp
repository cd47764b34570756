#include "device/sim/state_store.h"

#include <filesystem>

namespace kavrin::sim {

bool StateFilePresent(const std::string& statePath) {
  std::error_code ec;
  return std::filesystem::exists(statePath, ec);
}

StateStore::StateStore(std::string statePath, std::chrono::milliseconds lockWait)
    : statePath_(std::move(statePath)), lockWait_(lockWait) {}

StateStore::~StateStore() = default;  // closing the lock file lets go of the lock too

std::string StateStore::LockPathFor(const std::string& statePath) {
  const std::filesystem::path path(statePath);
  return (path.parent_path() / ("." + path.filename().string() + ".lock")).string();
}

bool StateStore::Lock() {
  if (depth_ > 0) {
    ++depth_;
    return true;
  }
  lockProblem_.clear();
  switch (lockFile_.Open(LockPathFor(statePath_), &lockProblem_)) {
    case LockOpen::kOpened:
      break;
    case LockOpen::kFolderReadOnly:
      // Nothing can be written in this folder, so no change can be lost either.
      depth_ = 1;
      locked_ = false;
      return true;
    case LockOpen::kFailed:
      // A lock file that is there but cannot be had (a planted link, another user's file):
      // going on unlocked would let two programs' changes undo each other.
      return false;
  }
  const TryResult result = RetryWhileBusy([this] { return lockFile_.TryLock(); }, lockWait_);
  if (result == TryResult::kFailed) lockProblem_ = "cannot lock " + LockPathFor(statePath_);
  if (result != TryResult::kDone) return false;
  depth_ = 1;
  locked_ = true;
  return true;
}

void StateStore::Unlock() {
  if (depth_ == 0 || --depth_ > 0) return;
  if (locked_) lockFile_.Unlock();
  locked_ = false;
}

StateStore::Outcome StateStore::Update(const std::function<bool(RecorderState&)>& change,
                                       std::string* error) {
  if (!Lock()) {
    if (lockProblem_.empty()) return Outcome::kBusy;
    if (error != nullptr) *error = lockProblem_;
    return Outcome::kUnusable;
  }
  struct Release {
    StateStore* store;
    ~Release() { store->Unlock(); }
  } release{this};
  // Removing the file unplugs the recorder: a save must never bring it back.
  if (!StateFilePresent(statePath_)) return Outcome::kAbsent;
  // The file read, so that the save goes over that file only: the user may remove it
  // (unplug) or put another in its place without taking the lock, at any moment. Held open,
  // its identity cannot pass to a file made meanwhile.
  const HeldFile held(statePath_);
  std::optional<FileIdentity> identity = held.Identity();
  if (!identity) identity = IdentifyFile(statePath_, Links::DoNotFollow);  // a link
  if (!identity) return Outcome::kAbsent;
  // A file that does not read as a state (an edit half done, say) is the user's, and is
  // never overwritten.
  std::optional<RecorderState> state = LoadState(statePath_, error);
  if (!state) return Outcome::kUnusable;
  // Replaced while it was read: what was read may be another file's.
  if (IdentifyFile(statePath_, Links::DoNotFollow) != identity) {
    return StateFilePresent(statePath_) ? Outcome::kNotSaved : Outcome::kAbsent;
  }
  if (!change(*state)) return Outcome::kUnchanged;
  switch (SaveStateOver(statePath_, *state, *identity)) {
    case SaveOutcome::kSaved:
      return Outcome::kSaved;
    case SaveOutcome::kGone:
      return StateFilePresent(statePath_) ? Outcome::kNotSaved : Outcome::kAbsent;
    case SaveOutcome::kFailed:
      break;
  }
  return Outcome::kNotSaved;
}

}  // namespace kavrin::sim
