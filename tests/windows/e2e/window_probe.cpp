// window_probe.exe: what the end-to-end script cannot learn through X (xdotool sees X windows,
// not Win32 controls). Reads a top-level window's controls and sends the broadcast the system
// sends when devices come or go. Acting on the window (clicks, keys) is xdotool's job.
//   window_probe.exe controls TITLE   one line per child control:
//                                     id class visible enabled left top right bottom text
//                                     (screen pixels; a combo box's text is its selection)
//   window_probe.exe layout TITLE     the client size ("client W H"), then one line per child
//                                     control in z-order: id class visible left top right
//                                     bottom fits (client pixels; fits is 1 when its text,
//                                     measured in its own font and broken at its width as a
//                                     static text breaks it, fits inside it)
//   window_probe.exe devicechange      WM_DEVICECHANGE / DBT_DEVNODES_CHANGED to every window
//   window_probe.exe close TITLE       the close box (WM_CLOSE), for runs without a display
// Output is UTF-8. Exit status 1 when the window is not there.
#include <windows.h>
#include <dbt.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes,
                      nullptr, nullptr);
  // One line per control: line breaks of multi-line texts are shown as \n.
  std::string flat;
  for (char c : out) {
    if (c == '\r') continue;
    if (c == '\n')
      flat += "\\n";
    else
      flat += c;
  }
  return flat;
}

std::wstring TextOf(HWND control) {
  wchar_t className[32] = {};
  GetClassNameW(control, className, 32);
  if (lstrcmpiW(className, L"ComboBox") == 0) {
    const LRESULT index = SendMessageW(control, CB_GETCURSEL, 0, 0);
    // An editable box shows what was typed; a list its selection (none: empty).
    if (index == CB_ERR) {
      if ((GetWindowLongW(control, GWL_STYLE) & 3) == CBS_DROPDOWNLIST) return {};
    } else {
      std::wstring item(
          static_cast<std::size_t>(SendMessageW(control, CB_GETLBTEXTLEN, index, 0)) + 1, L'\0');
      item.resize(static_cast<std::size_t>(
          SendMessageW(control, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()))));
      return item;
    }
  }
  std::wstring text(static_cast<std::size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1,
                    L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  if (GetParent(control) == nullptr) return TRUE;
  wchar_t className[32] = {};
  GetClassNameW(control, className, 32);
  wchar_t parentClass[32] = {};
  GetClassNameW(GetParent(control), parentClass, 32);
  if (lstrcmpiW(parentClass, L"ComboBox") == 0) return TRUE;  // reported with its box
  RECT rect{};
  GetWindowRect(control, &rect);
  std::printf("%d %s %d %d %ld %ld %ld %ld %s\n", GetDlgCtrlID(control), Utf8(className).c_str(),
              IsWindowVisible(control) ? 1 : 0, IsWindowEnabled(control) ? 1 : 0, rect.left,
              rect.top, rect.right, rect.bottom, Utf8(TextOf(control)).c_str());
  return TRUE;
}

// Whether the control's text fits its client area in the control's font: a static text
// broken into lines at its width, a button's caption on one line.
bool TextFits(HWND control, bool isStatic) {
  RECT client{};
  GetClientRect(control, &client);
  std::wstring text(static_cast<std::size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1,
                    L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  if (text.empty()) return true;
  HDC dc = GetDC(control);
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, client.right, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
            DT_CALCRECT | DT_NOPREFIX | (isStatic ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  return needed.right <= client.right && needed.bottom <= client.bottom;
}

void PrintLayout(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  std::printf("client %ld %ld\n", client.right, client.bottom);
  for (HWND control = GetWindow(window, GW_CHILD); control;
       control = GetWindow(control, GW_HWNDNEXT)) {
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rect), 2);
    const bool isStatic = lstrcmpiW(className, L"Static") == 0;
    const bool hasCaption = isStatic || lstrcmpiW(className, L"Button") == 0;
    std::printf("%d %s %d %ld %ld %ld %ld %d\n", GetDlgCtrlID(control), Utf8(className).c_str(),
                IsWindowVisible(control) ? 1 : 0, rect.left, rect.top, rect.right, rect.bottom,
                hasCaption ? (TextFits(control, isStatic) ? 1 : 0) : 1);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"controls" && argc == 3) {
    HWND window = FindWindowW(nullptr, argv[2]);
    if (window == nullptr) return 1;
    EnumChildWindows(window, PrintControl, 0);
    return 0;
  }
  if (command == L"layout" && argc == 3) {
    HWND window = FindWindowW(nullptr, argv[2]);
    if (window == nullptr) return 1;
    PrintLayout(window);
    return 0;
  }
  if (command == L"close" && argc == 3) {
    HWND window = FindWindowW(nullptr, argv[2]);
    if (window == nullptr) return 1;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == L"devicechange" && argc == 2) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_ABORTIFHUNG,
                        5000, &result);
    return 0;
  }
  std::fputs("usage: window_probe.exe controls TITLE | layout TITLE | close TITLE | devicechange\n",
             stderr);
  return 2;
}
