#pragma once
// The plain Win32 backend of the dialog framework. Device changes reach the dialogs as
// WM_DEVICECHANGE, so there are no descriptors to watch on Windows.
#include "ui/framework/toolkit.h"

namespace kavrin::ui::win32 {

class Win32Toolkit : public Toolkit {
 public:
  std::unique_ptr<WindowHost> CreateWindow(Dialog& dialog, const DialogTemplate& tmpl) override;
  std::unique_ptr<FileDialog> CreateFileOpenDialog(std::u16string_view filter) override;
  // Sleeps on the window's thread: the windows do not respond meanwhile.
  void Pause(int milliseconds) override;
  // Windows has no descriptors for device changes: the window's WM_DEVICECHANGE is the hook.
  void WatchDescriptor(int, std::function<void()>) override {}
  void UnwatchDescriptor(int) override {}
};

}  // namespace kavrin::ui::win32

namespace kavrin::ui {
using win32::Win32Toolkit;
}  // namespace kavrin::ui
