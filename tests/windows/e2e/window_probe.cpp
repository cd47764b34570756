// window_probe.exe: what the end-to-end test of kavrintool.exe asks the Windows side, while
// xdotool does the clicking on the X display as a person would.
//
//   window_probe center TITLE ID     the screen centre of control ID of the window TITLE: "X Y"
//   window_probe controls TITLE      every child control: "ID<TAB>visible<TAB>enabled<TAB>text"
//   window_probe showing TEXT        exit 0 when a visible window of this desktop holds TEXT
//                                    as its title or as the text of one of its controls
//   window_probe device-change       broadcasts WM_DEVICECHANGE(DBT_DEVNODES_CHANGED), as
//                                    Windows does when a device comes or goes
//
// Exit status 0 when done, 1 when the window or control is not there, 2 on a usage error.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <dbt.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

// UTF-8 on standard output, whatever the console's code page.
void PrintLine(const std::wstring& line) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(),
                        bytes, nullptr, nullptr);
  }
  std::printf("%s\n", utf8.c_str());
}

int Center(const wchar_t* title, int id) {
  HWND window = FindWindowW(nullptr, title);
  HWND control = window != nullptr ? GetDlgItem(window, id) : nullptr;
  RECT rect;
  if (control == nullptr || !GetWindowRect(control, &rect)) return 1;
  std::printf("%ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  return 0;
}

BOOL CALLBACK PrintControl(HWND child, LPARAM) {
  PrintLine(std::to_wstring(GetDlgCtrlID(child)) + L"\t" + (IsWindowVisible(child) ? L"1" : L"0") +
            L"\t" + (IsWindowEnabled(child) ? L"1" : L"0") + L"\t" + TextOf(child));
  return TRUE;
}

int Controls(const wchar_t* title) {
  HWND window = FindWindowW(nullptr, title);
  if (window == nullptr) return 1;
  EnumChildWindows(window, PrintControl, 0);
  return 0;
}

struct Search {
  const wchar_t* text;
  bool found = false;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  if (IsWindowVisible(child) && TextOf(child) == search->text) search->found = true;
  return !search->found;
}

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  if (!IsWindowVisible(window)) return TRUE;
  if (TextOf(window) == search->text) search->found = true;
  if (!search->found) EnumChildWindows(window, MatchChild, data);
  return !search->found;
}

int Showing(const wchar_t* text) {
  Search search{text};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found ? 0 : 1;
}

int DeviceChange() {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_ABORTIFHUNG,
                      5000, &ignored);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"center" && argc == 4) return Center(argv[2], _wtoi(argv[3]));
  if (command == L"controls" && argc == 3) return Controls(argv[2]);
  if (command == L"showing" && argc == 3) return Showing(argv[2]);
  if (command == L"device-change" && argc == 2) return DeviceChange();
  std::fprintf(stderr, "usage: window_probe center TITLE ID | controls TITLE | showing TEXT | device-change\n");
  return 2;
}
