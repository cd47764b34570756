#include "ui/win32/win32_toolkit.h"

#include "ui/win32/win32_api.h"

#include <map>

#include "device/device_change_monitor.h"
#include "ui/win32/win32_file_dialog.h"
#include "ui/win32/win32_window.h"

namespace kavrin::ui::win32 {
namespace {

// A thread timer's procedure gets no context: the toolkits watching, by timer id.
thread_local std::map<UINT_PTR, Win32Toolkit*> watchingToolkits;

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

void Win32Toolkit::WatchDeviceChanges(DeviceChangeMonitor& monitor,
                                      std::function<void()> onChange) {
  StopDeviceChanges();
  monitor_ = &monitor;
  onChange_ = std::move(onChange);
  // The timer runs in every message loop of this thread, the modal dialogs' included.
  const UINT_PTR id =
      ::SetTimer(nullptr, 0, kPollMilliseconds, [](HWND, UINT, UINT_PTR timer, DWORD) {
        const auto found = watchingToolkits.find(timer);
        if (found != watchingToolkits.end()) found->second->Poll();
      });
  if (id == 0) return;
  timer_ = id;
  watchingToolkits[id] = this;
}

void Win32Toolkit::StopDeviceChanges() {
  if (timer_ != 0) {
    ::KillTimer(nullptr, static_cast<UINT_PTR>(timer_));
    watchingToolkits.erase(static_cast<UINT_PTR>(timer_));
  }
  timer_ = 0;
  monitor_ = nullptr;
  onChange_ = nullptr;
}

void Win32Toolkit::DrainWatchedMonitors() {
  for (const auto& [timer, toolkit] : watchingToolkits)
    if (toolkit->monitor_ != nullptr) toolkit->monitor_->ConsumeEvents();
}

void Win32Toolkit::Poll() {
  if (monitor_ == nullptr || !monitor_->ConsumeEvents() || !onChange_) return;
  // The handler may stop the watch: run a copy.
  const std::function<void()> handler = onChange_;
  handler();
}

}  // namespace kavrin::ui::win32
