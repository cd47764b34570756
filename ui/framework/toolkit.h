#pragma once
// The platform side of the dialog framework: makes windows, file dialogs, pauses, and lets
// the application watch a descriptor (the device-change monitor) from the event loop.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "ui/framework/control.h"
#include "ui/framework/geometry.h"

namespace kavrin {
class DeviceChangeMonitor;
}  // namespace kavrin

namespace kavrin::ui {

class Dialog;
struct DialogTemplate;

// The window of one dialog, owned by the Dialog while it runs.
class WindowHost {
 public:
  virtual ~WindowHost() = default;

  // The host owns the controls; the pointer stays valid until the window is destroyed.
  virtual Control* CreateControl(const ControlSpec& params) = 0;
  virtual Control* FindControl(int id) = 0;

  virtual void SetTitle(std::u16string_view title) = 0;
  virtual std::u16string Title() const = 0;
  virtual void SetIcon(std::span<const unsigned char> png) = 0;
  // Outer size, frame and caption included; position is the frame's top-left.
  virtual void SetOuterGeometry(const Rect& rect) = 0;
  virtual Rect OuterGeometry() const = 0;
  // The area inside the frame; setting it keeps the window's top-left where it is.
  virtual Size ClientSize() const = 0;
  virtual void SetClientSize(Size size) = 0;
  virtual void CenterOnScreen() = 0;
  // The room a window has on the screen it is centred on (the screen less its panels);
  // nothing (0 x 0) when the backend knows no screen.
  virtual Size ScreenSize() const { return {}; }
  virtual void Show() = 0;

  virtual Size DialogUnitsToPixels(Size dialogUnits) const = 0;

  // One-shot or repeating as the platform's timers are: fires OnTimer(id) until KillTimer.
  virtual void SetTimer(int id, int milliseconds) = 0;
  virtual void KillTimer(int id) = 0;

  // Runs the modal loop until EndModal; returns its result. A dialog's window is modal
  // whenever it shows: while it does, no window shown before it takes input.
  virtual int RunModal() = 0;
  virtual void EndModal(int result) = 0;

  // While held the window takes no user input: clicks, keys and the close box that reach it
  // are dropped. Releasing first drops what the platform queued for it meanwhile (input
  // made while the window's thread was busy), then lets input through again.
  virtual void HoldInput(bool hold) = 0;
};

// A file-open dialog object that remembers the last chosen path and offers it again.
class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // Runs modally: no dialog window takes input while it shows. True when the user chose a
  // file with OK.
  virtual bool Run() = 0;
  virtual std::filesystem::path PathName() const = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // (Not "CreateWindow": <windows.h> makes that name a macro.)
  virtual std::unique_ptr<WindowHost> MakeWindow(Dialog& dialog, const DialogTemplate& tmpl) = 0;
  // filter in the form "BIN (*.bin)|*.bin|All file (*.*)|*.*|"
  virtual std::unique_ptr<FileDialog> CreateFileOpenDialog(std::u16string_view filter) = 0;
  // Blocks the window's thread (the kavrin operation's pause); tests do not wait.
  virtual void Pause(int milliseconds) = 0;
  // Device changes reach the window on its thread: onChange runs each time the monitor
  // reports one (its ConsumeEvents says so), until StopDeviceChanges or the toolkit goes.
  // Each backend waits in its own way (Qt on the monitor's descriptor, Win32 on
  // WM_DEVICECHANGE, the headless one when a test says so); the window sees only the event.
  virtual void WatchDeviceChanges(DeviceChangeMonitor& monitor, std::function<void()> onChange) = 0;
  virtual void StopDeviceChanges() = 0;
};

}  // namespace kavrin::ui
