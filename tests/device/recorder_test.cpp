// The simulated recorder's side of the protocol, its fault plan and its state file.
#include "device/sim/recorder.h"

#include <gtest/gtest.h>

#include <ostream>

#include "tests/device/fault_rule.h"
#include "tests/support/param_name.h"
#include "tests/support/temp_dir.h"

namespace kavrin::sim {
namespace {

using Packet = std::array<uint8_t, 64>;

Packet Request(uint32_t request, uint32_t command, uint32_t offset = 0, uint32_t length = 0) {
  Packet p{};
  const uint32_t fields[] = {request, command, offset, length};
  for (std::size_t f = 0; f < 4; ++f) {
    for (std::size_t i = 0; i < 4; ++i) p[4 * f + i] = static_cast<uint8_t>(fields[f] >> (8 * i));
  }
  return p;
}

Packet Clock(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
             unsigned second) {
  Packet p = Request(0, 10);
  const unsigned values[] = {year, month, day, hour, minute, second};
  for (std::size_t i = 0; i < 6; ++i) {
    p[8 + 2 * i] = static_cast<uint8_t>(values[i]);
    p[9 + 2 * i] = static_cast<uint8_t>(values[i] >> 8);
  }
  return p;
}

int32_t Set(Recorder& recorder, uint32_t selector, Packet packet) {
  return recorder.HandleTransfer(selector, true, packet);
}

int32_t Get(Recorder& recorder, Packet* reply) {
  return recorder.HandleTransfer(17, false, *reply);
}

struct NonsenseCase {
  const char* what;
  uint32_t selector;
  Packet packet;
};
// Listed by its description, not its bytes.
void PrintTo(const NonsenseCase& c, std::ostream* os) { *os << c.what; }

class NonsenseRequestTest : public ::testing::TestWithParam<NonsenseCase> {};

TEST_P(NonsenseRequestTest, FailsAndChangesNothing) {
  RecorderState state;
  state.settings.fill(0x33);
  Recorder recorder(state);
  EXPECT_NE(Set(recorder, GetParam().selector, GetParam().packet), kRecorderOk);
  Packet reply{};
  EXPECT_NE(Get(recorder, &reply), kRecorderOk) << "no answer may be prepared";
  EXPECT_EQ(Set(recorder, 18, Request(2, 2)), kRecorderOk);
  for (uint8_t b : state.settings) ASSERT_EQ(b, 0x33);
  EXPECT_TRUE(state.clock.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, NonsenseRequestTest,
    ::testing::Values(NonsenseCase{"chunk beyond 80", 17, Request(0, 2, 41, 40)},
                      NonsenseCase{"offset at 80", 17, Request(1, 2, 80, 1)},
                      NonsenseCase{"offset that wraps", 17, Request(0, 2, 0xFFFFFFF0u, 40)},
                      NonsenseCase{"length 0", 17, Request(0, 2, 0, 0)},
                      NonsenseCase{"length 41", 17, Request(1, 2, 0, 41)},
                      NonsenseCase{"unknown request", 17, Request(2, 2, 0, 40)},
                      NonsenseCase{"unknown command", 17, Request(1, 3)},
                      NonsenseCase{"command 0", 17, Request(1, 0)},
                      NonsenseCase{"string as a write", 17, Request(0, 4)},
                      NonsenseCase{"engine test as a write", 17, Request(0, 9, 0x1011)},
                      NonsenseCase{"month 13", 17, Clock(2026, 13, 1, 0, 0, 0)},
                      NonsenseCase{"30 February", 17, Clock(2024, 2, 30, 0, 0, 0)},
                      NonsenseCase{"hour 24", 17, Clock(2026, 1, 1, 24, 0, 0)},
                      NonsenseCase{"commit value 3", 18, Request(3, 2)},
                      NonsenseCase{"unknown selector", 5, Request(1, 4)}),
    test::NamedByWhat{});

TEST(RecorderTest, ClockAsAReadIsRefused) {
  RecorderState state;
  Recorder recorder(state);
  Packet p = Clock(2026, 1, 1, 0, 0, 0);
  p[0] = 1;
  EXPECT_NE(Set(recorder, 17, p), kRecorderOk);
}

TEST(RecorderTest, StagedChunksTakeEffectOnlyWithTheCommit) {
  RecorderState state;
  state.settings.fill(0x33);
  Recorder recorder(state);
  Packet chunk = Request(0, 2, 10, 2);
  chunk[16] = 0xAB;
  chunk[17] = 0xCD;
  ASSERT_EQ(Set(recorder, 17, chunk), kRecorderOk);
  // Reads answer what is in force, not what is staged.
  ASSERT_EQ(Set(recorder, 17, Request(1, 2, 10, 2)), kRecorderOk);
  Packet reply{};
  ASSERT_EQ(Get(recorder, &reply), kRecorderOk);
  EXPECT_EQ(reply[0], 0x33);
  EXPECT_EQ(reply[2], 0) << "the reply holds only the chunk";
  ASSERT_EQ(Set(recorder, 18, Request(1, 2)), kRecorderOk);
  EXPECT_EQ(state.settings[10], 0xAB);
  EXPECT_EQ(state.settings[11], 0xCD);
  EXPECT_EQ(state.settings[12], 0x33);
  EXPECT_EQ(state.commits, (std::vector<uint32_t>{1}));
  EXPECT_TRUE(state.kavrinFlag);
}

TEST(RecorderTest, CommitWithoutDataOnlyRecordsTheValue) {
  RecorderState state;
  state.settings.fill(0x33);
  Recorder recorder(state);
  ASSERT_EQ(Set(recorder, 18, Request(2, 2)), kRecorderOk);
  EXPECT_EQ(state.commits, (std::vector<uint32_t>{2}));
  EXPECT_FALSE(state.kavrinFlag);
  EXPECT_EQ(state.settings[0], 0x33);
}

TEST(RecorderTest, AnswerIsFetchedOnceAndANewRequestDropsAnUnreadOne) {
  RecorderState state;
  state.model = "ZK742";
  Recorder recorder(state);
  ASSERT_EQ(Set(recorder, 17, Request(1, 4)), kRecorderOk);
  Packet reply{};
  ASSERT_EQ(Get(recorder, &reply), kRecorderOk);
  EXPECT_STREQ(reinterpret_cast<const char*>(reply.data()), "ZK742");
  EXPECT_NE(Get(recorder, &reply), kRecorderOk);
  // A refused request after a good one: the GET must not answer the older question.
  ASSERT_EQ(Set(recorder, 17, Request(1, 4)), kRecorderOk);
  ASSERT_NE(Set(recorder, 17, Request(1, 3)), kRecorderOk);
  EXPECT_NE(Get(recorder, &reply), kRecorderOk);
}

TEST(RecorderTest, EngineTestAnswersByTestCode) {
  RecorderState state;
  state.testResults[0x1031] = 0;
  state.testResults[0x2011] = 0x12345678;
  Recorder recorder(state);
  const std::pair<uint32_t, uint32_t> cases[] = {{0x1011, 1}, {0x1031, 0}, {0x2011, 0x12345678}};
  for (const auto& [code, answer] : cases) {
    ASSERT_EQ(Set(recorder, 17, Request(1, 9, code)), kRecorderOk);
    Packet reply;
    reply.fill(0xFF);
    ASSERT_EQ(Get(recorder, &reply), kRecorderOk);
    EXPECT_EQ(
        reply[0] | (reply[1] << 8) | (reply[2] << 16) | (static_cast<uint32_t>(reply[3]) << 24),
        answer);
    EXPECT_EQ(reply[4], 0);
  }
}

TEST(RecorderTest, ClockIsKeptAsText) {
  RecorderState state;
  Recorder recorder(state);
  ASSERT_EQ(Set(recorder, 17, Clock(2024, 2, 29, 23, 59, 58)), kRecorderOk);
  EXPECT_EQ(state.clock, "2024-02-29T23:59:58");
}

TEST(RecorderTest, FaultRulesFireOnWhatTheyName) {
  struct Case {
    const char* what;
    FaultPlan::Rule rule;
    std::vector<int32_t> expected;  // statuses of: SET chunk 0, SET chunk 40, commit, clock, clock
  } cases[] = {
      {"third transfer", test::Fault().Transfer(3).Status(1), {0, 0, 1, 0, 0}},
      {"selector 18", test::Fault().Selector(18), {0, 0, kRecorderFail, 0, 0}},
      {"second chunk", test::Fault().Command(2).Offset(40), {0, kRecorderFail, 0, 0, 0}},
      {"every clock", test::Fault().Command(10).Status(-5).Always(), {0, 0, 0, -5, -5}},
      {"first clock only", test::Fault().Command(10), {0, 0, 0, kRecorderFail, 0}},
      {"GETs only", test::Fault().OnGet(), {0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecorderState state;
    state.faults.rules.push_back(c.rule);
    Recorder recorder(state);
    const std::pair<uint32_t, Packet> transfers[] = {{17, Request(0, 2, 0, 40)},
                                                     {17, Request(0, 2, 40, 40)},
                                                     {18, Request(2, 2, 40, 40)},
                                                     {17, Clock(2026, 1, 1, 0, 0, 0)},
                                                     {17, Clock(2026, 1, 1, 0, 0, 1)}};
    std::vector<int32_t> statuses;
    for (const auto& [selector, packet] : transfers)
      statuses.push_back(Set(recorder, selector, packet));
    EXPECT_EQ(statuses, c.expected);
    EXPECT_EQ(state.transfers, 5u);
  }
}

TEST(RecorderTest, FaultOnAGetMatchesTheCommandItAnswers) {
  RecorderState state;
  state.faults.rules.push_back(test::Fault().Command(9).OnGet().Status(1));
  Recorder recorder(state);
  Packet reply{};
  ASSERT_EQ(Set(recorder, 17, Request(1, 4)), kRecorderOk);
  EXPECT_EQ(Get(recorder, &reply), kRecorderOk);
  ASSERT_EQ(Set(recorder, 17, Request(1, 9, 0x1011)), kRecorderOk);
  EXPECT_EQ(Get(recorder, &reply), kRecorderFalse);
  EXPECT_TRUE(state.faults.rules[0].spent);
}

TEST(RecorderTest, VanishedRecorderAnswersNothingAndCountsNothing) {
  RecorderState state;
  state.faults.vanishAfter = 2;
  Recorder recorder(state);
  EXPECT_EQ(Set(recorder, 17, Clock(2026, 1, 1, 0, 0, 0)), kRecorderOk);
  EXPECT_FALSE(recorder.Vanished());
  EXPECT_EQ(Set(recorder, 17, Clock(2026, 1, 1, 0, 0, 1)), kRecorderOk);
  EXPECT_TRUE(recorder.Vanished());
  EXPECT_EQ(Set(recorder, 17, Clock(2026, 1, 1, 0, 0, 2)), kRecorderGone);
  EXPECT_EQ(state.transfers, 2u);
  EXPECT_EQ(state.clock, "2026-01-01T00:00:01");
}

RecorderState FullState() {
  RecorderState state;
  state.friendlyName = "Driving Recorder";
  state.model = "ZK742-B";
  state.hwVersion = "HW 2";
  state.fwVersion = "FW 3";
  state.fwUpdateName = "ZK742_UPD.bin";
  for (std::size_t i = 0; i < state.settings.size(); ++i)
    state.settings[i] = static_cast<uint8_t>(i * 3);
  state.testResults = {{0x1011, 1}, {0x1031, 0}, {0xFFFFFFFF, 0xFFFFFFFF}};
  state.clock = "2026-12-05T14:03:09";
  state.commits = {2, 1};
  state.kavrinFlag = true;
  state.transfers = 12345678901ull;
  state.faults.vanishAfter = 99;
  state.faults.refuseBind = true;
  state.faults.rules.push_back(
      test::Fault().Transfer(7).Selector(17).Command(2).Offset(40).OnSet().Status(1).Always());
  state.faults.rules.push_back(test::Fault().Status(-32).Spent());
  return state;
}

void ExpectSameState(const RecorderState& a, const RecorderState& b) {
  EXPECT_EQ(a.friendlyName, b.friendlyName);
  EXPECT_EQ(a.model, b.model);
  EXPECT_EQ(a.hwVersion, b.hwVersion);
  EXPECT_EQ(a.fwVersion, b.fwVersion);
  EXPECT_EQ(a.fwUpdateName, b.fwUpdateName);
  EXPECT_EQ(a.settings, b.settings);
  EXPECT_EQ(a.testResults, b.testResults);
  EXPECT_EQ(a.clock, b.clock);
  EXPECT_EQ(a.commits, b.commits);
  EXPECT_EQ(a.kavrinFlag, b.kavrinFlag);
  EXPECT_EQ(a.transfers, b.transfers);
  EXPECT_EQ(a.faults.vanishAfter, b.faults.vanishAfter);
  EXPECT_EQ(a.faults.refuseBind, b.faults.refuseBind);
  ASSERT_EQ(a.faults.rules.size(), b.faults.rules.size());
  for (std::size_t i = 0; i < a.faults.rules.size(); ++i) {
    const FaultPlan::Rule &x = a.faults.rules[i], &y = b.faults.rules[i];
    EXPECT_EQ(x.transfer, y.transfer);
    EXPECT_EQ(x.selector, y.selector);
    EXPECT_EQ(x.command, y.command);
    EXPECT_EQ(x.offset, y.offset);
    EXPECT_EQ(x.isSet, y.isSet);
    EXPECT_EQ(x.status, y.status);
    EXPECT_EQ(x.once, y.once);
    EXPECT_EQ(x.spent, y.spent);
  }
}

TEST(StateJsonTest, RoundTripKeepsEveryField) {
  const RecorderState state = FullState();
  std::string error;
  const std::optional<RecorderState> back = StateFromJson(StateToJson(state), &error);
  ASSERT_TRUE(back) << error;
  ExpectSameState(state, *back);
}

TEST(StateJsonTest, AnEmptyObjectIsTheDefaultRecorder) {
  const std::optional<RecorderState> state = StateFromJson("{}");
  ASSERT_TRUE(state);
  ExpectSameState(*state, RecorderState{});
  EXPECT_EQ(state->friendlyName, "ZK742");
}

TEST(StateJsonTest, ReadsTheDocumentedForms) {
  std::string error;
  // Spaces between the digits are allowed.
  const std::string settings = "10 CA 11 A0 " + std::string(150, '0') + "ff";
  const std::optional<RecorderState> state = StateFromJson(R"({
    "settings": ")" + settings + R"(",
    "testResults": {"0x1011": 0, "4145": 0},
    "faults": {"rules": [{"command": 2, "offset": 40, "status": "S_FALSE"},
                         {"selector": 18, "status": "ENODEV"},
                         {"transfer": 3, "status": 2147500037}],
               "vanishAfter": 10, "refuseBind": true}
  })",
                                                           &error);
  ASSERT_TRUE(state) << error;
  EXPECT_EQ(state->settings[0], 0x10);
  EXPECT_EQ(state->settings[1], 0xCA);
  EXPECT_EQ(state->settings[3], 0xA0);
  EXPECT_EQ(state->settings[79], 0xFF);
  EXPECT_EQ(state->testResults, (std::map<uint32_t, uint32_t>{{0x1011, 0}, {0x1031, 0}}));
  ASSERT_EQ(state->faults.rules.size(), 3u);
  EXPECT_EQ(state->faults.rules[0].status, kRecorderFalse);
  EXPECT_EQ(state->faults.rules[0].offset, 40u);
  EXPECT_TRUE(state->faults.rules[0].once);
  EXPECT_EQ(state->faults.rules[1].status, kRecorderGone);
  EXPECT_EQ(state->faults.rules[2].status, kRecorderFail);  // 0x80004005 as a number
  EXPECT_EQ(state->faults.vanishAfter, 10u);
  EXPECT_TRUE(state->faults.refuseBind);
}

struct MalformedCase {
  const char* what;
  const char* json;
  const char* mentions;  // the error names the culprit
};
// Listed by its description, not its bytes.
void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.what; }

class MalformedStateTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedStateTest, IsRefusedWithAReason) {
  std::string error;
  EXPECT_FALSE(StateFromJson(GetParam().json, &error));
  EXPECT_NE(error.find(GetParam().mentions), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedStateTest,
    ::testing::Values(
        MalformedCase{"not JSON", "{\"model\": ", "JSON"}, MalformedCase{"empty", "", "JSON"},
        MalformedCase{"a list", "[1, 2]", "object"},
        MalformedCase{"text as number", R"({"model": 5})", "model"},
        MalformedCase{"short settings", R"({"settings": "10CA"})", "160"},
        MalformedCase{"settings not hex", R"({"settings": "zz"})", "hexadecimal"},
        MalformedCase{"unknown key", R"({"testResult": {}})", "testResult"},
        MalformedCase{"bad test code", R"({"testResults": {"0xZZ": 1}})", "0xZZ"},
        MalformedCase{"answer too big", R"({"testResults": {"0x1011": 4294967296}})",
                      "testResults"},
        MalformedCase{"negative commit", R"({"commits": [-1]})", "commits"},
        MalformedCase{"transfers as text", R"({"transfers": "3"})", "transfers"},
        MalformedCase{"unknown status", R"({"faults": {"rules": [{"status": "E_BOOM"}]}})",
                      "E_BOOM"},
        MalformedCase{"rule key typo", R"({"faults": {"rules": [{"selektor": 17}]}})", "selektor"},
        MalformedCase{"rules not a list", R"({"faults": {"rules": 3}})", "rules"},
        MalformedCase{"isSet as number", R"({"faults": {"rules": [{"isSet": 1}]}})", "isSet"},
        MalformedCase{"refuseBind as text", R"({"faults": {"refuseBind": "yes"}})", "refuseBind"}),
    test::NamedByWhat{});

TEST(StateJsonTest, EveryCutShortFileIsRefused) {
  std::string full = StateToJson(FullState());
  while (full.back() == '\n') full.pop_back();  // a cut that leaves only the newline out is whole
  for (std::size_t size = 0; size < full.size(); ++size) {
    std::string error;
    ASSERT_FALSE(StateFromJson(full.substr(0, size), &error)) << size;
    ASSERT_FALSE(error.empty()) << size;
  }
}

TEST(StateFileTest, SaveThenLoadAndRefuseWhatIsNoStateFile) {
  test::TempDir dir;
  const std::string path = (dir / "state.json").string();
  ASSERT_TRUE(SaveState(path, FullState()));
  std::string error;
  const std::optional<RecorderState> loaded = LoadState(path, &error);
  ASSERT_TRUE(loaded) << error;
  ExpectSameState(FullState(), *loaded);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"state.json"})) << "no temporary file left";

  EXPECT_FALSE(LoadState((dir / "missing.json").string(), &error));
  EXPECT_NE(error.find("missing.json"), std::string::npos);
  EXPECT_FALSE(LoadState(dir.Path().string(), &error)) << "a folder";
  dir.Write("big.json", std::string(2 << 20, ' '));
  EXPECT_FALSE(LoadState((dir / "big.json").string(), &error));
}

}  // namespace
}  // namespace kavrin::sim
