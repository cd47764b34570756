#include "ui/win32/win32_window.h"

#include <dbt.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "ui/win32/win32_text.h"
#include "ui/win32/win32_toolkit.h"

namespace kavrin::ui::win32 {
namespace {

// The dialog windows of this thread in the order they were made (the modal stack).
thread_local std::vector<Win32Window*> windowsInOrder;

// A DLGTEMPLATE without controls: style, caption and font, DWORD-aligned as the platform
// requires. The controls come later, at pixel rectangles.
std::vector<DWORD> BuildTemplate(const DialogTemplate& tmpl) {
  std::vector<WORD> words;
  auto push = [&words](const void* data, std::size_t bytes) {
    const std::size_t at = words.size();
    words.resize(at + (bytes + 1) / 2);
    std::memcpy(words.data() + at, data, bytes);
  };
  auto pushText = [&words](std::u16string_view text) {
    for (char16_t c : text) words.push_back(static_cast<WORD>(c));
    words.push_back(0);
  };
  DLGTEMPLATE head{};
  head.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  head.cdit = 0;
  head.cx = static_cast<short>(std::clamp(tmpl.sizeDialogUnits.width, 0, 32767));
  head.cy = static_cast<short>(std::clamp(tmpl.sizeDialogUnits.height, 0, 32767));
  push(&head, sizeof head);
  words.push_back(0);  // no menu
  words.push_back(0);  // the predefined dialog class
  pushText(tmpl.caption);
  words.push_back(static_cast<WORD>(std::clamp(tmpl.fontPoints, 1, 72)));
  pushText(tmpl.fontName.empty() ? std::u16string_view(u"MS Shell Dlg")
                                 : std::u16string_view(tmpl.fontName));
  std::vector<DWORD> aligned((words.size() + 1) / 2, 0);
  std::memcpy(aligned.data(), words.data(), words.size() * sizeof(WORD));
  return aligned;
}

}  // namespace

HWND CurrentOwnerWindow() {
  for (auto it = windowsInOrder.rbegin(); it != windowsInOrder.rend(); ++it) {
    if ((*it)->IsValid() && IsWindowVisible((*it)->Handle())) return (*it)->Handle();
  }
  return nullptr;
}

Win32Window::Win32Window(Dialog& dialog, const DialogTemplate& tmpl) : dialog_(dialog) {
  const std::vector<DWORD> memory = BuildTemplate(tmpl);
  hwnd_ = CreateDialogIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(memory.data()),
      CurrentOwnerWindow(), &Win32Window::DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd_) return;
  windowsInOrder.push_back(this);
  KeepDialogLayoutOurs(hwnd_);
  // The dialog manager made the template's font for the window's DPI; the stock GUI font is
  // made for the system's.
  baseDpi_ = metrics_.dpi = DpiOfWindow(hwnd_);
  baseDialogFont_ = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  baseGuiFont_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  metrics_.dialogFont = baseDialogFont_;
  const int systemDpi = SystemDpi();
  metrics_.guiFont =
      systemDpi == baseDpi_ ? baseGuiFont_ : ScaledFont(baseGuiFont_, systemDpi, baseDpi_);
  if (!metrics_.guiFont) metrics_.guiFont = baseGuiFont_;
}

Win32Window::~Win32Window() {
  closing_ = true;
  std::erase(windowsInOrder, this);
  if (!hwnd_) return;
  for (int id : timers_) ::KillTimer(hwnd_, static_cast<UINT_PTR>(id));
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  controls_.clear();
  DestroyWindow(hwnd_);  // destroys the controls' windows with it
  if (owner) SetActiveWindow(owner);
  DestroyIcons();
  SetFonts(nullptr, nullptr);
}

INT_PTR CALLBACK Win32Window::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    return TRUE;
  }
  auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!window || window->closing_) return FALSE;
  return window->HandleMessage(message, wParam, lParam);
}

INT_PTR Win32Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SHOWWINDOW:
      // Shown by ShowWindow (lParam 0), not restored with its owner: what the operator sees
      // timed starts now. The message comes before the window is drawn, so the handler's
      // work is posted to run once it is.
      if (wParam && lParam == 0) PostMessageW(hwnd_, kShownMessage, 0, 0);
      return FALSE;
    case kShownMessage:
      if (IsWindowVisible(hwnd_)) dialog_.OnShowWindow();
      return TRUE;
    case WM_COMMAND:
      // Escape arrives as IDCANCEL from no control: the same as the close box.
      if (!held_) dialog_.OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      if (!held_) dialog_.OnClose();
      return TRUE;
    case WM_TIMER:
      if (timers_.count(static_cast<int>(wParam)) != 0) dialog_.OnTimer(static_cast<int>(wParam));
      return TRUE;
    case WM_DEVICECHANGE:
      // Devices came or went somewhere on the machine: the dialog looks for its recorder again.
      if (wParam == DBT_DEVNODES_CHANGED) {
        Win32Toolkit::DrainWatchedMonitors();
        dialog_.OnDeviceChange();
      }
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_DPICHANGED:
      // Moved to a monitor of another DPI: laid out again for it.
      ApplyDpi(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);
      return TRUE;
    case WM_PAINT:
      return PaintMinimised() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      // The cursor shown while the minimised window is dragged.
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(largeIcon_));
      return largeIcon_ != nullptr;
    default:
      return FALSE;
  }
}

// A minimised dialog without a taskbar button paints its icon centred in its client area.
bool Win32Window::PaintMinimised() {
  if (!IsIconic(hwnd_) || !largeIcon_) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(hwnd_, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, largeIcon_);
  EndPaint(hwnd_, &paint);
  return true;
}

Control* Win32Window::CreateControl(const ControlSpec& params) {
  if (!hwnd_) return nullptr;
  std::unique_ptr<Win32Control> control = Win32Control::Make(params, hwnd_, metrics_);
  if (!control) return nullptr;
  controls_.push_back(std::move(control));
  return controls_.back().get();
}

Control* Win32Window::FindControl(int id) {
  for (const auto& control : controls_)
    if (control->Id() == id) return control.get();
  return nullptr;
}

Win32Control* Win32Window::FindControlByHandle(HWND child) {
  for (const auto& control : controls_)
    if (control->Handle() == child) return control.get();
  return nullptr;
}

void Win32Window::SetTitle(std::u16string_view title) {
  SetWindowTextW(hwnd_, ToWide(title).c_str());
}

std::u16string Win32Window::Title() const {
  const int length = GetWindowTextLengthW(hwnd_);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(std::max(0, GetWindowTextW(hwnd_, text.data(), length + 1))));
  return FromWide(text);
}

void Win32Window::SetIcon(std::span<const unsigned char> png) {
  if (png.empty() || png.size() > 0x7fffffff) return;
  // Icon images may be PNG since Windows Vista; the platform scales it to each size.
  auto make = [png](int metricX, int metricY) {
    return CreateIconFromResourceEx(const_cast<PBYTE>(png.data()), static_cast<DWORD>(png.size()),
                                    TRUE, 0x00030000, GetSystemMetrics(metricX),
                                    GetSystemMetrics(metricY), LR_DEFAULTCOLOR);
  };
  HICON large = make(SM_CXICON, SM_CYICON);
  HICON small = make(SM_CXSMICON, SM_CYSMICON);
  if (!large || !small) {
    if (large) DestroyIcon(large);
    if (small) DestroyIcon(small);
    return;
  }
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  DestroyIcons();
  largeIcon_ = large;
  smallIcon_ = small;
}

void Win32Window::DestroyIcons() {
  if (largeIcon_) DestroyIcon(largeIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
  largeIcon_ = smallIcon_ = nullptr;
}

void Win32Window::SetOuterGeometry(const Rect& rect) {
  const Size frame = LogicalFrame();
  SizeClient({rect.Width() - frame.width, rect.Height() - frame.height},
             ToDevice(rect.left, metrics_.dpi), ToDevice(rect.top, metrics_.dpi));
}

Rect Win32Window::OuterGeometry() const {
  RECT outer{}, client{};
  GetWindowRect(hwnd_, &outer);
  GetClientRect(hwnd_, &client);
  const Size frame = LogicalFrame();
  const int left = ToLogical(outer.left, metrics_.dpi), top = ToLogical(outer.top, metrics_.dpi);
  return {left, top, left + ToLogical(client.right, metrics_.dpi) + frame.width,
          top + ToLogical(client.bottom, metrics_.dpi) + frame.height};
}

namespace {
RECT WorkAreaOf(HWND hwnd) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &info)) return info.rcWork;
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}
}  // namespace

Size Win32Window::ClientSize() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  return {ToLogical(client.right, metrics_.dpi), ToLogical(client.bottom, metrics_.dpi)};
}

void Win32Window::SetClientSize(Size size) {
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  SizeClient(size, outer.left, outer.top);
}

void Win32Window::CenterOnScreen() {
  const RECT area = WorkAreaOf(hwnd_);
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  const int left = area.left + (area.right - area.left - (outer.right - outer.left)) / 2;
  const int top = area.top + (area.bottom - area.top - (outer.bottom - outer.top)) / 2;
  SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Size Win32Window::ScreenSize() const {
  const RECT area = WorkAreaOf(hwnd_);
  return {ToLogical(area.right - area.left, metrics_.dpi),
          ToLogical(area.bottom - area.top, metrics_.dpi)};
}

void Win32Window::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

Size Win32Window::DialogUnitsToPixels(Size dialogUnits) const {
  RECT rect{0, 0, dialogUnits.width, dialogUnits.height};
  MapDialogRect(hwnd_, &rect);
  // The dialog's base units are those of the font it was made with, at the DPI it was made
  // for: dialog units are the same logical pixels at every DPI.
  return {ToLogical(rect.right, baseDpi_), ToLogical(rect.bottom, baseDpi_)};
}

void Win32Window::SetTimer(int id, int milliseconds) {
  if (!hwnd_) return;
  // Setting an existing id starts it again; it repeats until killed.
  if (::SetTimer(hwnd_, static_cast<UINT_PTR>(id),
                 static_cast<UINT>(std::max(USER_TIMER_MINIMUM, milliseconds)), nullptr) != 0)
    timers_.insert(id);
}

void Win32Window::KillTimer(int id) {
  if (timers_.erase(id) != 0) ::KillTimer(hwnd_, static_cast<UINT_PTR>(id));
}

int Win32Window::RunModal() {
  if (!hwnd_ || ended_) return result_;  // ended during its initialisation
  // The owner takes no input while this dialog runs, as the platform's own modal dialogs do.
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  const bool reenableOwner = owner && IsWindowEnabled(owner);
  if (reenableOwner) EnableWindow(owner, FALSE);
  inModalLoop_ = true;
  MSG msg;
  while (!ended_ && IsWindow(hwnd_)) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {  // WM_QUIT: end here and leave it for the next loop out
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    if (!IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  inModalLoop_ = false;
  // Enabled again before this one hides, so that activation goes back to the owner.
  if (reenableOwner) EnableWindow(owner, TRUE);
  ShowWindow(hwnd_, SW_HIDE);
  return result_;
}

void Win32Window::EndModal(int result) {
  ended_ = true;
  result_ = result;
  if (!hwnd_) return;
  if (inModalLoop_) {
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the loop, which sees the end
  } else {
    ShowWindow(hwnd_, SW_HIDE);
  }
}

void Win32Window::HoldInput(bool hold) {
  if (!hwnd_ || hold == held_) return;
  if (hold) {
    held_ = true;
    EnableWindow(hwnd_, FALSE);
    return;
  }
  // What the operator clicked or typed while the thread was busy is still queued: drop it.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE | PM_NOYIELD)) {
  }
  while (PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE | PM_NOYIELD)) {
  }
  while (PeekMessageW(&msg, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, PM_REMOVE | PM_NOYIELD)) {
  }
  EnableWindow(hwnd_, TRUE);
  held_ = false;
}

}  // namespace kavrin::ui::win32
