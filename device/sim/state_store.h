#pragma once
// One simulated recorder's state file as several programs share it, the way they would share
// one recorder: every change reads the file, makes the change and writes the file back under
// an exclusive lock, so that no program's change is lost and an edit of the file counts from
// the next transfer on. A folder of recorders keeps one store per state file.
#include <chrono>
#include <functional>
#include <string>

#include "device/bounded_wait.h"
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
  // saved either, so there is nothing to guard and the call succeeds.
  bool Lock();
  void Unlock();

  enum class Outcome {
    kSaved,     // read, changed and written back
    kUnchanged, // read; the change asked for no save
    kAbsent,    // no state file: the recorder is unplugged (and stays so)
    kUnusable,  // the file cannot be read or is no state: left as it is
    kBusy,      // another program held the lock for the whole wait
    kNotSaved,  // the change could not be written back
  };
  // Under the lock: reads the state, lets `change` act on it, and writes it back when the
  // change returns true. *error says why for kUnusable.
  Outcome Update(const std::function<bool(RecorderState&)>& change, std::string* error = nullptr);

 private:
  std::string statePath_;
  std::chrono::milliseconds lockWait_;
  int lockFd_ = -1;
  int depth_ = 0;       // nested Lock calls
  bool locked_ = false; // the flock is held (false where no lock file could be made)
};

}  // namespace kavrin::sim
