// The main window on the plain Win32 backend (under Wine in the Windows test leg): the
// behaviour the headless tests rely on holds for the controls a Windows user sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/win32/win32_api.h"
#include "config/text_codec.h"
#include "device/sim/recorder.h"
#include "device/sim/sim_backend.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"
#include "tests/ui/main_window_win32_fixture.h"
#include "ui/dialog_templates.h"
#include "ui/main_dialog.h"
#include "ui/win32/win32_toolkit.h"
#include "ui/win32/win32_window.h"

namespace kavrin::test {
namespace {

TEST_F(MainWindowWin32Test, EveryControlSitsWhereTheLayoutPutsIt) {
  Open(SAVE_BIN | LOAD_BIN);
  int checked = 0;
  for (HWND child = GetWindow(Dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    ui::Control* control =
        static_cast<ui::win32::Win32Window&>(*window->Window()).FindControlByHandle(child);
    ASSERT_NE(control, nullptr) << id;
    SCOPED_TRACE(id);
    const ui::Rect wanted = control->Geometry();
    const ui::Rect actual = ClientRectOf(child);
    EXPECT_EQ(actual.left, wanted.left);
    EXPECT_EQ(actual.top, wanted.top);
    EXPECT_EQ(actual.Width(), wanted.Width());
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (lstrcmpiW(className, L"ComboBox") == 0) {
      // The rectangle's height is the box with its dropped-down list, which shows whole rows
      // only: within one row of it.
      RECT dropped{};
      SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      const int row = static_cast<int>(SendMessageW(child, CB_GETITEMHEIGHT, 0, 0));
      EXPECT_LE(dropped.bottom - dropped.top, wanted.Height());
      EXPECT_GT(dropped.bottom - dropped.top, wanted.Height() - 2 * row);
      EXPECT_LT(actual.Height(), wanted.Height());
    } else {
      EXPECT_EQ(actual.Height(), wanted.Height());
    }
    ++checked;
  }
  EXPECT_GT(checked, 20);
  // Dialog units follow the dialog's own font, as MapDialogRect maps them.
  RECT units{0, 0, 100, 100};
  MapDialogRect(Dialog(), &units);
  EXPECT_EQ(window->Window()->DialogUnitsToPixels({100, 100}),
            (ui::Size{units.right, units.bottom}));
  EXPECT_EQ(WindowText(Dialog()), L"ZK742 User Kavrin Tool 20130418-1");
}

TEST_F(MainWindowWin32Test, FieldWithoutAnOptionShowsAnEmptyList) {
  std::vector<unsigned char> block(SettingsBlock::kSize, 0);
  block[2] = 0x07;  // VOLUME 7 of four options
  dir.Write("Default.bin", block);
  Open();
  HWND volume = Item(IDC_ITEM_BASE + 6);
  ASSERT_NE(volume, nullptr);
  EXPECT_EQ(GetWindowLongW(volume, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(SendMessageW(volume, CB_GETCOUNT, 0, 0), 4);
  EXPECT_EQ(SendMessageW(volume, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(WindowText(volume), L"");
  window->ControlsToBlock();
  EXPECT_EQ(window->GetBits(1, 0, 4), 15u);
  EXPECT_EQ(WindowText(Item(IDC_ITEM_BASE + 9)), L"-1");  // EV 0 is in range
}

TEST_F(MainWindowWin32Test, TypedLogoTextReachesTheBlock) {
  Open();
  HWND logo = Item(IDC_LOGO);
  ASSERT_NE(logo, nullptr);
  ASSERT_EQ(GetWindowLongW(logo, GWL_STYLE) & 3, CBS_DROPDOWN);
  HWND edit = GetWindow(logo, GW_CHILD);  // the box's edit field
  ASSERT_NE(edit, nullptr);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  for (wchar_t c : std::wstring(L"NIGHT RIDER 2013")) SendMessageW(edit, WM_CHAR, c, 1);
  window->ControlsToBlock();
  // Sixteen bytes of field: the text fills it without a terminator.
  EXPECT_EQ(window->GetText(22, 8), "NIGHT RIDER 2013");
}

TEST_F(MainWindowWin32Test, OnlySwitchedButtonsShow) {
  Open(SAVE_BIN);
  const struct {
    int id;
    bool shown;
  } cases[] = {{IDC_SAVE, true},         {IDC_LOAD, false},       {IDC_GET_KAVRIN, false},
               {IDC_SET_DEFAULT, false}, {IDC_KAVRIN, true},      {IDC_PATH_DISPLAY, false},
               {ui::IDC_OK, false},      {ui::IDC_CANCEL, false}, {IDC_READ, false},
               {IDC_WRITE, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ASSERT_NE(Item(c.id), nullptr);
    EXPECT_EQ(IsWindowVisible(Item(c.id)) != FALSE, c.shown);
  }
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_KAVRIN)));  // no recorder
}

// What a poll saw of the notification while the kavrin operation ran its modal loop.
struct NotificationWatch {
  HWND main = nullptr;
  std::wstring title;
  std::vector<std::wstring> texts;
  bool ownerTookInput = false;
  bool seen = false;
  bool forcedClosed = false;
  int polls = 0;
};
thread_local NotificationWatch* watch = nullptr;

BOOL CALLBACK LookAtWindow(HWND hwnd, LPARAM) {
  if (hwnd == watch->main || !IsWindowVisible(hwnd)) return TRUE;
  watch->seen = true;
  watch->title = WindowText(hwnd);
  watch->texts.clear();
  for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowVisible(child)) watch->texts.push_back(WindowText(child));
  if (IsWindowEnabled(watch->main)) watch->ownerTookInput = true;
  // A guard against a notification that never closes (about 20 s), not a measure of time.
  if (watch->polls > 400) {
    watch->forcedClosed = true;
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
  }
  return TRUE;
}

void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD) {
  ++watch->polls;
  EnumThreadWindows(GetCurrentThreadId(), LookAtWindow, 0);
}

TEST_F(MainWindowWin32Test, KavrinClickWritesTheRecorderAndTheModalNotificationClosesItself) {
  sim::RecorderState state;
  ASSERT_TRUE(sim::SaveState(statePath, state));
  Open();
  HWND kavrin = Item(IDC_KAVRIN);
  ASSERT_TRUE(IsWindowEnabled(kavrin));

  NotificationWatch seen;
  seen.main = Dialog();
  watch = &seen;
  const UINT_PTR poll = SetTimer(nullptr, 0, 50, Poll);
  SendMessageW(kavrin, BM_CLICK, 0, 0);  // returns when the operation and its notification end
  KillTimer(nullptr, poll);
  watch = nullptr;

  EXPECT_TRUE(seen.seen);
  EXPECT_FALSE(seen.forcedClosed);
  EXPECT_FALSE(seen.ownerTookInput);
  EXPECT_EQ(seen.title, L"Kavrin");
  EXPECT_EQ(seen.texts, std::vector<std::wstring>{L"Kavrin finish !"});
  EXPECT_TRUE(IsWindowEnabled(Dialog()));  // the main window takes input again

  const std::optional<sim::RecorderState> after = sim::LoadState(statePath);
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->commits, std::vector<uint32_t>{2});
  EXPECT_FALSE(after->clock.empty());
  EXPECT_NE(trace.Text().find("OnCommand() get BN_CLICKED for 2404\n"), std::string::npos);
}

TEST_F(MainWindowWin32Test, ClicksQueuedDuringAnInputHoldAreDropped) {
  sim::RecorderState state;
  ASSERT_TRUE(sim::SaveState(statePath, state));
  Open();
  auto& host = static_cast<ui::win32::Win32Window&>(*window->Window());
  HWND kavrin = Item(IDC_KAVRIN);
  host.HoldInput(true);
  EXPECT_FALSE(IsWindowEnabled(Dialog()));
  // A click made while the thread was busy: its button messages wait in the queue.
  PostMessageW(kavrin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(kavrin, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  PostMessageW(Dialog(), WM_KEYDOWN, VK_ESCAPE, 1);
  host.HoldInput(false);
  EXPECT_TRUE(IsWindowEnabled(Dialog()));
  MSG msg;
  int left = 0;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
        (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST))
      ++left;
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(left, 0);
  const std::optional<sim::RecorderState> after = sim::LoadState(statePath);
  ASSERT_TRUE(after.has_value());
  EXPECT_TRUE(after->commits.empty());
}

}  // namespace
}  // namespace kavrin::test
