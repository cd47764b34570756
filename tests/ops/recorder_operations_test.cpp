// The operations core's verdicts: only the recorder's own answer makes an engine test NG, a
// query that failed says why, and a Kavrin whose commit is refused fails at the commit.
#include "ops/recorder_operations.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "ops/settings_rules.h"
#include "tests/device/fake_devices.h"
#include "tests/device/fault_rule.h"

namespace kavrin::ops {
namespace {

constexpr uint32_t kKey = 0x1011;  // word 16, bit 1, one bit
constexpr uint32_t kRtc = 0x1031;

struct Recorder {
  Recorder() {
    backend.inputs = std::vector<VideoInput>{{u"ZK742", "sim"}};
    backend.recorder = &recorder;
    link.AddDeviceName(u"ZK742");
  }
  sim::RecorderState state;
  sim::Recorder recorder{state};
  test::FakeBackend backend;
  DeviceLink link{backend};
};

ItemTable TwoTests() {
  ItemTable tests(2);
  tests[0].title = u"Key";
  tests[0].wordIndex = 16;
  tests[0].startBit = 1;
  tests[0].bitLength = 1;
  tests[1].title = u"RTC";
  tests[1].wordIndex = 16;
  tests[1].startBit = 3;
  tests[1].bitLength = 1;
  return tests;
}

TEST(RecorderOperationsTest, OnlyTheRecordersOwnAnswerIsAVerdict) {
  struct Case {
    const char* name;
    std::map<uint32_t, uint32_t> answers;
    uint64_t vanishAfter;  // transfers before the recorder is pulled; 0: never
    bool busy;             // another program holds the recorder throughout
    Reason reason;         // the readiness
    uint32_t index;        // of the test it names
  };
  const Case cases[] = {
      {"both_pass", {}, 0, false, Reason::kNone, 0},
      {"rtc_answers_ng", {{kRtc, 0}}, 0, false, Reason::kEngineTestNg, 1},
      {"pulled_during_the_tests", {}, 2, false, Reason::kUnavailable, 1},
      {"pulled_while_one_is_ng", {{kKey, 0}}, 2, false, Reason::kUnavailable, 1},
      {"held_by_another_program", {}, 0, true, Reason::kBusy, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder device;
    device.state.testResults = c.answers;
    device.state.faults.vanishAfter = c.vanishAfter;
    ASSERT_EQ(device.link.Attach(), 1);
    device.backend.log.heldByPeer = c.busy;
    const std::vector<TestRow> tests = RunEngineTests(device.link, TwoTests());
    const Outcome ready = Readiness(tests, false);
    EXPECT_EQ(ready.reason, c.reason);
    if (!ready.Ok()) {
      EXPECT_EQ(ready.step, Step::kEngineTest);
      EXPECT_EQ(ready.index, c.index);
    }
    // The window's gate closes on any test not passed, and forcing opens it.
    EXPECT_EQ(AnyTestNotPassed(tests), c.reason != Reason::kNone);
    EXPECT_TRUE(Readiness(tests, true).Ok());
    EXPECT_LE(device.backend.log.lockAttempts, 1) << "one wait for all the tests";
  }
}

TEST(RecorderOperationsTest, KavrinNamesTheStepThatFailed) {
  struct Case {
    const char* name;
    test::Fault fault;
    Step clockStep, settingsStep;
    Reason settingsReason;
    uint32_t chunk;
  };
  const Case cases[] = {
      {"commit_refused", test::Fault().Selector(DeviceLink::SELECTOR_COMMIT).Status(kStatusFalse),
       Step::kNone, Step::kCommit, Reason::kRefused, 0},
      {"second_chunk_timed_out",
       test::Fault().Command(DeviceLink::CMD_SETTINGS_DATA).Offset(40).OnSet().Status(-ETIMEDOUT),
       Step::kNone, Step::kSettings, Reason::kTimedOut, 2},
      {"clock_refused_settings_go_on",
       test::Fault().Command(DeviceLink::CMD_SET_CLOCK).OnSet().Status(kStatusFail), Step::kClock,
       Step::kNone, Reason::kNone, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder device;
    device.state.faults.rules.push_back(c.fault);
    ASSERT_EQ(device.link.Attach(), 1);
    LocalTime time;
    time.wYear = 2026, time.wMonth = 12, time.wDay = 11;
    const KavrinOutcome outcome = RunKavrin(device.link, time, SettingsBlock(), false);
    EXPECT_EQ(outcome.clock.step, c.clockStep);
    EXPECT_EQ(outcome.settings.step, c.settingsStep);
    EXPECT_EQ(outcome.settings.reason, c.settingsReason);
    EXPECT_EQ(outcome.settings.index, c.chunk);
    // Nothing half-written is committed.
    EXPECT_EQ(device.state.commits.empty(), c.settingsStep != Step::kNone);
  }
}

TEST(RecorderOperationsTest, ABlockGoesOutAsTheListsHoldIt) {
  ConfigFile config("unused");
  config.items.resize(2);
  config.items[0].wordIndex = 0, config.items[0].startBit = 0, config.items[0].bitLength = 4;
  config.items[0].options = {u"a", u"b", u"c"};
  config.items[1].wordIndex = 0, config.items[1].startBit = 4, config.items[1].bitLength = 4;
  config.items[1].options = {u"a", u"b"};
  config.logoPanel.startWord = 22, config.logoPanel.wordLength = 8;
  config.logoPanel.logoCount = 1;
  config.logoPanel.logoTexts[0] = u"ZK";

  SettingsBlock block;
  block.SetWord(0, 0xAB12);  // item 0 holds 2 (an option), item 1 holds 1; bits 8-15 are no item's
  block.SetWord(1, 0x1234);  // no item: sent as it is
  block.SetText(22, 8, "ZK");
  SettingsBlock sent = block;
  NormalizeForSending(config, sent);
  EXPECT_EQ(sent.GetWord(0), 0xAB12);
  EXPECT_EQ(sent.GetWord(1), 0x1234);

  block.SetWord(0, 0xEEE7);  // 7 and 14 name no option: the lists show none, which is all ones
  sent = block;
  NormalizeForSending(config, sent);
  EXPECT_EQ(sent.GetWord(0), 0xEEFF);
  EXPECT_EQ(sent.GetText(22, 8).substr(0, 3), std::string("ZK\0", 3));
}

}  // namespace
}  // namespace kavrin::ops
