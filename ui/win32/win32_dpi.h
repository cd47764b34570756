#pragma once
// Dots per inch on Windows. The layout's pixels (the configuration's coordinates, the
// framework's rectangles) are pixels at 96 DPI, "logical" pixels; the window's own pixels are
// device pixels at its monitor's DPI. The backend converts at its edge, so that a window on a
// 150 % monitor looks as at 100 %, only larger, and one moved to a monitor of another DPI is
// laid out again (WM_DPICHANGED).
#include "ui/win32/win32_api.h"

#include "ui/framework/geometry.h"

namespace kavrin::ui::win32 {

inline constexpr int kLayoutDpi = 96;

// The DPI the platform draws the window in: its monitor's for a per-monitor aware program
// (Windows 10 1607 and later), the system's otherwise.
int DpiOfWindow(HWND hwnd);
int SystemDpi();

// Logical (96-DPI) pixels to device pixels at dpi and back, rounded to the nearest.
int ToDevice(int logical, int dpi);
int ToLogical(int device, int dpi);
Rect ToDevice(const Rect& logical, int dpi);
Rect ToLogical(const Rect& device, int dpi);

// The size a window's frame and caption (style and exStyle) add to its client area at dpi.
Size FrameSize(DWORD style, DWORD exStyle, int dpi);

// The same face as font, its height scaled from one DPI to another; the caller owns it.
HFONT ScaledFont(HFONT font, int fromDpi, int toDpi);

// Windows 10 1703 and later re-lay out a per-monitor dialog's template controls and fonts by
// themselves when the DPI changes; the window does it for all its controls alike, so that
// switches these off (no effect where the platform lacks them).
void KeepDialogLayoutOurs(HWND dialog);
void KeepControlLayoutOurs(HWND control);

}  // namespace kavrin::ui::win32
