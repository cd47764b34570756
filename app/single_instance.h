#pragma once
// One copy of the tool at a time, by name ("ZK742_USER"). Linux holds an advisory lock on a
// file in the user's runtime folder; Windows would hold a named mutex. Either way the
// operating system drops the claim when the process ends, however it ends, so a crashed
// copy never blocks the next one.
#include <filesystem>
#include <memory>
#include <string_view>

namespace kavrin {

enum class InstanceClaim {
  Acquired,       // this process is the one copy
  HeldElsewhere,  // another process holds the name: end at once
  Unavailable,    // the lock could not be set up; the tool runs unguarded rather than not at all
};

class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  // Claims the name for the life of this object (or of the process).
  virtual InstanceClaim Claim(std::string_view name) = 0;
};

// The platform's lock in its usual place: $XDG_RUNTIME_DIR, else a private folder of the
// user's under the temporary folder, else (someone else made that one first) one under the
// user's cache folder.
std::unique_ptr<SingleInstance> MakeSingleInstance();
// The same lock kept in the given folder (tests).
std::unique_ptr<SingleInstance> MakeSingleInstance(std::filesystem::path lockFolder);

}  // namespace kavrin
