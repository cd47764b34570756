#pragma once
// The plain Win32 backend of the dialog framework. The system's device changes reach the
// dialogs as WM_DEVICECHANGE; a monitor given to WatchDeviceChanges (the simulator's folder
// watch) is asked on the window's thread by a timer.
#include "ui/framework/toolkit.h"

namespace kavrin::ui::win32 {

class Win32Toolkit : public Toolkit {
 public:
  ~Win32Toolkit() override;

  std::unique_ptr<WindowHost> MakeWindow(Dialog& dialog, const DialogTemplate& tmpl) override;
  std::unique_ptr<FileDialog> CreateFileOpenDialog(std::u16string_view filter) override;
  // Sleeps on the window's thread: the windows do not respond meanwhile.
  void Pause(int milliseconds) override;
  void WatchDeviceChanges(DeviceChangeMonitor& monitor, std::function<void()> onChange) override;
  void StopDeviceChanges() override;

  // Asks the watched monitor (the timer's work; tests call it directly).
  void PollDeviceChanges();

 private:
  DeviceChangeMonitor* monitor_ = nullptr;
  std::function<void()> onChange_;
  unsigned long long timer_ = 0;  // the thread timer's id, 0 when none
};

}  // namespace kavrin::ui::win32

namespace kavrin::ui {
using win32::Win32Toolkit;
}  // namespace kavrin::ui
