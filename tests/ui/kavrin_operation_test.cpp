// The kavrin operation against the simulated recorder: readiness, the clock, the settings as
// the controls hold them, the commit, and the self-closing notification, also when it fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "device/sim/state_store.h"
#include "tests/ui/device_test_support.h"
#include "ui/finish_notify_dialog.h"

namespace kavrin::test {
namespace {

struct ForceCase {
  const char* name;
  bool recorder;
  bool enabled;
  bool kavrinRuns;
};
void PrintTo(const ForceCase& c, std::ostream* os) { *os << c.name; }

class ForceKavrinTest : public DeviceOperationsTest,
                        public ::testing::WithParamInterface<ForceCase> {};

TEST_P(ForceKavrinTest, LiftsTheEngineTestButNeverTheNeedForARecorder) {
  WriteShippedConfigWith(kTwoTests);
  if (GetParam().recorder) PlugRecorder(Recorder({{kKeyTest, 0}}));
  Open(FORCE_KAVRIN);
  EXPECT_EQ(KavrinEnabled(), GetParam().enabled);
  trace.Clear();
  Win().SendCommand(IDC_KAVRIN, ui::kNotifyClicked);
  EXPECT_EQ(trace.Text().find("\nkavrin finish\n") != std::string::npos, GetParam().kavrinRuns);
  EXPECT_EQ(trace.Text().find("\nkavrin condition fail\n") != std::string::npos,
            !GetParam().kavrinRuns);
  EXPECT_EQ(trace.Text().find("engine test"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Force, ForceKavrinTest,
                         ::testing::Values(ForceCase{"WithRecorder", true, true, true},
                                           ForceCase{"WithoutRecorder", false, false, false}),
                         [](const auto& param) { return std::string(param.param.name); });

struct KavrinCase {
  const char* name;
  uint32_t switches;
  uint32_t commit;
};
void PrintTo(const KavrinCase& c, std::ostream* os) { *os << c.name; }

class KavrinOperationTest : public DeviceOperationsTest,
                            public ::testing::WithParamInterface<KavrinCase> {};

TEST_P(KavrinOperationTest, SendsClockThenTheControlsThenCommitsAndNotifies) {
  PlugRecorder(Recorder());
  Open(GetParam().switches);
  // The operator's choices since the last copy: they must be what the recorder receives.
  ASSERT_TRUE(Win().SelectEntry(IDC_ITEM_BASE + 6, 3));  // VOLUME 3
  ASSERT_TRUE(Win().TypeText(IDC_LOGO, u"FLEET 7"));
  backend->transfers.clear();
  trace.Clear();

  bool notificationTimerSet = false;
  toolkit.OnModalLoop([&](ui::headless::HeadlessWindow& shown) {
    notificationTimerSet = shown.TimerInterval(FinishNotifyDialog::kCloseTimerId) == 2000;
  });
  const int64_t clickedAt = toolkit.NowMs();
  ASSERT_TRUE(Win().Click(IDC_KAVRIN));

  // Clock, two chunks, commit: the settings as the controls held them at the click.
  const std::vector<RecordedTransfer>& t = backend->transfers;
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0].selector, DeviceLink::SELECTOR_COMMAND);
  EXPECT_EQ(t[0].Field(4), 10u);
  EXPECT_EQ(t[1].Field(4), 2u);
  EXPECT_EQ(t[1].Field(8), 0u);
  EXPECT_EQ(t[2].Field(8), 40u);
  EXPECT_EQ(t[3].selector, DeviceLink::SELECTOR_COMMIT);
  EXPECT_EQ(t[3].Field(0), GetParam().commit);

  const sim::RecorderState after = RecorderNow();
  EXPECT_TRUE(
      std::equal(after.settings.begin(), after.settings.end(), window->DeviceArea().begin()));
  EXPECT_EQ(window->GetBits(1, 0, 4), 3u);
  EXPECT_EQ(window->GetText(22, 8), std::string("FLEET 7") + std::string(9, '\0'));
  EXPECT_EQ(after.settings[0], 0x10);
  EXPECT_EQ(after.settings[1], 0xCA);
  EXPECT_EQ(after.clock, "2026-12-05T14:03:09");
  EXPECT_EQ(after.commits, std::vector<uint32_t>{GetParam().commit});

  EXPECT_EQ(toolkit.Pauses(), std::vector<int>{2000});
  EXPECT_TRUE(notificationTimerSet);
  EXPECT_EQ(Notifications(), std::vector<std::u16string>{u"Kavrin finish !"});
  const std::vector<ui::headless::WindowSnapshot> windows = toolkit.OpenedWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_TRUE(windows[1].modalEnded);  // closed by its own timer
  EXPECT_GE(toolkit.NowMs() - clickedAt, 4000);

  const std::string& text = trace.Text();
  const std::size_t finish = text.find("\nkavrin finish\n");
  const std::size_t notify = text.find("\nnotify user\n");
  ASSERT_NE(finish, std::string::npos);
  ASSERT_NE(notify, std::string::npos);
  EXPECT_LT(finish, notify);
  EXPECT_NE(text.find("\nDump 0x"), std::string::npos);
  EXPECT_TRUE(KavrinEnabled());
}

INSTANTIATE_TEST_SUITE_P(Commit, KavrinOperationTest,
                         ::testing::Values(KavrinCase{"CommitsTwo", 0, 2},
                                           KavrinCase{"SetKavrinFlagCommitsOne", SET_KAVRIN_FLAG,
                                                      1}),
                         [](const auto& param) { return std::string(param.param.name); });

struct FailedTransferCase {
  const char* name;
  std::vector<sim::FaultPlan::Rule> rules;
  bool committed;
  const char16_t* message;
};
void PrintTo(const FailedTransferCase& c, std::ostream* os) { *os << c.name; }

class FailedKavrinTest : public DeviceOperationsTest,
                         public ::testing::WithParamInterface<FailedTransferCase> {};

// A failure names its steps and stays until the operator closes it: no timer ends it, and
// its OK button does.
TEST_P(FailedKavrinTest, ShowsKavrinFailNamingTheStepUntilClosed) {
  sim::RecorderState state = Recorder();
  state.faults.rules = GetParam().rules;
  PlugRecorder(state);
  Open();
  trace.Clear();
  std::vector<int> timersWhileShown{-1};
  bool closedByOk = false;
  toolkit.OnModalLoop([&](ui::headless::HeadlessWindow& shown) {
    timersWhileShown = shown.PendingTimers();
    closedByOk = shown.Click(ui::IDC_OK) && shown.ModalEnded() && shown.ModalResult() == ui::IDC_OK;
  });
  ASSERT_TRUE(Win().Click(IDC_KAVRIN));
  EXPECT_EQ(Notifications(), std::vector<std::u16string>{GetParam().message});
  EXPECT_TRUE(timersWhileShown.empty()) << "a failure must not close itself";
  EXPECT_TRUE(closedByOk);
  EXPECT_NE(trace.Text().find("\nkavrin fail\n"), std::string::npos);
  EXPECT_EQ(trace.Text().find("\nkavrin finish\n"), std::string::npos);
  EXPECT_EQ(RecorderNow().commits.empty(), !GetParam().committed);
  EXPECT_EQ(toolkit.Pauses(), std::vector<int>{2000});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedKavrinTest,
    ::testing::Values(
        FailedTransferCase{"Clock", {FailOn(10, true)}, true, u"Kavrin fail ! (clock)"},
        FailedTransferCase{
            "SecondChunk", {FailOn(2, true, std::nullopt, 40)}, false, u"Kavrin fail ! (settings)"},
        FailedTransferCase{"Commit",
                           {FailOn(std::nullopt, true, DeviceLink::SELECTOR_COMMIT)},
                           false,
                           u"Kavrin fail ! (commit)"},
        FailedTransferCase{"ClockAndFirstChunk",
                           {FailOn(10, true), FailOn(2, true, std::nullopt, 0)},
                           false,
                           u"Kavrin fail ! (clock, settings)"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(DeviceOperationsTest, RecorderVanishingMidWriteFailsTheOperation) {
  sim::RecorderState state = Recorder();
  // Start-up asks three strings (six transfers); the clock and the first chunk still arrive.
  state.faults.vanishAfter = 8;
  PlugRecorder(state);
  Open();
  ASSERT_TRUE(Win().Click(IDC_KAVRIN));
  EXPECT_EQ(Notifications(), std::vector<std::u16string>{u"Kavrin fail ! (settings)"});
  EXPECT_TRUE(RecorderNow().commits.empty());
  EXPECT_EQ(RecorderNow().settings, Recorder().settings);

  DeviceChange();  // the platform reports it gone
  EXPECT_EQ(window->Link().IsAttached(), 0);
  EXPECT_EQ(InfoTexts(), (std::vector<std::u16string>{u"", u"", u""}));
  EXPECT_FALSE(KavrinEnabled());
}

// Another program in the middle of a command on the same recorder: the window waits a bounded
// time, sends nothing, and tells the operator why, instead of freezing or blaming the recorder.
TEST_F(DeviceOperationsTest, ARecorderHeldByAnotherProgramFailsAsBusy) {
  PlugRecorder(Recorder());
  Open();
  sim::StateStore peer(statePath);
  ASSERT_TRUE(peer.Lock());
  ASSERT_TRUE(Win().Click(IDC_KAVRIN));
  EXPECT_EQ(Notifications(), std::vector<std::u16string>{
                                 u"Kavrin fail ! (clock: recorder busy, settings: recorder busy)"});
  peer.Unlock();
  EXPECT_TRUE(RecorderNow().commits.empty());
  EXPECT_EQ(RecorderNow().settings, Recorder().settings);
}

// The operator clicks "Kavrin" three times in quick succession, then presses Escape and
// clicks again while the notification shows: one operation, one commit, and the main
// window is still there.
TEST_F(DeviceOperationsTest, ClicksDuringTheOperationAreDroppedNotDelivered) {
  PlugRecorder(Recorder());
  Open();
  int clicksQueued = 0;
  toolkit.OnPause([&](int) {
    // The window's thread sleeps: these wait in the queue.
    clicksQueued += Win().Click(IDC_KAVRIN) ? 0 : 1;
    clicksQueued += Win().Click(IDC_KAVRIN) ? 0 : 1;
  });
  bool clickWhileShownActed = true;
  int64_t openedAt = -1;
  toolkit.OnModalLoop([&](ui::headless::HeadlessWindow&) {
    openedAt = toolkit.NowMs();
    EXPECT_EQ(toolkit.PendingInput(), 0u)
        << "the queued clicks were dropped as the notification opened";
    clickWhileShownActed = Win().Click(IDC_KAVRIN);
    Win().Close();  // Escape on the main window
  });
  ASSERT_TRUE(Win().Click(IDC_KAVRIN));

  EXPECT_EQ(clicksQueued, 2);
  EXPECT_FALSE(clickWhileShownActed);
  EXPECT_EQ(toolkit.DroppedInput(), 4);
  EXPECT_EQ(RecorderNow().commits, std::vector<uint32_t>{2});
  EXPECT_EQ(toolkit.Pauses(), std::vector<int>{2000});
  EXPECT_EQ(Notifications(), std::vector<std::u16string>{u"Kavrin finish !"});
  EXPECT_FALSE(Win().ModalEnded()) << "Escape reached the main window under the notification";
  EXPECT_GE(toolkit.NowMs() - openedAt, FinishNotifyDialog::kLifetimeMs);

  // Afterwards a new click is a new operation.
  toolkit.OnPause(nullptr);
  toolkit.OnModalLoop(nullptr);
  ASSERT_TRUE(Win().Click(IDC_KAVRIN));
  EXPECT_EQ(RecorderNow().commits, (std::vector<uint32_t>{2, 2}));
}

// Get Kavrin blocks the window while it reads: a click the operator makes meanwhile (queued
// by the platform while the thread is busy) is dropped, not run as a second read.
TEST_F(DeviceOperationsTest, ClickQueuedDuringGetKavrinIsDropped) {
  PlugRecorder(Recorder());
  Open(GET_DEVICE_KAVRIN);
  backend->transfers.clear();
  bool queued = false;
  backend->duringTransfer = [&] {
    if (queued) return;
    Win().QueueClick(IDC_GET_KAVRIN);
    queued = true;
  };
  ASSERT_TRUE(Win().Click(IDC_GET_KAVRIN));
  EXPECT_TRUE(queued);
  EXPECT_EQ(toolkit.PendingInput(), 0u);
  EXPECT_EQ(backend->transfers.size(), 4u);  // one read: two chunks, SET and GET each
  EXPECT_EQ(toolkit.DroppedInput(), 1);
}

}  // namespace
}  // namespace kavrin::test
