// The main window on the plain Win32 backend as an operator meets it: laid out for the
// screen's DPI (and again for another monitor's), Enter ends nothing, a click on a button's
// part under a label reaches the button, and the busy notification shows its whole text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/sim/recorder.h"
#include "device/sim/state_store.h"
#include "tests/ui/main_window_win32_fixture.h"
#include "ui/win32/win32_control.h"
#include "ui/win32/win32_dpi.h"

namespace kavrin::test {
namespace {

using ui::win32::ToDevice;

// As kavrintool.exe's manifest declares it: the program draws at the monitor's DPI itself
// (else the platform would draw it at 96 DPI and stretch the bitmap). Before any window.
const bool kDpiAware = [] {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto set = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  if (set && set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) return true;
  return SetProcessDPIAware() != FALSE;
}();

ui::win32::Win32Window& Host(MainDialog& window) {
  return static_cast<ui::win32::Win32Window&>(*window.Window());
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[32] = {};
  GetClassNameW(hwnd, name, 32);
  return name;
}

// The room a static text's words need in the control's own font, broken at its width as the
// control breaks them, in device pixels.
SIZE TextRoom(HWND label) {
  RECT area{};
  GetClientRect(label, &area);
  const std::wstring text = WindowText(label);
  HDC dc = GetDC(label);
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, area.right, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, previous);
  ReleaseDC(label, dc);
  return {needed.right, needed.bottom};
}

bool Fits(HWND label) {
  RECT area{};
  GetClientRect(label, &area);
  const SIZE room = TextRoom(label);
  return room.cx <= area.right && room.cy <= area.bottom;
}

int FontHeightOf(HWND control) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  LOGFONTW face{};
  GetObjectW(font, sizeof face, &face);
  return std::abs(face.lfHeight);
}

// Every control stands at its 96-DPI rectangle times DPI / 96 (within a pixel) and the client
// area is the 96-DPI one scaled alike; a text that fits its label keeps fitting.
void ExpectLaidOutFor(MainDialog& window, HWND dialog, int dpi, ui::Size logicalClient) {
  SCOPED_TRACE(testing::Message() << dpi << " DPI");
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_NEAR(client.right, ToDevice(logicalClient.width, dpi), 1);
  EXPECT_NEAR(client.bottom, ToDevice(logicalClient.height, dpi), 1);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ui::win32::Win32Control* control = Host(window).FindControlByHandle(child);
    ASSERT_NE(control, nullptr);
    SCOPED_TRACE(testing::Message() << GetDlgCtrlID(child));
    const ui::Rect wanted = ToDevice(control->Geometry(), dpi);
    const ui::Rect actual = ClientRectOf(child);
    EXPECT_NEAR(actual.left, wanted.left, 1);
    EXPECT_NEAR(actual.top, wanted.top, 1);
    EXPECT_NEAR(actual.right, wanted.right, 1);
    // A closed drop-down is as tall as its font makes it; its rectangle holds the list.
    if (ClassOf(child) != L"ComboBox") {
      EXPECT_NEAR(actual.bottom, wanted.bottom, 1);
    }
  }
}

// What the window shows at the DPI it starts at (the system's: the prefix's LogPixels under
// Wine), and after the platform moves it to monitors of other DPIs.
TEST_F(MainWindowWin32Test, LaidOutForTheScreensDpiAndAgainForAnotherMonitors) {
  ASSERT_TRUE(kDpiAware);
  Open(SAVE_BIN | LOAD_BIN | SET_DEFAULT | GET_DEVICE_KAVRIN);
  ui::win32::Win32Window& host = Host(*window);
  const int startDpi = host.Dpi();
  EXPECT_EQ(startDpi, ui::win32::SystemDpi());
  const ui::Size logicalClient = host.ClientSize();
  // The client area is the configured outer size (no larger than the screen: at 192 DPI a
  // small screen holds fewer 96-DPI pixels) less the frame the window has at 96 DPI.
  Extent extent;
  window->GetWindowExtent(&extent);
  const ui::Size screen = host.ScreenSize();
  extent.right = std::min(extent.right, screen.width);
  extent.bottom = std::min(extent.bottom, screen.height);
  const ui::Size frame =
      ui::win32::FrameSize(static_cast<DWORD>(GetWindowLongW(Dialog(), GWL_STYLE)),
                           static_cast<DWORD>(GetWindowLongW(Dialog(), GWL_EXSTYLE)), 96);
  EXPECT_NEAR(logicalClient.width, extent.right - frame.width, 1);
  EXPECT_NEAR(logicalClient.height, extent.bottom - frame.height, 1);
  ExpectLaidOutFor(*window, Dialog(), startDpi, logicalClient);

  std::vector<HWND> fittingLabels;
  for (HWND child = GetWindow(Dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (ClassOf(child) == L"Static" && IsWindowVisible(child) && Fits(child))
      fittingLabels.push_back(child);
  ASSERT_FALSE(fittingLabels.empty());
  const int startFont = FontHeightOf(fittingLabels.front());

  for (int dpi : {144, 192, 120, 96, startDpi}) {
    RECT outer{};
    GetWindowRect(Dialog(), &outer);
    // The platform's suggestion: the same top-left; the size is the window's own business.
    SendMessageW(Dialog(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&outer));
    EXPECT_EQ(host.Dpi(), dpi);
    ExpectLaidOutFor(*window, Dialog(), dpi, logicalClient);
    RECT moved{};
    GetWindowRect(Dialog(), &moved);
    EXPECT_EQ(moved.left, outer.left);
    EXPECT_EQ(moved.top, outer.top);
    EXPECT_NEAR(FontHeightOf(fittingLabels.front()), startFont * dpi / startDpi, 1);
    for (HWND label : fittingLabels)
      EXPECT_TRUE(Fits(label)) << "cut at " << dpi << " DPI: " << WindowText(label).size();
    // What the window answers stays in 96-DPI pixels.
    EXPECT_NEAR(host.ClientSize().width, logicalClient.width, 1);
    EXPECT_NEAR(host.ClientSize().height, logicalClient.height, 1);
  }
}

// Enter in the main window, with the focus on the window or on a list, leaves it running;
// Escape then ends it as Cancel.
TEST_F(MainWindowWin32Test, EnterOnTheMainWindowLeavesItOpen) {
  for (int focus : {0, IDC_ITEM_BASE + 6, IDC_LOGO}) {
    SCOPED_TRACE(focus);
    window = std::make_unique<MainDialog>(toolkit, simulator);
    window->SetConsoleOpener([] {});
    ASSERT_TRUE(window->Create());
    HWND dialog = Dialog();
    HWND target = focus ? Item(focus) : dialog;
    ASSERT_NE(target, nullptr);
    if (ClassOf(target) == L"ComboBox" && GetWindow(target, GW_CHILD))
      target = GetWindow(target, GW_CHILD);
    // As the keyboard queues them for the focused window; the dialog manager sees them first.
    PostMessageW(target, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC0000001);
    PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(window->DoModal(), ui::IDC_CANCEL) << "Enter ended the window";
  }
}

// A click through the window system on the part of a button that a title covers (the
// built-in item layout puts titles over the buttons at the foot of the column).
TEST_F(MainWindowWin32Test, AClickOnAButtonsPartUnderALabelReachesTheButton) {
  dir.Write("KAVRIN_CFG.ini", std::string("[ITEM_LIST]\nITEM_NO=21\n"));
  Open(SET_DEFAULT | GET_DEVICE_KAVRIN);
  int overlaps = 0;
  for (int id : {IDC_SET_DEFAULT, IDC_GET_KAVRIN}) {
    HWND button = Item(id);
    if (!button || !IsWindowVisible(button)) continue;
    const ui::Rect b = ClientRectOf(button);
    for (HWND child = GetWindow(Dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (ClassOf(child) != L"Static" || !IsWindowVisible(child)) continue;
      const ui::Rect l = ClientRectOf(child);
      const ui::Rect common{std::max(b.left, l.left), std::max(b.top, l.top),
                            std::min(b.right, l.right), std::min(b.bottom, l.bottom)};
      if (common.Width() <= 0 || common.Height() <= 0) continue;
      ++overlaps;
      POINT at{(common.left + common.right) / 2, (common.top + common.bottom) / 2};
      ClientToScreen(Dialog(), &at);
      EXPECT_EQ(WindowFromPoint(at), button) << "the label takes the click";
      const std::size_t before = trace.Text().size();
      HWND hit = WindowFromPoint(at);
      ScreenToClient(hit, &at);
      SendMessageW(hit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
      SendMessageW(hit, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
      EXPECT_NE(trace.Text().find("BN_CLICKED for " + std::to_string(id) + "\n", before),
                std::string::npos);
    }
  }
  EXPECT_GT(overlaps, 0) << "no label over a button in this layout: nothing was tested";
}

// Another program holds the recorder: the notification's long reason shows whole, with OK
// below it.
struct BusyLook {
  HWND main = nullptr;
  bool seen = false, fits = false, okBelow = false;
};
thread_local BusyLook* busy = nullptr;

BOOL CALLBACK LookAtNotification(HWND hwnd, LPARAM) {
  if (hwnd == busy->main || !IsWindowVisible(hwnd) || busy->seen) return TRUE;
  HWND text = nullptr, ok = GetDlgItem(hwnd, ui::IDC_OK);
  for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (ClassOf(child) == L"Static") text = child;
  if (!text || !ok) return TRUE;
  busy->seen = true;
  busy->fits = Fits(text);
  RECT client{};
  GetClientRect(hwnd, &client);
  const ui::Rect t = ClientRectOf(text), o = ClientRectOf(ok);
  busy->okBelow = IsWindowVisible(ok) && o.top >= t.bottom && o.bottom <= client.bottom &&
                  t.right <= client.right;
  PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ui::IDC_OK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
  return TRUE;
}

void CALLBACK PollBusy(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), LookAtNotification, 0);
}

TEST_F(MainWindowWin32Test, TheBusyNotificationShowsItsWholeText) {
  ASSERT_TRUE(sim::SaveState(statePath, sim::RecorderState{}));
  Open();
  sim::StateStore peer(statePath);
  ASSERT_TRUE(peer.Lock());
  BusyLook look;
  look.main = Dialog();
  busy = &look;
  const UINT_PTR poll = SetTimer(nullptr, 0, 50, PollBusy);
  SendMessageW(Item(IDC_KAVRIN), BM_CLICK, 0, 0);  // returns when the notification is closed
  KillTimer(nullptr, poll);
  busy = nullptr;
  peer.Unlock();
  ASSERT_TRUE(look.seen);
  EXPECT_TRUE(look.fits);
  EXPECT_TRUE(look.okBelow);
  EXPECT_NE(trace.Text().find("\nkavrin fail\n"), std::string::npos);
}

}  // namespace
}  // namespace kavrin::test
