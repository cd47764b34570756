// The framework on the in-memory backend: the shared behaviour, then what only this backend
// promises (exact base units and frame, virtual time, test hooks).
#include <gtest/gtest.h>

#include <chrono>
#include <utility>

#include "device/device_change_monitor.h"
#include "tests/ui/framework/framework_cases.h"
#include "ui/headless/headless_toolkit.h"

namespace kavrin::ui::test {
namespace {

using headless::HeadlessToolkit;
using headless::HeadlessWindow;

HeadlessWindow& HostOf(Dialog& dialog) { return static_cast<HeadlessWindow&>(*dialog.Window()); }

struct HeadlessDriver {
  HeadlessToolkit toolkit;
  Toolkit& Kit() { return toolkit; }
  bool Click(Dialog& d, int id) { return HostOf(d).Click(id); }
  bool Type(Dialog& d, int id, std::u16string_view text) { return HostOf(d).TypeText(id, text); }
  bool Select(Dialog& d, int id, int index) { return HostOf(d).SelectEntry(id, index); }
  void CloseBox(Dialog& d) { HostOf(d).Close(); }
  Rect ShownRect(Dialog&, const Control& c) { return c.Geometry(); }
  bool IsAbove(Dialog&, const Control& a, const Control& b) {
    const auto& sa = static_cast<const headless::HeadlessControl&>(a).State();
    const auto& sb = static_cast<const headless::HeadlessControl&>(b).State();
    return sa.zOrder > sb.zOrder;
  }
  Rect ScreenRect() {
    return {0, 0, HeadlessToolkit::kScreenSize.width, HeadlessToolkit::kScreenSize.height};
  }
  bool WindowClick(Dialog& d, int id) { return HostOf(d).Click(id); }
  void WindowEscape(Dialog& d) { HostOf(d).Close(); }
  void ClickWhileBusy(Dialog& d, int id) { HostOf(d).QueueClick(id); }
  void WindowClickAt(Dialog& d, int x, int y) { HostOf(d).ClickAt(x, y); }
  void Settle() {}  // queued input is delivered when the handler that queued it returns
  void WhileNestedShows(std::function<void()> action) {
    toolkit.OnModalLoop([action = std::move(action)](HeadlessWindow&) { action(); });
  }
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Headless, FrameworkTest, HeadlessDriver);

namespace {

class HeadlessFrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dialog.Create()); }
  HeadlessWindow& Host() { return HostOf(dialog); }

  HeadlessToolkit toolkit;
  TestDialog dialog{toolkit};
};

TEST_F(HeadlessFrameworkTest, DialogUnitsUseTheTemplateFontsBaseUnits) {
  // 9 points: 12 pixels high, 6 wide on average.
  EXPECT_EQ(Host().DialogUnitsToPixels({4, 8}), (Size{6, 12}));
  EXPECT_EQ(dialog.GetDlgItem(0xFFFF)->Geometry(), (Rect{15, 45, 105, 57}));
  // 380 x 440 units give a 570 x 660 client area inside the frame.
  EXPECT_EQ(Host().ClientSize(), (Size{570, 660}));
  EXPECT_EQ(Host().OuterGeometry(), (Rect{0, 0, 576, 689}));
  // The notice's 10-point font: 13 high, 7 wide.
  NoticeDialog notice(toolkit);
  ASSERT_TRUE(notice.Create());
  EXPECT_EQ(notice.Window()->DialogUnitsToPixels({87, 28}), (Size{152, 46}));
}

TEST_F(HeadlessFrameworkTest, CentresOnTheFullHdScreen) {
  Host().SetOuterGeometry({0, 0, 640, 520});
  Host().CenterOnScreen();
  EXPECT_EQ(Host().OuterGeometry(), (Rect{640, 280, 1280, 800}));
  EXPECT_EQ(Host().Snapshot().centreCount, 1);
}

TEST_F(HeadlessFrameworkTest, SunkenEditIsCreatedOnePixelNarrowerThenPlacedAndCentred) {
  const headless::ControlState& state =
      static_cast<headless::HeadlessControl*>(dialog.pathEdit)->State();
  EXPECT_EQ(state.params.rect, (Rect{180, 12, 399, 42}));
  EXPECT_TRUE(state.params.clientEdge);
  EXPECT_EQ(state.geometry, TestDialog::kPathRect);
  // Client 216 x 26 inside the 2-pixel edge; the 11-pixel GUI font moves down (26 - 11) / 2.
  EXPECT_EQ(dialog.pathEdit->ClientRect(), (Rect{0, 0, 216, 26}));
  EXPECT_EQ(dialog.pathEdit->TextRect(), (Rect{0, 7, 216, 33}));
}

TEST_F(HeadlessFrameworkTest, CentringTruncatesTowardZeroWhenTheFontIsTallerThanTheBox) {
  ControlSpec params;
  params.type = ControlType::Edit;
  params.id = 300;
  params.multiLine = true;
  params.clientEdge = true;
  params.rect = {0, 0, 100, 11};  // client 7 high
  Control* edit = Host().CreateControl(params);
  ASSERT_EQ(edit->FontHeight(), headless::kControlDefaultFontHeight);
  CenterEditText(edit);
  // (7 - 16) / 2 = -4.5: truncated to -4, not floored to -5.
  EXPECT_EQ(edit->TextRect(), (Rect{0, -4, 96, 3}));
  OffsetEditRect(edit, 3, 2);
  EXPECT_EQ(edit->TextRect(), (Rect{3, 2, 99, 9}));
}

TEST_F(HeadlessFrameworkTest, SingleLineEditKeepsItsClientRectAsFormattingRect) {
  CenterEditText(dialog.infoEdit);
  EXPECT_EQ(dialog.infoEdit->TextRect(), dialog.infoEdit->ClientRect());
}

TEST_F(HeadlessFrameworkTest, NestedNoticeRunsInVirtualTimeAndIsRecorded) {
  std::vector<headless::WindowSnapshot> whileShown;
  toolkit.OnModalLoop([&](HeadlessWindow& window) {
    whileShown.push_back(window.Snapshot());
    EXPECT_FALSE(window.Click(IDC_OK));  // the notice's OK button is hidden
  });
  const int64_t before = toolkit.NowMs();
  ASSERT_TRUE(Host().Click(TestDialog::kNested));
  EXPECT_EQ(toolkit.NowMs() - before, NoticeDialog::kLifetimeMs);
  ASSERT_EQ(whileShown.size(), 1u);
  EXPECT_EQ(whileShown[0].title, u"Notice");
  EXPECT_TRUE(whileShown[0].shown);

  const std::vector<headless::WindowSnapshot> windows = toolkit.OpenedWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].title, u"Framework test");
  EXPECT_FALSE(windows[0].destroyed);
  const headless::WindowSnapshot& notice = windows[1];
  EXPECT_EQ(notice.title, u"Notice");
  EXPECT_TRUE(notice.destroyed);
  EXPECT_TRUE(notice.modalEnded);
  EXPECT_EQ(notice.modalResult, 0);
  EXPECT_EQ(notice.VisibleTexts(), std::vector<std::u16string>{u"Done !"});
  ASSERT_NE(notice.Find(IDC_OK), nullptr);
  EXPECT_FALSE(notice.Find(IDC_OK)->visible);
  EXPECT_EQ(toolkit.LiveWindows().size(), 1u);
}

TEST_F(HeadlessFrameworkTest, TimersRepeatUntilKilledAndFireInDueOrder) {
  dialog.endTimerId = 3;
  Host().SetTimer(3, 100);
  Host().SetTimer(4, 30);
  Host().SetTimer(5, 10);
  Host().KillTimer(5);
  EXPECT_EQ(dialog.DoModal(), 0);
  EXPECT_EQ(dialog.timers, (std::vector<int>{4, 4, 4, 3}));
  EXPECT_EQ(toolkit.NowMs(), 100);
  EXPECT_EQ(Host().PendingTimers(), std::vector<int>{4});
}

TEST_F(HeadlessFrameworkTest, SettingATimerAgainRestartsIt) {
  Host().SetTimer(4, 30);
  Host().SetTimer(4, 50);
  EXPECT_EQ(Host().TimerInterval(4), 50);
  EXPECT_TRUE(Host().FireTimer(4));
  EXPECT_EQ(toolkit.NowMs(), 50);
  EXPECT_FALSE(Host().FireTimer(9));
}

TEST_F(HeadlessFrameworkTest, ModalLoopReturnsWhenNothingIsPendingOrATimerNeverEndsIt) {
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_TRUE(Host().IsShown());

  TestDialog endless(toolkit);
  ASSERT_TRUE(endless.Create());
  endless.Window()->SetTimer(8, 1);
  EXPECT_EQ(endless.DoModal(), -1);
  EXPECT_EQ(endless.timers.size(), static_cast<size_t>(HeadlessWindow::kMaxTimerEventsPerRun));
}

TEST_F(HeadlessFrameworkTest, UserActionsAreRefusedWhereAUserCouldNotAct) {
  EXPECT_FALSE(Host().Click(TestDialog::kLabel));          // not a button
  EXPECT_FALSE(Host().Click(999));                         // no such control
  EXPECT_FALSE(Host().TypeText(TestDialog::kInfo, u"x"));  // read-only
  EXPECT_FALSE(Host().TypeText(TestDialog::kList, u"x"));  // no edit field
  EXPECT_FALSE(Host().SelectEntry(TestDialog::kList, 3));
  dialog.box->Enable(false);
  EXPECT_FALSE(Host().TypeText(TestDialog::kBox, u"x"));
  dialog.list->Show(false);
  EXPECT_FALSE(Host().SelectEntry(TestDialog::kList, 0));
  EXPECT_TRUE(dialog.commands.empty());
  // The direct command reaches the dialog whatever the control's state.
  EXPECT_TRUE(Host().SendCommand(TestDialog::kHidden, kNotifyClicked));
  EXPECT_EQ(dialog.hiddenClicks, 1);
  EXPECT_FALSE(Host().SendCommand(TestDialog::kHidden, kNotifySelChange));  // only clicks act
  EXPECT_EQ(dialog.hiddenClicks, 1);
}

TEST_F(HeadlessFrameworkTest, FileDialogIsModalWhileItRuns) {
  auto files = toolkit.CreateFileOpenDialog(u"BIN (*.bin)|*.bin|");
  bool clickReached = true;
  toolkit.OnFileDialog([&] { clickReached = Host().Click(TestDialog::kShown); });
  toolkit.QueueFileDialogCancel();
  EXPECT_FALSE(files->Run());
  EXPECT_FALSE(clickReached);
  EXPECT_EQ(dialog.shownClicks, 0);
  EXPECT_EQ(toolkit.DroppedInput(), 1);
  EXPECT_TRUE(Host().Click(TestDialog::kShown));  // closed: the window takes input again
}

TEST(HeadlessToolkitTest, PausesAreCountedAndMoveTheVirtualClock) {
  HeadlessToolkit toolkit;
  toolkit.Pause(2000);
  toolkit.Pause(2000);
  EXPECT_EQ(toolkit.Pauses(), (std::vector<int>{2000, 2000}));
  EXPECT_EQ(toolkit.TotalPauseMs(), 4000);
  EXPECT_EQ(toolkit.NowMs(), 4000);
}

TEST(HeadlessToolkitTest, FileDialogAnswersFromTheQueueAndOffersTheLastPath) {
  HeadlessToolkit toolkit;
  auto dialog = toolkit.CreateFileOpenDialog(u"BIN (*.bin)|*.bin|All file (*.*)|*.*|");
  auto& headless = static_cast<headless::HeadlessFileDialog&>(*dialog);
  EXPECT_EQ(headless.Filter(), u"BIN (*.bin)|*.bin|All file (*.*)|*.*|");
  toolkit.QueueFileDialogAnswer("/tmp/a.bin");
  toolkit.QueueFileDialogCancel();
  toolkit.QueueFileDialogAnswer("/tmp/b");
  EXPECT_TRUE(dialog->Run());
  EXPECT_EQ(dialog->PathName(), "/tmp/a.bin");
  EXPECT_FALSE(dialog->Run());
  EXPECT_EQ(dialog->PathName(), "/tmp/a.bin");  // a cancel keeps the last choice
  EXPECT_TRUE(dialog->Run());
  EXPECT_EQ(headless.OfferedPath(), "/tmp/a.bin");
  EXPECT_EQ(dialog->PathName(), "/tmp/b");
  EXPECT_FALSE(dialog->Run());  // nothing queued: cancelled
  EXPECT_EQ(toolkit.FileDialogRuns(), 4);
  EXPECT_EQ(toolkit.PendingFileDialogAnswers(), 0u);
}

// A monitor that reports a change when the test says it has one.
class ScriptedMonitor : public DeviceChangeMonitor {
 public:
  int Descriptor() const override { return -1; }
  bool ConsumeEvents() override { return std::exchange(changed, false); }
  bool WaitForChange(std::chrono::milliseconds) override { return ConsumeEvents(); }
  bool changed = false;
};

TEST(HeadlessToolkitTest, DeviceChangesReachTheHandlerUntilStopped) {
  HeadlessToolkit toolkit;
  ScriptedMonitor monitor;
  EXPECT_FALSE(toolkit.SignalDeviceChange()) << "nothing watched yet";
  int calls = 0;
  toolkit.WatchDeviceChanges(monitor, [&] {
    ++calls;
    toolkit.StopDeviceChanges();  // a handler may stop its own watch
  });
  EXPECT_TRUE(toolkit.SignalDeviceChange());
  EXPECT_EQ(calls, 0) << "the monitor saw nothing worth re-attaching for";
  monitor.changed = true;
  EXPECT_TRUE(toolkit.SignalDeviceChange());
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(toolkit.WatchingDeviceChanges());
  monitor.changed = true;
  EXPECT_FALSE(toolkit.SignalDeviceChange());
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace kavrin::ui::test
