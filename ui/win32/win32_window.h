#pragma once
// The window of one dialog on plain Win32: a dialog made from an in-memory template (the
// caption, the client size in dialog units and the template's font, so that dialog units map
// to pixels by the dialog's own font, as MapDialogRect does), with the controls created as its
// children. RunModal is the classic modal loop: the owner (the dialog shown before it) is
// disabled while it runs, Escape and the close box reach the dialog as Cancel.
//
// High DPI: the framework's pixels are 96-DPI pixels. The window converts them to its
// monitor's DPI (controls, fonts, its own size; the client area is the configured one times
// DPI / 96) and lays everything out again when the platform moves it to a monitor of another
// DPI (WM_DPICHANGED). What it answers (geometry, screen size, dialog units) is in 96-DPI
// pixels again.
#include "ui/win32/win32_api.h"

#include <memory>
#include <set>
#include <vector>

#include "ui/framework/dialog.h"
#include "ui/framework/toolkit.h"
#include "ui/win32/win32_control.h"

namespace kavrin::ui::win32 {

// The window a new modal window or file dialog belongs to: the last dialog window shown on
// this thread that is still visible (null when none).
HWND CurrentOwnerWindow();

class Win32Window : public WindowHost {
 public:
  Win32Window(Dialog& dialog, const DialogTemplate& tmpl);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  bool IsValid() const { return hwnd_ != nullptr; }
  HWND Handle() const { return hwnd_; }

  Control* CreateControl(const ControlSpec& params) override;
  Control* FindControl(int id) override;
  // The control of a child window (many static texts share one id).
  Win32Control* FindControlByHandle(HWND child);

  void SetTitle(std::u16string_view title) override;
  std::u16string Title() const override;
  // The PNG becomes the large (caption, task switcher) and the small (title bar) icon.
  void SetIcon(std::span<const unsigned char> png) override;
  void SetOuterGeometry(const Rect& rect) override;
  Rect OuterGeometry() const override;
  Size ClientSize() const override;
  void SetClientSize(Size size) override;
  void CenterOnScreen() override;
  Size ScreenSize() const override;
  void Show() override;

  Size DialogUnitsToPixels(Size dialogUnits) const override;

  void SetTimer(int id, int milliseconds) override;
  void KillTimer(int id) override;

  int RunModal() override;
  void EndModal(int result) override;

  // While held the window takes no input (it is disabled, and commands and the close box
  // reaching it are ignored); releasing first removes the keys and clicks the thread queued
  // meanwhile, so nothing clicked during a pause is delivered afterwards.
  void HoldInput(bool hold) override;
  bool InputHeld() const { return held_; }
  bool InModalLoop() const { return inModalLoop_; }
  // The DPI the window is laid out for now.
  int Dpi() const { return metrics_.dpi; }
  // What WM_DPICHANGED does: fonts and controls at newDpi, the window's client area scaled
  // with them, its top-left at the platform's suggestion (null: where it is).
  void ApplyDpi(int newDpi, const RECT* suggested);

 private:
  // Posted on WM_SHOWWINDOW: the window has become visible.
  static constexpr UINT kShownMessage = WM_APP + 1;

  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool PaintMinimised();
  void DestroyIcons();
  void SetFonts(HFONT dialogFont, HFONT guiFont);
  // The frame's size in 96-DPI pixels, and the device size of a logical client area.
  Size LogicalFrame() const;
  void SizeClient(Size logicalClient, int deviceLeft, int deviceTop);

  Dialog& dialog_;
  HWND hwnd_ = nullptr;
  std::vector<std::unique_ptr<Win32Control>> controls_;
  std::set<int> timers_;
  HICON largeIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  WindowMetrics metrics_;
  // The fonts the window was made with and their DPI: rescaled fonts are made from these, so
  // that moves between monitors never add up rounding.
  HFONT baseDialogFont_ = nullptr;
  HFONT baseGuiFont_ = nullptr;
  int baseDpi_ = kLayoutDpi;
  bool closing_ = false;  // set while the window is destroyed: no more calls into the dialog
  bool inModalLoop_ = false;
  bool ended_ = false;
  bool held_ = false;
  int result_ = 0;
};

}  // namespace kavrin::ui::win32
