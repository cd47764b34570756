// The framework on the plain Win32 backend (under Wine in the Windows test leg): the shared
// behaviour with real Win32 controls, acted on by window messages as a user's input arrives.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "tests/ui/framework/framework_cases.h"
#include "ui/win32/win32_api.h"
#include "ui/win32/win32_file_dialog.h"
#include "ui/win32/win32_text.h"
#include "ui/win32/win32_toolkit.h"
#include "ui/win32/win32_window.h"

namespace kavrin::ui::test {
namespace {

using win32::Win32Control;
using win32::Win32Window;

HWND DialogOf(Dialog& dialog) { return static_cast<Win32Window&>(*dialog.Window()).Handle(); }
HWND ControlOf(const Control& control) { return static_cast<const Win32Control&>(control).Handle(); }

// Shows the window as a user would see it before acting in it.
HWND Visible(Dialog& dialog, int id) {
  ShowWindow(DialogOf(dialog), SW_SHOW);
  HWND control = GetDlgItem(DialogOf(dialog), id);
  return control && IsWindowVisible(control) ? control : nullptr;
}

// Whether input from the window system reaches this control now: a window that is disabled
// (the owner while a modal dialog runs, or a held window) or any disabled ancestor takes
// none, as the system's input routing has it.
bool TakesInput(HWND control) {
  for (HWND w = control; w != nullptr; w = GetParent(w)) {
    if (!IsWindowEnabled(w)) return false;
    if ((GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) == 0) break;
  }
  return true;
}

// A left click as the mouse leaves it in the thread's queue: down and up at the centre.
void QueueMouseClick(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  const LPARAM at = MAKELPARAM((client.right - client.left) / 2, (client.bottom - client.top) / 2);
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(control, WM_LBUTTONUP, 0, at);
}

// The action to run once the next modal loop of this thread is up (WhileNestedShows).
std::function<void()> pendingInModalLoop;

void CALLBACK RunPendingInModalLoop(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (pendingInModalLoop) std::exchange(pendingInModalLoop, nullptr)();
}

struct Win32Driver {
  // Controls stack in the order they were made, the first on top (the dialog's tab order).
  static constexpr bool kFirstControlOnTop = true;
  win32::Win32Toolkit toolkit;
  void SendToBottom(const Control& c) {
    SetWindowPos(ControlOf(c), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  Toolkit& Kit() { return toolkit; }
  bool Click(Dialog& d, int id) {
    HWND button = Visible(d, id);
    if (!button) return false;
    // A click as the button takes it: a disabled button ignores it.
    if (IsWindowEnabled(button)) SendMessageW(button, BM_CLICK, 0, 0);
    return true;
  }
  bool Type(Dialog& d, int id, std::u16string_view text) {
    HWND control = Visible(d, id);
    if (!control) return false;
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    HWND edit = lstrcmpiW(className, L"ComboBox") == 0 ? GetWindow(control, GW_CHILD) : control;
    if (!edit) return false;
    wchar_t editClass[32] = {};
    GetClassNameW(edit, editClass, 32);
    if (lstrcmpiW(editClass, L"Edit") != 0) return false;
    SendMessageW(edit, EM_SETSEL, 0, -1);  // the user's text replaces the field
    for (char16_t c : text) SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(c), 1);
    return true;
  }
  bool Select(Dialog& d, int id, int index) {
    HWND combo = Visible(d, id);
    if (!combo || !IsWindowEnabled(combo) || index < 0 || index >= SendMessageW(combo, CB_GETCOUNT, 0, 0))
      return false;
    // What picking an entry in the dropped-down list does: the selection, then the notice.
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(DialogOf(d), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    return true;
  }
  void CloseBox(Dialog& d) { SendMessageW(DialogOf(d), WM_SYSCOMMAND, SC_CLOSE, 0); }
  Rect ShownRect(Dialog&, const Control& c) {
    RECT rect{};
    GetWindowRect(ControlOf(c), &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(ControlOf(c)), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right, rect.bottom};
  }
  bool IsAbove(Dialog&, const Control& a, const Control& b) {
    // Siblings are listed from the top of the z-order down.
    for (HWND w = GetWindow(ControlOf(a), GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
      if (w == ControlOf(b)) return true;
    return false;
  }
  Rect ScreenRect() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return {area.left, area.top, area.right, area.bottom};
  }
  // A click from the window system: dropped where the window takes no input.
  bool WindowClick(Dialog& d, int id) {
    HWND button = Visible(d, id);
    if (!button) return false;
    if (!TakesInput(button)) return true;
    SendMessageW(button, BM_CLICK, 0, 0);
    return true;
  }
  // Escape from the keyboard reaches the active window, never a disabled one.
  void WindowEscape(Dialog& d) {
    HWND hwnd = DialogOf(d);
    if (!TakesInput(hwnd)) return;
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ui::IDC_CANCEL, 0), 0);
  }
  // Clicked while the window's thread is busy: the click waits in the queue.
  void ClickWhileBusy(Dialog& d, int id) {
    if (HWND button = Visible(d, id)) QueueMouseClick(button);
  }
  // Delivers what is queued, as the window's message loop does once the handler returns.
  void Settle() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // A thread timer: the nested dialog's modal loop dispatches it once it runs.
  void WhileNestedShows(std::function<void()> action) {
    pendingInModalLoop = std::move(action);
    SetTimer(nullptr, 0, 0, RunPendingInModalLoop);
  }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FrameworkTest, Win32Driver);

namespace {

TEST(Win32FileDialogTest, FilterPairsBecomeNulSeparatedWithTwoAtTheEnd) {
  EXPECT_EQ(win32::ConvertFileFilter(u"BIN (*.bin)|*.bin|All file (*.*)|*.*|"),
            std::wstring(L"BIN (*.bin)\0*.bin\0All file (*.*)\0*.*\0\0\0", 39));
}

TEST(Win32WindowTest, EscapeEndsAModalRunAsCancel) {
  win32::Win32Toolkit toolkit;
  TestDialog dialog{toolkit};
  ASSERT_TRUE(dialog.Create());
  // Escape pressed once the modal loop runs: the dialog manager turns it into IDCANCEL.
  HWND hwnd = DialogOf(dialog);
  PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(dialog.DoModal(), ui::IDC_CANCEL);
  EXPECT_FALSE(IsWindowVisible(hwnd));
}

}  // namespace
}  // namespace kavrin::ui::test
