// What the simulator's change monitors share on every platform: which files are recorders
// and whether the set of them changed.
#include <filesystem>
#include <system_error>

#include "device/sim/sim_backend.h"
#include "device/sim/sim_change_monitor.h"

namespace kavrin::sim {

bool SimChangeMonitor::Concerns(const std::string& fileName) const {
  return folder_ ? IsRecorderFileName(fileName) : fileName == fileName_;
}

std::set<std::string> SimChangeMonitor::Present() const {
  std::set<std::string> present;
  if (folder_) {
    for (const std::string& file : RecorderFilesIn(statePath_)) present.insert(file);
    return present;
  }
  std::error_code ec;
  if (std::filesystem::exists(statePath_, ec)) present.insert(statePath_);
  return present;
}

// An explicit create or delete is a plug or unplug even when both came in one burst;
// renames are judged by which files are there now.
bool SimChangeMonitor::TakeChange(bool createdOrDeleted) {
  std::set<std::string> presentNow = Present();
  const bool changed = createdOrDeleted || presentNow != present_;
  present_ = std::move(presentNow);
  return changed;
}

}  // namespace kavrin::sim
