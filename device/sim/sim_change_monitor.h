#pragma once
// Device changes of the simulated recorder: plugging it in is creating its state file,
// unplugging it removing the file. Watches the file's folder: with inotify on Linux, with
// ReadDirectoryChangesW on Windows (sim_change_monitor_win32.cpp, no descriptor there).
#include <memory>
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
  // True when the file came or went since the last call. The simulator's own rewrites
  // (a new file renamed over the old one) leave it present and are no change.
  bool ConsumeEvents() override;
  bool WaitForChange(std::chrono::milliseconds timeout) override;

 private:
  std::string statePath_;
  std::string fileName_;
  int fd_ = -1;
  struct FolderWatch;  // Windows: the folder handle and its pending read
  std::unique_ptr<FolderWatch> watch_;
  bool present_ = false;
};

}  // namespace kavrin::sim
