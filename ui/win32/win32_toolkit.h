#pragma once
// The plain Win32 backend of the dialog framework. Windows reports device changes to every
// top-level window as WM_DEVICECHANGE, which the dialog windows pass on themselves; a monitor
// given to WatchDeviceChanges (the simulator's folder watch, the DirectShow monitor) is asked
// on a thread timer, since it has no descriptor a Win32 message loop could wait on.
#include <functional>

#include "ui/framework/toolkit.h"

namespace kavrin::ui::win32 {

class Win32Toolkit : public Toolkit {
 public:
  Win32Toolkit() = default;
  ~Win32Toolkit() override;
  Win32Toolkit(const Win32Toolkit&) = delete;
  Win32Toolkit& operator=(const Win32Toolkit&) = delete;

  std::unique_ptr<WindowHost> MakeWindow(Dialog& dialog, const DialogTemplate& tmpl) override;
  std::unique_ptr<FileDialog> CreateFileOpenDialog(std::u16string_view filter) override;
  // Sleeps on the window's thread: the windows do not respond meanwhile.
  void Pause(int milliseconds) override;
  void WatchDeviceChanges(DeviceChangeMonitor& monitor, std::function<void()> onChange) override;
  void StopDeviceChanges() override;

  // How often a watched monitor is asked for changes.
  static constexpr int kPollMilliseconds = 200;

  // A window heard WM_DEVICECHANGE and looks for its recorder now: what the watched monitors
  // of this thread hold about the same change is taken away, so that one plug-in is one
  // look (the system tells a top-level window and the monitor's window alike).
  static void DrainWatchedMonitors();

 private:
  void Poll();

  DeviceChangeMonitor* monitor_ = nullptr;
  std::function<void()> onChange_;
  unsigned long long timer_ = 0;  // the thread timer's id (a UINT_PTR); 0 while not watching
};

}  // namespace kavrin::ui::win32

namespace kavrin::ui {
using win32::Win32Toolkit;
}  // namespace kavrin::ui
