// The framework on the plain Win32 backend (under Wine in the Windows test leg): the shared
// behaviour with real Win32 controls, acted on by window messages as a user's input arrives.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "ui/win32/win32_api.h"
#include "device/device_change_monitor.h"
#include "device/dshow/dshow_change_monitor.h"
#include "tests/ui/framework/framework_cases.h"
#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_file_dialog.h"
#include "ui/win32/win32_text.h"
#include "ui/win32/win32_toolkit.h"
#include "ui/win32/win32_window.h"

namespace kavrin::ui::test {
namespace {

using win32::Win32Control;
using win32::Win32Window;

HWND DialogOf(Dialog& dialog) { return static_cast<Win32Window&>(*dialog.Window()).Handle(); }
HWND ControlOf(const Control& control) {
  return static_cast<const Win32Control&>(control).Handle();
}

// Shows the window as a user would see it before acting in it.
HWND Visible(Dialog& dialog, int id) {
  ShowWindow(DialogOf(dialog), SW_SHOW);
  HWND control = GetDlgItem(DialogOf(dialog), id);
  return control && IsWindowVisible(control) ? control : nullptr;
}

// True when input through the window system would reach the control: the platform gives no
// mouse or keyboard input to a disabled window or to the children of one (a modal dialog
// disables its owner).
bool TakesInput(HWND control) {
  for (HWND w = control; w; w = GetParent(w))
    if (!IsWindowEnabled(w)) return false;
  return true;
}

// Runs an action from the next message loop of this thread: a message posted to a window of
// its own comes out before any timer, so it runs as soon as a nested dialog's loop starts.
class LoopAction {
 public:
  explicit LoopAction(std::function<void()> action) : action_(std::move(action)) {
    static const ATOM kClass = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = &LoopAction::Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"KavrinTestLoopAction";
      return RegisterClassW(&wc);
    }();
    hwnd_ = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(kClass)), L"", 0, 0,
                            0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    PostMessageW(hwnd_, WM_APP, 0, 0);
  }
  ~LoopAction() { DestroyWindow(hwnd_); }
  LoopAction(const LoopAction&) = delete;
  LoopAction& operator=(const LoopAction&) = delete;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
      auto* self = reinterpret_cast<LoopAction*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      if (self && self->action_) std::exchange(self->action_, nullptr)();
      return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  std::function<void()> action_;
  HWND hwnd_ = nullptr;
};

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
    if (!combo || !IsWindowEnabled(combo) || index < 0 ||
        index >= SendMessageW(combo, CB_GETCOUNT, 0, 0))
      return false;
    // What picking an entry in the dropped-down list does: the selection, then the notice.
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(DialogOf(d), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
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
  bool WindowClick(Dialog& d, int id) {
    HWND button = Visible(d, id);
    if (!button) return false;
    if (TakesInput(button)) SendMessageW(button, BM_CLICK, 0, 0);
    return true;
  }
  void WindowEscape(Dialog& d) {
    // What the dialog manager makes of Escape in a window that takes input.
    if (TakesInput(DialogOf(d)))
      SendMessageW(DialogOf(d), WM_COMMAND, MAKEWPARAM(IDC_CANCEL, 0), 0);
  }
  void WindowClickAt(Dialog& d, int x, int y) {
    // The window the system gives a mouse click at that point (its hit-testing skips what
    // answers transparent), and the press and release it would receive there.
    HWND dialog = DialogOf(d);
    ShowWindow(dialog, SW_SHOW);
    POINT at{win32::ToDevice(x, win32::DpiOfWindow(dialog)),
             win32::ToDevice(y, win32::DpiOfWindow(dialog))};
    ClientToScreen(dialog, &at);
    HWND target = WindowFromPoint(at);
    if (!target || !TakesInput(target)) return;
    ScreenToClient(target, &at);
    SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  }
  void ClickWhileBusy(Dialog& d, int id) {
    // The press and release the window system queued while the thread was busy.
    HWND button = GetDlgItem(DialogOf(d), id);
    RECT rect{};
    GetClientRect(button, &rect);
    const LPARAM at = MAKELPARAM(rect.right / 2, rect.bottom / 2);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(button, WM_LBUTTONUP, 0, at);
  }
  void Settle() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  void WhileNestedShows(std::function<void()> action) {
    pending = std::make_unique<LoopAction>([action = std::move(action)] {
      // The nested dialog is the window that owns new windows while it shows.
      EXPECT_NE(win32::CurrentOwnerWindow(), nullptr);
      action();
    });
  }
  std::unique_ptr<LoopAction> pending;
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
  EXPECT_EQ(dialog.DoModal(), IDC_CANCEL);
  EXPECT_FALSE(IsWindowVisible(hwnd));
}

// A monitor with changes waiting when a test says so.
class PendingMonitor : public DeviceChangeMonitor {
 public:
  int Descriptor() const override { return -1; }
  bool ConsumeEvents() override { return std::exchange(pending, false); }
  bool WaitForChange(std::chrono::milliseconds) override { return false; }
  bool pending = false;
};

TEST(Win32ToolkitTest, AWatchedMonitorsChangeReachesTheWindowInItsModalLoopUntilStopped) {
  win32::Win32Toolkit toolkit;
  TestDialog dialog{toolkit};
  ASSERT_TRUE(dialog.Create());
  PendingMonitor monitor;
  int changes = 0;
  toolkit.WatchDeviceChanges(monitor, [&] {
    ++changes;
    dialog.EndDialog(7);
  });
  monitor.pending = true;
  EXPECT_EQ(dialog.DoModal(), 7);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(monitor.pending);

  // The system's broadcast to the window is the same change the monitor holds: one look.
  TestDialog heard{toolkit};
  ASSERT_TRUE(heard.Create());
  monitor.pending = true;
  SendMessageW(DialogOf(heard), WM_DEVICECHANGE, 7 /* DBT_DEVNODES_CHANGED */, 0);
  EXPECT_FALSE(monitor.pending);
  EXPECT_EQ(changes, 1);

  // Stopped: a change waits unseen while a dialog runs until its own timer ends it.
  toolkit.StopDeviceChanges();
  monitor.pending = true;
  TestDialog later{toolkit};
  ASSERT_TRUE(later.Create());
  later.endTimerId = 3;
  later.endResult = 42;
  later.Window()->SetTimer(3, 3 * win32::Win32Toolkit::kPollMilliseconds);
  EXPECT_EQ(later.DoModal(), 42);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(monitor.pending);
}

// A click the operator made while a device change was being handled waits in the queue and
// runs after the handler, never inside it: the system's device monitor only records its news
// and the window's own loop dispatches.
TEST(Win32ToolkitTest, AClickQueuedWhileADeviceChangeIsHandledRunsAfterIt) {
  win32::Win32Toolkit toolkit;
  TestDialog dialog{toolkit};
  ASSERT_TRUE(dialog.Create());
  dshow::DshowChangeMonitor monitor;
  ASSERT_NE(monitor.WindowHandle(), nullptr);
  int watchedChanges = 0;
  toolkit.WatchDeviceChanges(monitor, [&] { ++watchedChanges; });
  HWND hwnd = DialogOf(dialog);
  ShowWindow(hwnd, SW_SHOW);
  // The monitor's window heard of a camera too; then the click, then the system's broadcast.
  SendMessageW(static_cast<HWND>(monitor.WindowHandle()), WM_DEVICECHANGE,
               7 /* DBT_DEVNODES_CHANGED */, 0);
  Win32Driver driver;
  driver.ClickWhileBusy(dialog, TestDialog::kShown);
  SendMessageW(hwnd, WM_DEVICECHANGE, 7 /* DBT_DEVNODES_CHANGED */, 0);
  EXPECT_EQ(dialog.shownClicksAtDeviceChange, std::vector<int>{0})
      << "the click ran inside the device change";
  EXPECT_EQ(dialog.shownClicks, 0);
  EXPECT_FALSE(monitor.ConsumeEvents()) << "the monitor's news was not taken with the broadcast";
  driver.Settle();  // the window's loop
  EXPECT_EQ(dialog.shownClicks, 1);
  EXPECT_EQ(watchedChanges, 0);  // one change, one look: the broadcast's
  toolkit.StopDeviceChanges();
}

}  // namespace
}  // namespace kavrin::ui::test
