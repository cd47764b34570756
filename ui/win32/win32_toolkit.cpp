#include "ui/win32/win32_toolkit.h"

#include "ui/win32/win32_api.h"

#include "device/device_change_monitor.h"
#include "ui/win32/win32_file_dialog.h"
#include "ui/win32/win32_window.h"

namespace kavrin::ui::win32 {
namespace {

// How often a watched monitor is asked: the simulator's plug and unplug show within this.
constexpr UINT kPollMilliseconds = 250;

// The toolkit whose monitor the thread timer asks (one window thread, one watch at a time).
Win32Toolkit* watching = nullptr;

void CALLBACK OnPollTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (watching != nullptr) watching->PollDeviceChanges();
}

}  // namespace

Win32Toolkit::~Win32Toolkit() { StopDeviceChanges(); }

std::unique_ptr<WindowHost> Win32Toolkit::MakeWindow(Dialog& dialog, const DialogTemplate& tmpl) {
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

void Win32Toolkit::WatchDeviceChanges(DeviceChangeMonitor& monitor, std::function<void()> onChange) {
  StopDeviceChanges();
  monitor_ = &monitor;
  onChange_ = std::move(onChange);
  watching = this;
  // A thread timer: the modal loops of this thread dispatch it, whichever window is up.
  timer_ = ::SetTimer(nullptr, 0, kPollMilliseconds, OnPollTimer);
}

void Win32Toolkit::StopDeviceChanges() {
  if (timer_ != 0) ::KillTimer(nullptr, static_cast<UINT_PTR>(timer_));
  timer_ = 0;
  if (watching == this) watching = nullptr;
  monitor_ = nullptr;
  onChange_ = nullptr;
}

void Win32Toolkit::PollDeviceChanges() {
  if (monitor_ != nullptr && monitor_->ConsumeEvents() && onChange_) onChange_();
}

}  // namespace kavrin::ui::win32
