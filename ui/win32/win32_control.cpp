#include "ui/win32/win32_control.h"

#include <algorithm>
#include <string>

#include "ui/win32/win32_text.h"

namespace kavrin::ui::win32 {
namespace {

struct WindowClassAndStyle {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

WindowClassAndStyle StyleFor(const ControlSpec& params) {
  DWORD style = WS_CHILD | (params.visible ? WS_VISIBLE : 0);
  const DWORD exStyle = params.clientEdge ? WS_EX_CLIENTEDGE : 0;
  switch (params.type) {
    case ControlType::Label: {
      // Configuration texts are shown as written: an ampersand is no mnemonic. Without
      // SS_NOTIFY a static text answers hit-tests as transparent, so a click on it reaches
      // whatever lies under it (a button partly covered by a label stays clickable there).
      DWORD align = SS_LEFT;
      if (params.align == TextAlign::Right) align = SS_RIGHT;
      if (params.align == TextAlign::Center) align = SS_CENTER;
      return {L"STATIC", style | align | SS_NOPREFIX, exStyle};
    }
    case ControlType::DropDownList:
      return {L"COMBOBOX", style | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, exStyle};
    case ControlType::DropDownBox:
      return {L"COMBOBOX",
              style | CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP |
                  (params.autoHScroll ? CBS_AUTOHSCROLL : 0),
              exStyle};
    case ControlType::Edit:
      style |= ES_LEFT | WS_TABSTOP;
      if (params.autoHScroll) style |= ES_AUTOHSCROLL;
      if (params.readOnly) style |= ES_READONLY;
      if (params.multiLine) style |= ES_MULTILINE;
      if (params.border) style |= WS_BORDER;
      return {L"EDIT", style, exStyle};
    case ControlType::PushButton:
      return {L"BUTTON",
              style | WS_TABSTOP | (params.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
              exStyle};
  }
  return {L"STATIC", style, exStyle};
}

std::u16string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return FromWide(text);
}

}  // namespace

std::unique_ptr<Win32Control> Win32Control::Make(const ControlSpec& params, HWND parent,
                                                 const WindowMetrics& metrics) {
  const WindowClassAndStyle kind = StyleFor(params);
  const std::wstring text = ToWide(params.text);
  const Rect device = ToDevice(params.rect, metrics.dpi);
  HWND hwnd = CreateWindowExW(kind.exStyle, kind.className, text.c_str(), kind.style, device.left,
                              device.top, device.Width(), device.Height(), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(params.id)),
                              GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) return nullptr;
  KeepControlLayoutOurs(hwnd);
  // A control made at run time starts with the system font; a dialog's controls have the
  // dialog's own, as those of a template do.
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(metrics.dialogFont), FALSE);
  return std::unique_ptr<Win32Control>(new Win32Control(params, hwnd, metrics));
}

Win32Control::Win32Control(const ControlSpec& params, HWND hwnd, const WindowMetrics& metrics)
    : spec_(params), hwnd_(hwnd), metrics_(metrics), rect_(params.rect) {
  textRect_ = ClientRect();
}

// The dialog window destroys its children with itself.
Win32Control::~Win32Control() = default;

void Win32Control::SetText(std::u16string_view text) {
  // A drop-down list has no free text; its face is the selected entry.
  if (spec_.type == ControlType::DropDownList) return;
  SetWindowTextW(hwnd_, ToWide(text).c_str());
  // A long path in an edit shows its beginning.
  if (spec_.type == ControlType::Edit) SendMessageW(hwnd_, EM_SETSEL, 0, 0);
}

std::u16string Win32Control::Text() const { return WindowText(hwnd_); }

void Win32Control::Enable(bool on) { EnableWindow(hwnd_, on ? TRUE : FALSE); }

bool Win32Control::IsEnabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

void Win32Control::Show(bool on) { ShowWindow(hwnd_, on ? SW_SHOWNA : SW_HIDE); }

bool Win32Control::IsVisible() const {
  return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Control::Place(const Rect& rect) {
  const bool resized = rect.Width() != rect_.Width() || rect.Height() != rect_.Height();
  rect_ = rect;
  const Rect device = ToDevice(rect, metrics_.dpi);
  SetWindowPos(hwnd_, HWND_TOP, device.left, device.top, device.Width(), device.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  // A new size lays the formatting rectangle out anew, as the edit itself does.
  if (resized) textRect_ = ClientRect();
}

HFONT Win32Control::CurrentFont() const {
  return font_ == FontChoice::DefaultGui ? metrics_.guiFont : metrics_.dialogFont;
}

void Win32Control::SetFont(FontChoice font) {
  font_ = font;
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(CurrentFont()), TRUE);
}

void Win32Control::Rescale() {
  const Rect device = ToDevice(rect_, metrics_.dpi);
  SetWindowPos(hwnd_, nullptr, device.left, device.top, device.Width(), device.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(CurrentFont()), TRUE);
  if (spec_.type == ControlType::Edit && spec_.multiLine) {
    const Rect area = ToDevice(textRect_, metrics_.dpi);
    RECT text{area.left, area.top, area.right, area.bottom};
    SendMessageW(hwnd_, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&text));
  }
}

void Win32Control::ResetContent() {
  if (!IsList()) return;
  SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
  if (spec_.type == ControlType::DropDownBox) SetWindowTextW(hwnd_, L"");
}

int Win32Control::AddString(std::u16string_view text) {
  if (!IsList()) return -1;
  const LRESULT index =
      SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(text).c_str()));
  return index < 0 ? -1 : static_cast<int>(index);
}

bool Win32Control::SetCurSel(int index) {
  if (!IsList()) return false;
  // CB_SETCURSEL with an index outside the entries clears the selection and the face.
  const bool inRange = index >= 0 && index < GetCount();
  SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(inRange ? index : -1), 0);
  if (!inRange && spec_.type == ControlType::DropDownBox) SetWindowTextW(hwnd_, L"");
  return inRange;
}

int Win32Control::GetCurSel() const {
  if (!IsList()) return -1;
  const LRESULT index = SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
  return index < 0 ? -1 : static_cast<int>(index);
}

int Win32Control::GetCount() const {
  if (!IsList()) return 0;
  const LRESULT count = SendMessageW(hwnd_, CB_GETCOUNT, 0, 0);
  return count < 0 ? 0 : static_cast<int>(count);
}

std::u16string Win32Control::GetItemText(int index) const {
  if (!IsList() || index < 0 || index >= GetCount()) return {};
  const LRESULT length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return FromWide(text);
}

Rect Win32Control::ClientRect() const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  return ToLogical(Rect{client.left, client.top, client.right, client.bottom}, metrics_.dpi);
}

int Win32Control::FontHeight() const {
  HDC dc = GetDC(hwnd_);
  if (!dc) return 0;
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  const bool measured = GetTextMetricsW(dc, &metrics) != FALSE;
  SelectObject(dc, previous);
  ReleaseDC(hwnd_, dc);
  return measured ? ToLogical(static_cast<int>(metrics.tmHeight), metrics_.dpi) : 0;
}

Size Win32Control::MeasureText(std::u16string_view text, int wrapWidth) const {
  HDC dc = GetDC(hwnd_);
  if (!dc) return {};
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
  const std::wstring wide = ToWide(text);
  RECT area{0, 0, wrapWidth > 0 ? ToDevice(wrapWidth, metrics_.dpi) : 0, 0};
  const UINT format =
      DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &area, format);
  SelectObject(dc, previous);
  ReleaseDC(hwnd_, dc);
  // Rounded up: a text must never be found to fit by a rounding.
  auto up = [this](LONG device) {
    return static_cast<int>((static_cast<long long>(device) * kLayoutDpi + metrics_.dpi - 1) /
                            metrics_.dpi);
  };
  return {up(area.right - area.left), up(area.bottom - area.top)};
}

void Win32Control::SetTextRect(const Rect& rect) {
  // Only a multi-line edit takes a formatting rectangle.
  if (spec_.type != ControlType::Edit || !spec_.multiLine) return;
  textRect_ = rect;
  const Rect device = ToDevice(rect, metrics_.dpi);
  RECT area{device.left, device.top, device.right, device.bottom};
  SendMessageW(hwnd_, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&area));
}

Rect Win32Control::TextRect() const {
  return spec_.type == ControlType::Edit ? textRect_ : ClientRect();
}

}  // namespace kavrin::ui::win32
