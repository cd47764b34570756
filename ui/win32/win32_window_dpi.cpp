// The Win32 window's high-DPI side: its fonts at its DPI, the frame in 96-DPI pixels, the
// client area scaled, and the new layout when the platform moves it to a monitor of another
// DPI (WM_DPICHANGED).
#include <algorithm>

#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_window.h"

namespace kavrin::ui::win32 {

// Takes the fonts (null: none), deleting those the window made itself.
void Win32Window::SetFonts(HFONT dialogFont, HFONT guiFont) {
  if (metrics_.dialogFont && metrics_.dialogFont != baseDialogFont_ &&
      metrics_.dialogFont != dialogFont)
    DeleteObject(metrics_.dialogFont);
  if (metrics_.guiFont && metrics_.guiFont != baseGuiFont_ && metrics_.guiFont != guiFont)
    DeleteObject(metrics_.guiFont);
  metrics_.dialogFont = dialogFont;
  metrics_.guiFont = guiFont;
}

void Win32Window::ApplyDpi(int newDpi, const RECT* suggested) {
  if (!hwnd_ || newDpi <= 0 || newDpi == metrics_.dpi) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  const Size logicalClient{ToLogical(client.right, metrics_.dpi),
                           ToLogical(client.bottom, metrics_.dpi)};
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  HFONT dialogFont =
      newDpi == baseDpi_ ? baseDialogFont_ : ScaledFont(baseDialogFont_, baseDpi_, newDpi);
  HFONT guiFont = ScaledFont(baseGuiFont_, SystemDpi(), newDpi);
  // The old fonts stay until every control has the new ones.
  const WindowMetrics old = metrics_;
  metrics_.dpi = newDpi;
  metrics_.dialogFont = dialogFont ? dialogFont : old.dialogFont;
  metrics_.guiFont = guiFont ? guiFont : old.guiFont;
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(metrics_.dialogFont), FALSE);
  for (const auto& control : controls_) control->Rescale();
  for (HFONT font : {old.dialogFont, old.guiFont})
    if (font && font != baseDialogFont_ && font != baseGuiFont_ && font != metrics_.dialogFont &&
        font != metrics_.guiFont)
      DeleteObject(font);
  SizeClient(logicalClient, suggested ? suggested->left : outer.left,
             suggested ? suggested->top : outer.top);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

Size Win32Window::LogicalFrame() const {
  RECT outer{}, client{};
  GetWindowRect(hwnd_, &outer);
  GetClientRect(hwnd_, &client);
  // At 96 DPI the frame is what it is; elsewhere the frame the same style has at 96 DPI, so
  // that the client area, not the frame, is what scales.
  if (metrics_.dpi == kLayoutDpi)
    return {(outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom};
  return FrameSize(static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)),
                   static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)), kLayoutDpi);
}

void Win32Window::SizeClient(Size logicalClient, int deviceLeft, int deviceTop) {
  const Size frame =
      FrameSize(static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)),
                static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)), metrics_.dpi);
  RECT outer{}, client{};
  GetWindowRect(hwnd_, &outer);
  GetClientRect(hwnd_, &client);
  // The frame the window has now where the platform reports one, else the one for its DPI.
  int frameWidth = (outer.right - outer.left) - client.right;
  int frameHeight = (outer.bottom - outer.top) - client.bottom;
  if (frameWidth <= 0 && frameHeight <= 0) frameWidth = frame.width, frameHeight = frame.height;
  const int width = ToDevice(std::max(0, logicalClient.width), metrics_.dpi) + frameWidth;
  const int height = ToDevice(std::max(0, logicalClient.height), metrics_.dpi) + frameHeight;
  SetWindowPos(hwnd_, nullptr, deviceLeft, deviceTop, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kavrin::ui::win32
