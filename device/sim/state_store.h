#pragma once
// One simulated recorder's state file as several programs share it, the way they would share
// one recorder: every change reads the file, makes the change and writes the file back under
// an exclusive lock, so that no program's change is lost and an edit of the file counts from
// the next transfer on. A folder of recorders keeps one store per state file.
#include <chrono>
#include <functional>
#include <string>

#include "device/bounded_wait.h"
#include "device/lock_file.h"
#include "device/sim/recorder.h"

namespace kavrin::sim {

// The recorder is plugged in while its state file exists.
bool StateFilePresent(const std::string& statePath);

class StateStore {
 public:
  explicit StateStore(std::string statePath,
                      std::chrono::milliseconds lockWait = kRecorderLockWait);
  ~StateStore();
  StateStore(const StateStore&) = delete;
  StateStore& operator=(const StateStore&) = delete;

  const std::string& Path() const { return statePath_; }
  // The lock file beside the state file: the state file itself is replaced at every save,
  // so it cannot carry a lock.
  static std::string LockPathFor(const std::string& statePath);

  // Exclusive use of the recorder across several changes (one command of a program); nested
  // calls only count. Waits at most the store's lock wait for another program to let go;
  // false when it did not. Where no lock file can be made (a read-only folder) nothing can be
  // saved either, so there is nothing to guard and the call succeeds; a lock file that is
  // there but cannot be had (a planted link, another user's file) fails the call, and
  // LockProblem says why.
  bool Lock();
  void Unlock();
  // Why the last Lock failed when no other program held the lock; empty otherwise.
  const std::string& LockProblem() const { return lockProblem_; }

  enum class Outcome {
    kSaved,      // read, changed and written back
    kUnchanged,  // read; the change asked for no save
    kAbsent,     // no state file: the recorder is unplugged (and stays so, even when that
                 // happened while the change was made)
    kUnusable,   // the file cannot be read or is no state, or the lock file cannot be had:
                 // left as it is
    kBusy,       // another program held the lock for the whole wait
    kNotSaved,   // the change could not be written back (or the file was replaced meanwhile)
  };
  // Under the lock: reads the state, lets `change` act on it, and writes it back when the
  // change returns true. *error says why for kUnusable.
  Outcome Update(const std::function<bool(RecorderState&)>& change, std::string* error = nullptr);

 private:
  std::string statePath_;
  std::chrono::milliseconds lockWait_;
  LockFile lockFile_;
  int depth_ = 0;        // nested Lock calls
  bool locked_ = false;  // the file lock is held (false where no lock file could be made)
  std::string lockProblem_;
};

}  // namespace kavrin::sim
