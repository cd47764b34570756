#include "ui/win32/win32_dpi.h"

namespace kavrin::ui::win32 {
namespace {

// Functions of newer Windows versions, looked up so that the program still starts on
// Windows 7 (which lacks them).
template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using SetDialogDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
using SetDialogControlDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);

// DIALOG_DPI_CHANGE_BEHAVIORS: DDC_DISABLE_ALL; DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS:
// DCDC_DISABLE_FONTUPDATE | DCDC_DISABLE_RELAYOUT.
constexpr int kDialogDisableAll = 1;
constexpr int kControlDisableFontAndRelayout = 1 | 2;

int Rounded(int value, int multiply, int divide) {
  const long long product = static_cast<long long>(value) * multiply;
  const long long half = divide / 2;
  return static_cast<int>(product >= 0 ? (product + half) / divide : (product - half) / divide);
}

}  // namespace

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kLayoutDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kLayoutDpi;
}

int DpiOfWindow(HWND hwnd) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpiForWindow && hwnd) {
    const UINT dpi = getDpiForWindow(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

int ToDevice(int logical, int dpi) { return Rounded(logical, dpi, kLayoutDpi); }
int ToLogical(int device, int dpi) { return dpi > 0 ? Rounded(device, kLayoutDpi, dpi) : device; }

Rect ToDevice(const Rect& r, int dpi) {
  return {ToDevice(r.left, dpi), ToDevice(r.top, dpi), ToDevice(r.right, dpi),
          ToDevice(r.bottom, dpi)};
}

Rect ToLogical(const Rect& r, int dpi) {
  return {ToLogical(r.left, dpi), ToLogical(r.top, dpi), ToLogical(r.right, dpi),
          ToLogical(r.bottom, dpi)};
}

Size FrameSize(DWORD style, DWORD exStyle, int dpi) {
  static const auto adjustForDpi =
      User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, 0, 0};
  if (adjustForDpi) {
    adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
  } else {
    // Only the system's metrics: scaled from the system DPI.
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    const int system = SystemDpi();
    return {Rounded(rect.right - rect.left, dpi, system),
            Rounded(rect.bottom - rect.top, dpi, system)};
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

HFONT ScaledFont(HFONT font, int fromDpi, int toDpi) {
  LOGFONTW face{};
  if (!font || GetObjectW(font, sizeof face, &face) == 0) return nullptr;
  face.lfHeight = Rounded(face.lfHeight, toDpi, fromDpi > 0 ? fromDpi : kLayoutDpi);
  face.lfWidth = Rounded(face.lfWidth, toDpi, fromDpi > 0 ? fromDpi : kLayoutDpi);
  return CreateFontIndirectW(&face);
}

void KeepDialogLayoutOurs(HWND dialog) {
  static const auto set =
      User32Function<SetDialogDpiChangeBehaviorFn>("SetDialogDpiChangeBehavior");
  if (set) set(dialog, kDialogDisableAll, kDialogDisableAll);
}

void KeepControlLayoutOurs(HWND control) {
  static const auto set =
      User32Function<SetDialogControlDpiChangeBehaviorFn>("SetDialogControlDpiChangeBehavior");
  if (set) set(control, kControlDisableFontAndRelayout, kControlDisableFontAndRelayout);
}

}  // namespace kavrin::ui::win32
