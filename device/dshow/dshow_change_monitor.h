#pragma once
// Device changes on Windows for programs without a window of their own (kavrin.exe --wait):
// a message-only window registered for device-interface notifications receives
// WM_DEVICECHANGE. Its messages are taken on the thread that made the monitor, by
// ConsumeEvents and WaitForChange. (The desktop tool's window receives them itself.)
#include <memory>

#include "device/device_change_monitor.h"

namespace kavrin::dshow {

class DshowChangeMonitor : public DeviceChangeMonitor {
 public:
  DshowChangeMonitor();
  ~DshowChangeMonitor() override;
  DshowChangeMonitor(const DshowChangeMonitor&) = delete;
  DshowChangeMonitor& operator=(const DshowChangeMonitor&) = delete;

  int Descriptor() const override { return -1; }
  bool ConsumeEvents() override;
  bool WaitForChange(std::chrono::milliseconds timeout) override;

  // The window's handle (an HWND), for tests that post it a WM_DEVICECHANGE; null when it
  // could not be made.
  void* WindowHandle() const;

  // What counts as a device change: a node added or removed (DBT_DEVNODES_CHANGED, 7), a
  // device interface arriving or removed.
  static bool IsDeviceChangeEvent(unsigned event);

 private:
  struct Window;
  std::unique_ptr<Window> window_;
};

}  // namespace kavrin::dshow
