#pragma once
// The operations on an attached recorder, without any user interface: the information rows
// and engine tests of an attach, the readiness that gates writing, the Kavrin sequence, the
// write, the read and the read-back check. The window and the command line both call these and
// show their outcomes; neither restates a rule. Each operation holds the recorder once, from
// its first transfer to its last.
#include <cstdint>
#include <string>
#include <vector>

#include "block/settings_block.h"
#include "config/config_file.h"
#include "device/device_link.h"
#include "ops/outcome.h"

namespace kavrin::ops {

struct InfoRow {
  std::u16string title;
  uint32_t commandCode = 0;
  std::string answer;  // the recorder's text in the code page; empty when the query failed
  Outcome outcome;
};

struct TestRow {
  std::u16string title;
  uint16_t testCode = 0;
  uint32_t answer = 0;  // the recorder's verdict, 1 for a pass; 0 when the query failed
  Outcome outcome;      // the query's: a failed query is no verdict
  bool Pass() const { return outcome.Ok() && answer == 1; }
};

// Each row's identification string, as the information panel shows it.
std::vector<InfoRow> QueryInformation(DeviceLink& link, const InfoPanel& panel);
// Each test item's verdict, as the engine-test panel shows it.
std::vector<TestRow> RunEngineTests(DeviceLink& link, const ItemTable& tests);

// Whether writing may go ahead: every test passed, or the operator forces it. Otherwise the
// first query that failed (its reason is the transfer's: unavailable, busy, ...), or, when
// every query was answered, the first test the recorder itself answered NG.
Outcome Readiness(const std::vector<TestRow>& tests, bool force);
// Whether the window's gate closes: any test not passed, failed queries included.
bool AnyTestNotPassed(const std::vector<TestRow>& tests);

// The Kavrin sequence: the clock, then the settings and their commit (1 with setKavrinFlag,
// else 2). A clock that fails does not hold the settings back; a chunk that fails is never
// committed.
struct KavrinOutcome {
  Outcome clock;
  Outcome settings;  // its step is the chunk or the commit that failed
  bool Ok() const { return clock.Ok() && settings.Ok(); }
  const Outcome& First() const { return clock.Ok() ? settings : clock; }
};
KavrinOutcome RunKavrin(DeviceLink& link, const LocalTime& time, const SettingsBlock& block,
                        bool setKavrinFlag);

// The settings alone, committed with `commitValue` (1 or 2).
Outcome WriteSettings(DeviceLink& link, const SettingsBlock& block, bool setKavrinFlag);
// The device area into `block`; on failure the block is left as it was.
Outcome ReadSettings(DeviceLink& link, SettingsBlock& block);

// What a read-back found where it differs from what was written.
struct Mismatch {
  uint32_t word = 0;
  uint32_t written = 0;
  uint32_t found = 0;
};
// Reads the settings back and compares the device area; a mismatch names the first word.
Outcome VerifySettings(DeviceLink& link, const SettingsBlock& written, Mismatch* mismatch);

}  // namespace kavrin::ops
