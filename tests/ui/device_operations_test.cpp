// The window's device side against the simulated recorder: attach as devices come and go,
// the information and engine-test panels, the readiness rule, Get Kavrin, Read and Write.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/ui/device_test_support.h"

namespace kavrin::test {
namespace {

TEST_F(DeviceOperationsTest, StartUpAttachFillsInformationAndVerdicts) {
  WriteShippedConfigWith(kTwoTests);
  PlugRecorder(Recorder());
  Open();
  EXPECT_EQ(window->Link().IsAttached(), 1);
  EXPECT_EQ(InfoTexts(), (std::vector<std::u16string>{u"ZK742", u"HW 2.1", u"FW 3.4"}));
  EXPECT_EQ(Verdicts(), (std::vector<std::u16string>{u"OK", u"OK"}));
  EXPECT_TRUE(KavrinEnabled());
  // The identification strings in the configured order, then one query per test row.
  EXPECT_EQ(RequestedCommands(), (std::vector<uint32_t>{4, 7, 5, 9, 9}));
  std::vector<uint32_t> testCodes;
  for (const RecordedTransfer& t : backend->transfers) {
    if (t.isSet && t.Field(4) == DeviceLink::CMD_ENGINE_TEST) testCodes.push_back(t.Field(8));
  }
  EXPECT_EQ(testCodes, (std::vector<uint32_t>{kKeyTest, kRtcTest}));
}

struct FailingTestCase {
  const char* name;
  std::map<uint32_t, uint32_t> results;
  std::vector<std::u16string> verdicts;
};
void PrintTo(const FailingTestCase& c, std::ostream* os) { *os << c.name; }

class FailingEngineTest : public DeviceOperationsTest,
                          public ::testing::WithParamInterface<FailingTestCase> {};

TEST_P(FailingEngineTest, DisablesKavrinAndRefusesIt) {
  WriteShippedConfigWith(kTwoTests);
  PlugRecorder(Recorder(GetParam().results));
  Open();
  EXPECT_EQ(Verdicts(), GetParam().verdicts);
  EXPECT_EQ(window->TestFailed(), 1u);
  EXPECT_FALSE(KavrinEnabled());
  EXPECT_NE(trace.Text().find("\nnot all items pass engine test\n"), std::string::npos);

  trace.Clear();
  Win().SendCommand(IDC_KAVRIN, ui::kNotifyClicked);
  EXPECT_EQ(trace.Text(),
            "OnCommand() get BN_CLICKED for 2404\n\nnot all items pass engine test\n\nkavrin "
            "condition fail\n");
  const sim::RecorderState after = RecorderNow();
  EXPECT_EQ(after.settings, Recorder().settings);
  EXPECT_TRUE(after.commits.empty());
  EXPECT_EQ(after.clock, "");
  EXPECT_TRUE(Notifications().empty());
  EXPECT_TRUE(toolkit.Pauses().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Verdicts, FailingEngineTest,
    ::testing::Values(FailingTestCase{"First", {{kKeyTest, 0}}, {u"NG", u"OK"}},
                      FailingTestCase{"Second", {{kRtcTest, 2}}, {u"OK", u"NG"}},
                      FailingTestCase{"Both", {{kKeyTest, 0}, {kRtcTest, 0}}, {u"NG", u"NG"}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(DeviceOperationsTest, FailedEngineTestQueryIsNotAPass) {
  WriteShippedConfigWith(kTwoTests);
  sim::RecorderState state = Recorder();
  state.faults.rules.push_back(FailOn(9, false, std::nullopt, kRtcTest));  // the RTC answer is lost
  PlugRecorder(state);
  Open();
  EXPECT_EQ(Verdicts(), (std::vector<std::u16string>{u"OK", u"NG"}));
  EXPECT_FALSE(KavrinEnabled());
}

TEST_F(DeviceOperationsTest, FailedIdentificationQueryShowsAnEmptyField) {
  sim::RecorderState state = Recorder();
  state.faults.rules.push_back(FailOn(7, false));  // the HW version's answer is lost
  PlugRecorder(state);
  Open();
  EXPECT_EQ(InfoTexts(), (std::vector<std::u16string>{u"ZK742", u"", u"FW 3.4"}));
}

TEST_F(DeviceOperationsTest, IdentificationStringOfSixtyFourBytesIsShownWhole) {
  sim::RecorderState state = Recorder();
  state.model = std::string(64, 'M');
  PlugRecorder(state);
  Open();
  EXPECT_EQ(InfoTexts()[0], std::u16string(64, u'M'));
}

TEST_F(DeviceOperationsTest, UnknownCommandNameIsStillQueriedWithCodeZero) {
  WriteShippedConfigWith(
      "[INFO_LAYOUT]\nSTART_X=350\nSTART_Y=100\nITEM_NO=1\nTITLE_000=Odd\nCMD_ID_000=model_name\n");
  PlugRecorder(Recorder());
  Open();
  EXPECT_EQ(RequestedCommands(), (std::vector<uint32_t>{0}));
  EXPECT_EQ(InfoTexts(), (std::vector<std::u16string>{u""}));  // the recorder refuses code 0
}

TEST_F(DeviceOperationsTest, UnpluggingClearsBothPanelsAndDisablesKavrin) {
  WriteShippedConfigWith(kTwoTests);
  PlugRecorder(Recorder());
  Open();
  ASSERT_TRUE(KavrinEnabled());
  UnplugRecorder();
  DeviceChange();
  EXPECT_EQ(window->Link().IsAttached(), 0);
  EXPECT_EQ(InfoTexts(), (std::vector<std::u16string>{u"", u"", u""}));
  EXPECT_EQ(Verdicts(), (std::vector<std::u16string>{u"", u""}));
  EXPECT_FALSE(KavrinEnabled());
  EXPECT_FALSE(Win().HasTimer(MainDialog::kDeviceSettleTimerId));

  // Plugged in again: a first attach queries and fills the panels.
  PlugRecorder(Recorder());
  DeviceChange();
  EXPECT_EQ(InfoTexts(), (std::vector<std::u16string>{u"ZK742", u"HW 2.1", u"FW 3.4"}));
  EXPECT_EQ(Verdicts(), (std::vector<std::u16string>{u"OK", u"OK"}));
  EXPECT_TRUE(KavrinEnabled());
}

struct SwapCase {
  const char* name;
  bool unplugFirst;  // the old recorder's removal is seen before the new one comes
};
void PrintTo(const SwapCase& c, std::ostream* os) { *os << c.name; }

class SwappedRecorderTest : public DeviceOperationsTest,
                            public ::testing::WithParamInterface<SwapCase> {};

// Two recorders of one name: A passes its tests, B fails 0x1011. The settle window merges
// the unplug of A and the plug of B into one re-attach, which must ask B afresh.
TEST_P(SwappedRecorderTest, ReattachShowsTheNewRecordersOwnVerdicts) {
  WriteShippedConfigWith(kTwoTests);
  PlugRecorder(Recorder());
  Open();
  ASSERT_TRUE(KavrinEnabled());
  ASSERT_EQ(InfoTexts()[0], u"ZK742");

  sim::RecorderState other = Recorder({{kKeyTest, 0}});
  other.model = "ZK742-B";
  if (GetParam().unplugFirst) {
    UnplugRecorder();
    window->OnDeviceChange();
  }
  PlugRecorder(other);
  window->OnDeviceChange();
  ASSERT_TRUE(Win().FireTimer(MainDialog::kDeviceSettleTimerId));  // one settled re-attach

  EXPECT_EQ(window->Link().IsAttached(), 1);
  EXPECT_EQ(InfoTexts(), (std::vector<std::u16string>{u"ZK742-B", u"HW 2.1", u"FW 3.4"}));
  EXPECT_EQ(Verdicts(), (std::vector<std::u16string>{u"NG", u"OK"}));
  EXPECT_FALSE(KavrinEnabled());
  // Even a click that got through would be refused: nothing reaches B.
  Win().SendCommand(IDC_KAVRIN, ui::kNotifyClicked);
  EXPECT_TRUE(RecorderNow().commits.empty());
}

INSTANTIATE_TEST_SUITE_P(Swap, SwappedRecorderTest,
                         ::testing::Values(SwapCase{"ReplacedInPlace", false},
                                           SwapCase{"UnpluggedThenPlugged", true}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(DeviceOperationsTest, ReattachOfAFailedRecorderThatNowPassesEnablesKavrin) {
  WriteShippedConfigWith(kTwoTests);
  PlugRecorder(Recorder({{kRtcTest, 0}}));
  Open();
  ASSERT_FALSE(KavrinEnabled());
  PlugRecorder(Recorder());  // mended, or another recorder of the name
  DeviceChange();
  EXPECT_EQ(Verdicts(), (std::vector<std::u16string>{u"OK", u"OK"}));
  EXPECT_TRUE(KavrinEnabled());
}

TEST_F(DeviceOperationsTest, BurstOfDeviceChangesSettlesIntoOneReattach) {
  Open();
  PlugRecorder(Recorder());
  window->OnDeviceChange();
  window->OnDeviceChange();
  window->OnDeviceChange();
  EXPECT_EQ(window->Link().IsAttached(), 0);  // nothing before the burst has settled
  EXPECT_EQ(Win().TimerInterval(MainDialog::kDeviceSettleTimerId), MainDialog::kDeviceSettleMs);
  ASSERT_TRUE(Win().FireTimer(MainDialog::kDeviceSettleTimerId));
  EXPECT_EQ(window->Link().IsAttached(), 1);
  EXPECT_EQ(RequestedCommands(), (std::vector<uint32_t>{4, 7, 5}));
  EXPECT_FALSE(Win().HasTimer(MainDialog::kDeviceSettleTimerId));
}

TEST_F(DeviceOperationsTest, GetKavrinShowsTheRecorderAndKeepsTheNote) {
  std::vector<uint8_t> stored(SettingsBlock::kSize, 0);
  for (std::size_t i = 80; i < stored.size(); ++i) stored[i] = static_cast<uint8_t>(i);
  WriteBlockFile("Default.bin", stored);
  sim::RecorderState state = Recorder();
  state.settings.fill(0);
  state.settings[0] = 0x30;  // CYCLE_TIME 3
  std::copy_n("CAM-1", 5, state.settings.begin() + 44);
  PlugRecorder(state);
  Open(GET_DEVICE_KAVRIN);
  ASSERT_TRUE(Win().Click(IDC_GET_KAVRIN));

  EXPECT_TRUE(
      std::equal(state.settings.begin(), state.settings.end(), window->DeviceArea().begin()));
  EXPECT_TRUE(std::equal(stored.begin() + 80, stored.end(), window->Bytes().begin() + 80));
  EXPECT_EQ(Ctrl(IDC_ITEM_BASE).GetCurSel(), 3);
  EXPECT_EQ(Ctrl(IDC_LOGO).Text(), u"CAM-1");
  EXPECT_TRUE(Ctrl(IDC_ITEM_BASE).IsEnabled());
  EXPECT_TRUE(RecorderNow().commits.empty());
}

TEST_F(DeviceOperationsTest, FailedReadLeavesTheBlockAndTheListsAlone) {
  sim::RecorderState state = Recorder();
  state.faults.rules.push_back(FailOn(2, false, std::nullopt, 40));  // the second chunk is lost
  PlugRecorder(state);
  Open(GET_DEVICE_KAVRIN);
  ASSERT_TRUE(Win().SelectEntry(IDC_ITEM_BASE + 6, 3));
  const std::vector<uint8_t> before = Block();
  ASSERT_TRUE(Win().Click(IDC_GET_KAVRIN));
  EXPECT_EQ(Block(), before);
  EXPECT_EQ(Ctrl(IDC_ITEM_BASE + 6).GetCurSel(), 3);
}

TEST_F(DeviceOperationsTest, ReadRefreshesThePanelsAndTheControls) {
  WriteShippedConfigWith(kTwoTests);
  // The recorder answers Read differently from start-up: start-up takes transfers 1-10
  // (three strings, two tests); Read's firmware string GET is transfer 16 and its RTC
  // test GET transfer 20.
  sim::RecorderState state = Recorder();
  sim::FaultPlan::Rule firmware, rtc;
  firmware.transfer = 16;
  rtc.transfer = 20;
  state.faults.rules = {firmware, rtc};
  PlugRecorder(state);
  Open();
  ASSERT_EQ(InfoTexts()[2], u"FW 3.4");
  ASSERT_TRUE(KavrinEnabled());
  ASSERT_FALSE(
      std::equal(state.settings.begin(), state.settings.end(), window->DeviceArea().begin()));

  Win().SendCommand(IDC_READ, ui::kNotifyClicked);
  EXPECT_EQ(InfoTexts()[2], u"");
  EXPECT_EQ(Verdicts(), (std::vector<std::u16string>{u"OK", u"NG"}));
  EXPECT_TRUE(
      std::equal(state.settings.begin(), state.settings.end(), window->DeviceArea().begin()));
  // Read leaves the button alone; the next readiness check sees the failed test.
  EXPECT_TRUE(KavrinEnabled());
}

TEST_F(DeviceOperationsTest, WriteCommitsOneWithoutClockOrNotification) {
  PlugRecorder(Recorder());
  Open();
  ASSERT_TRUE(Win().SelectEntry(IDC_ITEM_BASE + 9, 6));  // EV +2
  Win().SendCommand(IDC_WRITE, ui::kNotifyClicked);
  const sim::RecorderState after = RecorderNow();
  EXPECT_EQ(after.commits, std::vector<uint32_t>{1});
  EXPECT_EQ(after.clock, "");
  EXPECT_TRUE(
      std::equal(after.settings.begin(), after.settings.end(), window->DeviceArea().begin()));
  EXPECT_EQ(window->GetBits(1, 12, 3), 6u);
  EXPECT_TRUE(Notifications().empty());
  EXPECT_TRUE(toolkit.Pauses().empty());
}

TEST_F(DeviceOperationsTest, WithoutRecorderTheDeviceButtonsDoNothing) {
  Open(GET_DEVICE_KAVRIN);
  const std::vector<uint8_t> before = Block();
  trace.Clear();
  ASSERT_TRUE(Win().Click(IDC_GET_KAVRIN));
  Win().SendCommand(IDC_READ, ui::kNotifyClicked);
  Win().SendCommand(IDC_WRITE, ui::kNotifyClicked);
  EXPECT_EQ(Block(), before);
  EXPECT_EQ(trace.Text(),
            "OnCommand() get BN_CLICKED for 2402\nOnCommand() get BN_CLICKED for 1004\n"
            "OnCommand() get BN_CLICKED for 1005\n");
  EXPECT_FALSE(std::filesystem::exists(statePath));
}

}  // namespace
}  // namespace kavrin::test
