#include "ui/win32/win32_toolkit.h"

#include "ui/win32/win32_api.h"

#include "ui/win32/win32_file_dialog.h"
#include "ui/win32/win32_window.h"

namespace kavrin::ui::win32 {

std::unique_ptr<WindowHost> Win32Toolkit::CreateWindow(Dialog& dialog, const DialogTemplate& tmpl) {
  auto window = std::make_unique<Win32Window>(dialog, tmpl);
  if (!window->IsValid()) return nullptr;
  return window;
}

std::unique_ptr<FileDialog> Win32Toolkit::CreateFileOpenDialog(std::u16string_view filter) {
  return std::make_unique<Win32FileDialog>(filter);
}

void Win32Toolkit::Pause(int milliseconds) {
  if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace kavrin::ui::win32
