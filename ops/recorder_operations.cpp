#include "ops/recorder_operations.h"

#include <algorithm>
#include <cstring>

#include "config/text_codec.h"

namespace kavrin::ops {

std::vector<InfoRow> QueryInformation(DeviceLink& link, const InfoPanel& panel) {
  DeviceLink::Hold hold(link);
  std::vector<InfoRow> rows;
  rows.reserve(panel.rows.size());
  for (std::size_t i = 0; i < panel.rows.size(); ++i) {
    InfoRow row;
    row.title = panel.rows[i].title;
    row.commandCode = panel.rows[i].commandCode;
    uint8_t reply[DeviceLink::kPacketSize] = {};
    if (link.QueryString(row.commandCode, reply) == 1) {
      const char* chars = reinterpret_cast<const char*>(reply);
      row.answer.assign(chars, strnlen(chars, sizeof reply));
    } else {
      row.outcome = Outcome::OfCommand(Step::kInformation, link.LastFailure(),
                                       static_cast<uint32_t>(i), ToUtf8(row.title));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<TestRow> RunEngineTests(DeviceLink& link, const ItemTable& tests) {
  DeviceLink::Hold hold(link);
  std::vector<TestRow> rows;
  rows.reserve(tests.size());
  for (std::size_t i = 0; i < tests.size(); ++i) {
    TestRow row;
    row.title = tests[i].title;
    row.testCode = TestCode(tests[i]);
    if (link.QueryTestResult(row.testCode, &row.answer) != 1) {
      row.answer = 0;
      row.outcome = Outcome::OfCommand(Step::kEngineTest, link.LastFailure(),
                                       static_cast<uint32_t>(i), ToUtf8(row.title));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

bool AnyTestNotPassed(const std::vector<TestRow>& tests) {
  return std::any_of(tests.begin(), tests.end(), [](const TestRow& row) { return !row.Pass(); });
}

Outcome Readiness(const std::vector<TestRow>& tests, bool force) {
  if (force || !AnyTestNotPassed(tests)) return Outcome::Success();
  // A query that failed is no verdict of the recorder: its reason comes first.
  for (const TestRow& row : tests) {
    if (!row.outcome.Ok()) return row.outcome;
  }
  for (std::size_t i = 0; i < tests.size(); ++i) {
    if (tests[i].Pass()) continue;
    Outcome ng;
    ng.step = Step::kEngineTest;
    ng.reason = Reason::kEngineTestNg;
    ng.index = static_cast<uint32_t>(i);
    ng.subject = ToUtf8(tests[i].title);
    return ng;
  }
  return Outcome::Success();
}

Outcome WriteSettings(DeviceLink& link, const SettingsBlock& block, bool setKavrinFlag) {
  if (link.WriteData(block.DeviceArea().data(), SettingsBlock::kDeviceAreaSize,
                     setKavrinFlag ? 1 : 0) == 1)
    return Outcome::Success();
  return Outcome::OfCommand(Step::kSettings, link.LastFailure());
}

KavrinOutcome RunKavrin(DeviceLink& link, const LocalTime& time, const SettingsBlock& block,
                        bool setKavrinFlag) {
  DeviceLink::Hold hold(link);
  KavrinOutcome outcome;
  if (link.SetClock(time) != 1)
    outcome.clock = Outcome::OfCommand(Step::kClock, link.LastFailure());
  DumpHex(block.DeviceArea().data(), SettingsBlock::kDeviceWords, 1);
  outcome.settings = WriteSettings(link, block, setKavrinFlag);
  return outcome;
}

Outcome ReadSettings(DeviceLink& link, SettingsBlock& block) {
  if (link.ReadData(block.DeviceArea().data(), SettingsBlock::kDeviceAreaSize) == 1)
    return Outcome::Success();
  return Outcome::OfCommand(Step::kRead, link.LastFailure());
}

Outcome VerifySettings(DeviceLink& link, const SettingsBlock& written, Mismatch* mismatch) {
  SettingsBlock stored;
  if (link.ReadData(stored.DeviceArea().data(), SettingsBlock::kDeviceAreaSize) != 1) {
    return Outcome::OfCommand(Step::kVerify, link.LastFailure());
  }
  for (uint32_t word = 0; word < SettingsBlock::kDeviceWords; ++word) {
    if (stored.GetWord(word) == written.GetWord(word)) continue;
    if (mismatch != nullptr) *mismatch = {word, written.GetWord(word), stored.GetWord(word)};
    Outcome outcome;
    outcome.step = Step::kVerify;
    outcome.reason = Reason::kVerifyMismatch;
    outcome.index = word;
    return outcome;
  }
  return Outcome::Success();
}

}  // namespace kavrin::ops
