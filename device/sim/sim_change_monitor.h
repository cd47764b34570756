#pragma once
// Device changes of the simulated recorder: plugging it in is creating its state file,
// unplugging it removing the file. With a folder of recorders, adding or removing any of its
// *.json files is one. Watches the folder: with inotify on Linux (sim_change_monitor.cpp),
// with ReadDirectoryChangesW on Windows (sim_change_monitor_win32.cpp, no descriptor there).
#include <memory>
#include <set>
#include <string>

#include "device/device_change_monitor.h"

namespace kavrin::sim {

class SimChangeMonitor : public DeviceChangeMonitor {
 public:
  explicit SimChangeMonitor(std::string statePath);
  ~SimChangeMonitor() override;
  SimChangeMonitor(const SimChangeMonitor&) = delete;
  SimChangeMonitor& operator=(const SimChangeMonitor&) = delete;

  int Descriptor() const override { return fd_; }
  // True when a recorder's file came or went since the last call. The simulator's own
  // rewrites (a new file renamed over the old one) leave it present and are no change.
  bool ConsumeEvents() override;
  bool WaitForChange(std::chrono::milliseconds timeout) override;

 private:
  // Portable (sim_change_monitor_files.cpp): which files are recorders, and whether the
  // events just read changed the set of them.
  bool Concerns(const std::string& fileName) const;
  std::set<std::string> Present() const;
  bool TakeChange(bool createdOrDeleted);

  std::string statePath_;
  bool folder_ = false;
  std::string fileName_;  // the one state file's name, without a folder
  int fd_ = -1;
  struct FolderWatch;  // Windows: the folder handle and its pending read
  std::unique_ptr<FolderWatch> watch_;
  std::set<std::string> present_;
};

}  // namespace kavrin::sim
