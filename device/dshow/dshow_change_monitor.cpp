#include "device/dshow/dshow_change_monitor.h"

// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

#include <algorithm>
#include <cstdint>
#include <utility>

namespace kavrin::dshow {
namespace {

constexpr wchar_t kClassName[] = L"KavrinDeviceChangeMonitor";

}  // namespace

struct DshowChangeMonitor::Window {
  HWND handle = nullptr;
  HDEVNOTIFY notification = nullptr;
  bool changed = false;

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_DEVICECHANGE) {
      auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      if (self != nullptr && IsDeviceChangeEvent(static_cast<unsigned>(wParam))) {
        self->changed = true;
      }
      return TRUE;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }

  // Dispatches everything queued for the thread (COM's own windows share it); true when a
  // device change was among it.
  bool Drain() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return std::exchange(changed, false);
  }
};

bool DshowChangeMonitor::IsDeviceChangeEvent(unsigned event) {
  return event == DBT_DEVNODES_CHANGED || event == DBT_DEVICEARRIVAL ||
         event == DBT_DEVICEREMOVECOMPLETE;
}

DshowChangeMonitor::DshowChangeMonitor() : window_(std::make_unique<Window>()) {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Window::Procedure;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kClassName;
  // A second monitor in the process finds the class registered already.
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
  window_->handle = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    module, window_.get());
  if (window_->handle == nullptr) return;
  // A message-only window gets no broadcasts: device-interface notifications are asked for.
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  window_->notification = RegisterDeviceNotificationW(
      window_->handle, &filter, DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
}

DshowChangeMonitor::~DshowChangeMonitor() {
  if (window_->notification != nullptr) UnregisterDeviceNotification(window_->notification);
  if (window_->handle != nullptr) DestroyWindow(window_->handle);
}

void* DshowChangeMonitor::WindowHandle() const { return window_->handle; }

bool DshowChangeMonitor::ConsumeEvents() {
  return window_->handle != nullptr && window_->Drain();
}

bool DshowChangeMonitor::WaitForChange(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  if (window_->handle == nullptr) {
    Sleep(static_cast<DWORD>(std::max<int64_t>(timeout.count(), 0)));
    return false;
  }
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    if (window_->Drain()) return true;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
  }
}

}  // namespace kavrin::dshow
