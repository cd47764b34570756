// The yardstick of the Windows start-up benchmark (`startup-bench --wine`): the simplest plain
// Win32 program that shows what kavrintool.exe shows at start with the shipped configuration
// and no switches: the same visible controls at the same places (11 titled drop-down lists
// with their options, the date-stamp logo's title and editable box, 3 information rows, the
// Kavrin button), the same window size, title, face and manifest, and nothing else: no
// configuration, no device, no single-instance mutex, no icon, no file dialog. It must not
// share the tool's code, or the yardstick would move with what it measures.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

struct Item {
  const wchar_t* title;
  std::vector<const wchar_t*> options;
  int selected;
};

HWND Add(HWND dialog, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w,
         int h) {
  HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dialog,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(SendMessageW(dialog, WM_GETFONT, 0, 0)),
               FALSE);
  return control;
}

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
    PostQuitMessage(0);
    return TRUE;
  }
  (void)dialog;
  return message == WM_INITDIALOG;
}

// A dialog template without controls: caption, size, the template's face.
std::vector<WORD> Template() {
  std::vector<WORD> words;
  DLGTEMPLATE head{};
  head.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  head.cx = 380;
  head.cy = 300;
  words.resize(sizeof head / 2);
  std::memcpy(words.data(), &head, sizeof head);
  words.push_back(0);  // menu
  words.push_back(0);  // class
  for (const wchar_t* c = L"ZK742 User Kavrin Tool 20130418-1"; *c; ++c) words.push_back(*c);
  words.push_back(0);
  words.push_back(9);
  for (const wchar_t* c = L"新細明體"; *c; ++c) words.push_back(*c);
  words.push_back(0);
  words.push_back(0);
  return words;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::vector<WORD> words = Template();
  HWND dialog = CreateDialogIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), nullptr, Proc, 0);
  if (!dialog) return 1;
  SetWindowPos(dialog, nullptr, 0, 0, 600, 500, SWP_NOMOVE | SWP_NOZORDER);
  const Item items[] = {
      {L"Cycle Time", {L"3 min", L"5 min", L"10 min", L"15 min"}, 1},
      {L"TV System", {L"NTSC", L"PAL"}, 0},
      {L"Slideshow", {L"OFF", L"ON"}, 1},
      {L"Power Saving", {L"OFF", L"1 min", L"3 min"}, 1},
      {L"Date Stamp", {L"OFF", L"ON"}, 1},
      {L"Flicker", {L"50 Hz", L"60 Hz"}, 1},
      {L"Volume", {L"Off", L"1", L"2", L"3"}, 1},
      {L"Voice Recording", {L"OFF", L"ON"}, 1},
      {L"Record LED Off", {L"ON", L"OFF"}, 0},
      {L"EV", {L"-1", L"-0.5", L"0", L"+0.5", L"+1", L"+1.5", L"+2"}, 2},
      {L"Roate Video 180\u00b0", {L"OFF", L"ON"}, 1},
  };
  int row = 0;
  for (const Item& item : items) {
    const int y = 90 + row++ * 30;
    Add(dialog, L"STATIC", item.title, SS_RIGHT | SS_NOPREFIX, 20, y + 8, 180, 20);
    HWND list = Add(dialog, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 206,
                    y + 4, 120, 300);
    for (const wchar_t* option : item.options)
      SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(option));
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(item.selected), 0);
  }
  Add(dialog, L"STATIC", L"Date Stamp Logo", SS_LEFT | SS_NOPREFIX, 350, 180, 160, 20);
  Add(dialog, L"COMBOBOX", L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 350, 202,
      160, 300);
  const wchar_t* info[] = {L"Model : ", L"HW Ver : ", L"FW Ver : "};
  row = 0;
  for (const wchar_t* title : info) {
    const int y = 100 + row++ * 20;
    Add(dialog, L"STATIC", title, SS_RIGHT | SS_NOPREFIX, 350, y, 120, 20);
    Add(dialog, L"EDIT", L"", ES_LEFT | ES_READONLY | ES_AUTOHSCROLL, 474, y, 140, 20);
  }
  HWND kavrin = Add(dialog, L"BUTTON", L"Kavrin", BS_PUSHBUTTON | WS_TABSTOP, 410, 12, 80, 30);
  SendMessageW(kavrin, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  EnableWindow(kavrin, FALSE);
  RECT area{}, outer{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(dialog, &outer);
  SetWindowPos(dialog, nullptr, (area.right - area.left - (outer.right - outer.left)) / 2,
               (area.bottom - area.top - (outer.bottom - outer.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(dialog, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}
