#include "device/dshow/dshow_change_monitor.h"

// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

namespace kavrin::dshow {
namespace {

constexpr wchar_t kClassName[] = L"KavrinDeviceChangeMonitor";

// The device interface classes a recorder shows up in: a capture device (what the video
// input category enumerates) and, from Windows 10 on, a camera. Nothing else plugged in or
// out (disks, keyboards, audio) makes the window look for its recorder.
constexpr GUID kCaptureInterfaces = {
    0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr GUID kCameraInterfaces = {
    0xE5323777, 0xF976, 0x4F5B, {0x9B, 0x55, 0xB9, 0x46, 0x99, 0xC4, 0x6E, 0x44}};

// An interface arriving or removed names its class: only the camera classes count. Other
// notices (a node change, no header) count as they are.
bool IsCamera(LPARAM lParam) {
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return true;
  const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
  return IsEqualGUID(device->dbcc_classguid, kCaptureInterfaces) ||
         IsEqualGUID(device->dbcc_classguid, kCameraInterfaces);
}

}  // namespace

struct DshowChangeMonitor::Window {
  HWND handle = nullptr;
  HDEVNOTIFY notifications[2] = {};
  bool changed = false;

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_DEVICECHANGE) {
      auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      if (self != nullptr && IsDeviceChangeEvent(static_cast<unsigned>(wParam)) &&
          IsCamera(lParam)) {
        self->changed = true;
      }
      return TRUE;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }

  // What the window heard since the last look. Its messages reach it through whatever loop
  // runs on the thread (the desktop window's own): taking the news dispatches nothing, so a
  // click or key queued for a dialog never runs inside the one who asks.
  bool Take() { return std::exchange(changed, false); }

  // For a thread with no window of its own to run a loop (kavrin.exe --wait): the wait is
  // the thread's loop, and dispatches what is queued (COM's own windows share the thread).
  bool Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return Take();
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
  // A message-only window gets no broadcasts: the camera interface classes are asked for.
  const GUID* classes[] = {&kCaptureInterfaces, &kCameraInterfaces};
  for (std::size_t i = 0; i < std::size(classes); ++i) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = *classes[i];
    window_->notifications[i] =
        RegisterDeviceNotificationW(window_->handle, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
}

DshowChangeMonitor::~DshowChangeMonitor() {
  for (HDEVNOTIFY notification : window_->notifications)
    if (notification != nullptr) UnregisterDeviceNotification(notification);
  if (window_->handle != nullptr) DestroyWindow(window_->handle);
}

void* DshowChangeMonitor::WindowHandle() const { return window_->handle; }

bool DshowChangeMonitor::ConsumeEvents() { return window_->handle != nullptr && window_->Take(); }

bool DshowChangeMonitor::WaitForChange(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  if (window_->handle == nullptr) {
    Sleep(static_cast<DWORD>(std::max<int64_t>(timeout.count(), 0)));
    return false;
  }
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    if (window_->Pump()) return true;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
  }
}

}  // namespace kavrin::dshow
