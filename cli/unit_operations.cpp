#include "cli/unit_operations.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli/attached_unit.h"
#include "cli/block_report.h"
#include "cli/printable_text.h"
#include "cli/recorder_address.h"
#include "cli/sending.h"
#include "cli/unit_record.h"
#include "config/file_io.h"
#include "config/file_util.h"
#include "config/text_codec.h"
#include "config/trace.h"
#include "device/device_link.h"
#include "ops/recorder_operations.h"

namespace kavrin::cli {
namespace {

// Readiness (ops::Readiness): no engine test NG unless forced. A test that could not be asked
// is not a verdict: the unit fails for the reason the query failed, and forcing it would not
// help.
bool Ready(const std::vector<ops::TestRow>& tests, bool force, UnitResult* result) {
  const ops::Outcome ready = ops::Readiness(tests, force);
  if (ready.Ok()) return true;
  Trace("\nnot all items pass engine test\n");
  if (ready.reason == ops::Reason::kEngineTestNg) {
    result->Fail(Reason::kEngineTestNg,
                 "refused: " + FailedTestsText(tests) + " (--force proceeds anyway)");
    AddOutcomeFields(result->fields, ready);
  } else {
    FailWith(ready, "refused: the engine tests could not be asked", result);
  }
  return false;
}

// What a failed write means for the recorder's settings.
std::string WriteFailureText(const ops::Outcome& outcome) {
  if (outcome.step != ops::Step::kCommit) {
    return "writing the settings failed; a write with a failed chunk is not committed";
  }
  if (outcome.reason == ops::Reason::kTimedOut) {
    return "the commit went out but was not answered in time; whether the recorder committed "
           "the settings is not known";
  }
  return "the recorder took the settings but refused to commit them";
}

// Reads the settings back after the commit; a failure names the first word that differs.
bool Verify(DeviceLink& link, const SettingsBlock& written, UnitResult* result) {
  ops::Mismatch mismatch;
  const ops::Outcome verified = ops::VerifySettings(link, written, &mismatch);
  if (verified.Ok()) return true;
  if (verified.reason == ops::Reason::kVerifyMismatch) {
    result->Fail(Reason::kVerifyMismatch, "the recorder holds " + HexCode(mismatch.found, 4) +
                                              " in word " + std::to_string(mismatch.word) +
                                              " where " + HexCode(mismatch.written, 4) +
                                              " was written");
    AddOutcomeFields(result->fields, verified);
  } else {
    FailWith(verified, "reading the settings back to verify them failed", result);
  }
  return false;
}

}  // namespace

UnitResult StartResult(const DeviceRow& unit) {
  UnitResult result;
  result.device = unit.input;
  return result;
}

// An operation failed: the reason its outcome gives, in the words of what was being done.
void FailWith(const ops::Outcome& outcome, const std::string& what, UnitResult* result) {
  const std::string because = OutcomeText(outcome);
  result->Fail(ReasonOf(outcome),
               what + " (" + outcome.StepText() + (because.empty() ? "" : ": " + because) + ")");
  AddOutcomeFields(result->fields, outcome);
}

void CannotOpen(UnitResult* result) {
  result->Fail(Reason::kUnavailable, AddressText(result->device) +
                                         " could not be opened (unplugged, or held by another "
                                         "program?)");
  ops::Outcome attach;
  attach.step = ops::Step::kAttach;
  result->fields["step"] = attach.StepText();
}

void UnitResult::Fail(Reason why, std::string whyText) {
  // The first failure is the one reported; later ones only add to the message.
  if (ok) {
    ok = false;
    reason = why;
    message = std::move(whyText);
  } else {
    message += "; " + whyText;
  }
}

std::string DeviceAreaHex(const SettingsBlock& block, std::string_view separator) {
  std::string text;
  for (uint8_t b : block.DeviceArea()) {
    if (!text.empty()) text += separator;
    text += HexCode(b, 2).substr(2);
  }
  return text;
}

UnitResult RunKavrinOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config,
                       const KavrinPlan& plan) {
  UnitResult result = StartResult(unit);
  AttachedUnit attached(unit, backend, config);
  if (!attached.Attached()) {
    Trace("\nkavrin condition fail\n");
    CannotOpen(&result);
    return result;
  }
  DeviceLink& link = attached.Link();
  // One hold for the whole operation: the information, the tests, the clock, the settings
  // and the read-back.
  DeviceLink::Hold hold(link);
  if (plan.queryInformation) {
    // For the record only: a row not answered is an empty text there, not a failure.
    result.fields["unit"] = UnitInformationJson(ops::QueryInformation(link, config.infoPanel));
  }
  const std::vector<ops::TestRow> tests = ops::RunEngineTests(link, config.testItems);
  result.fields["tests"] = TestsJson(tests);
  if (!Ready(tests, plan.force, &result)) {
    Trace("\nkavrin condition fail\n");
    return result;
  }
  // The window's sequence and bytes: the clock, then the settings as its lists would hold
  // them, and their commit.
  const Sending sending = KavrinSending(plan);
  const ops::KavrinOutcome sent =
      ops::RunKavrin(link, *sending.clock, sending.block, plan.setKavrinFlag);
  const Delivery delivery{sent.clock.Ok(), sent.settings.Ok()};
  if (!delivery.clockSet) FailWith(sent.clock, "setting the recorder's clock failed", &result);
  if (!delivery.written) FailWith(sent.settings, WriteFailureText(sent.settings), &result);
  bool verified = true;
  if (plan.verify && delivery.written) verified = Verify(link, plan.block, &result);
  Trace(result.ok ? "\nkavrin finish\n" : "\nkavrin fail\n");

  MergeFields(result.fields, SendingJson(config, sending, &delivery));
  if (plan.verify) result.fields["verified"] = delivery.written && verified;
  result.text = RecorderLine(unit.input) + SendingText(config, sending, &delivery) +
                (plan.verify && delivery.written
                     ? std::string("Verify:   ") +
                           (verified ? "the recorder holds what was written\n" : "MISMATCH\n")
                     : std::string()) +
                (result.ok ? "Kavrin finish !\n" : "Kavrin fail !\n");
  result.summary = "clock " + ClockText(*sending.clock) + ", commit " +
                   std::to_string(sending.commit) +
                   (plan.verify && verified && delivery.written ? ", verified" : "");
  return result;
}

UnitResult RunWriteOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config,
                      const WritePlan& plan) {
  UnitResult result = StartResult(unit);
  AttachedUnit attached(unit, backend, config);
  if (!attached.Attached()) {
    CannotOpen(&result);
    return result;
  }
  DeviceLink& link = attached.Link();
  DeviceLink::Hold hold(link);
  const std::vector<ops::TestRow> tests = ops::RunEngineTests(link, config.testItems);
  result.fields["tests"] = TestsJson(tests);
  if (!Ready(tests, plan.force, &result)) return result;
  // The window's "Write" button: the settings alone, committed with 1.
  const Sending sending = WriteSending(plan);
  const ops::Outcome sent = ops::WriteSettings(link, sending.block, true);
  const bool written = sent.Ok();
  const Delivery delivery{false, written};
  MergeFields(result.fields, SendingJson(config, sending, &delivery));
  if (!written) {
    FailWith(sent, WriteFailureText(sent), &result);
    return result;
  }
  if (plan.verify) result.fields["verified"] = Verify(link, plan.block, &result);
  result.text = "Wrote " + std::to_string(SettingsBlock::kDeviceAreaSize) + " bytes of " +
                plan.source + " to \"" + PrintableText(ToUtf8(unit.input.friendlyName)) + "\" " +
                AddressText(unit.input) + ", committed with 1" +
                (plan.verify && result.ok ? ", verified" : "") + "\n";
  result.summary = "committed with 1";
  return result;
}

UnitResult RunReadOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config,
                     const std::string& outputPath) {
  UnitResult result = StartResult(unit);
  AttachedUnit attached(unit, backend, config);
  if (!attached.Attached()) {
    CannotOpen(&result);
    return result;
  }
  SettingsBlock block;  // the note area stays zero: the recorder does not hold it
  if (const ops::Outcome read = ops::ReadSettings(attached.Link(), block); !read.Ok()) {
    FailWith(read, "reading the settings failed; " + outputPath + " was not written", &result);
    return result;
  }
  DumpHex(block.Bytes().data(), SettingsBlock::kDeviceWords, 1);
  if (const FileOutcome written = block.SaveFile(PathFromUtf8(outputPath)); !written) {
    result.Fail(Reason::kOutputUnwritable, CannotWriteText(PathFromUtf8(outputPath), written));
    return result;
  }
  result.fields["file"] = outputPath;
  MergeFields(result.fields, BlockReportJson(config, block));
  result.text = "Read " + std::to_string(SettingsBlock::kDeviceAreaSize) + " bytes from \"" +
                PrintableText(ToUtf8(unit.input.friendlyName)) + "\" " + AddressText(unit.input) +
                " into " + outputPath + "\n";
  result.summary = "read into " + outputPath;
  return result;
}

UnitResult RunInfoOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config) {
  UnitResult result = StartResult(unit);
  AttachedUnit attached(unit, backend, config);
  if (!attached.Attached()) {
    CannotOpen(&result);
    return result;
  }
  const std::vector<ops::InfoRow> rows = ops::QueryInformation(attached.Link(), config.infoPanel);
  result.fields["rows"] = InformationJson(rows);
  result.text = InformationText(rows);
  result.detail = result.text;
  for (const ops::InfoRow& row : rows) {
    if (row.outcome.Ok()) continue;
    FailWith(row.outcome,
             "the recorder did not answer \"" + ToUtf8(row.title) + "\" (command " +
                 std::to_string(row.commandCode) + ")",
             &result);
  }
  return result;
}

UnitResult RunTestOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config) {
  UnitResult result = StartResult(unit);
  AttachedUnit attached(unit, backend, config);
  if (!attached.Attached()) {
    CannotOpen(&result);
    return result;
  }
  const std::vector<ops::TestRow> tests = ops::RunEngineTests(attached.Link(), config.testItems);
  result.fields["tests"] = TestsJson(tests);
  result.fields["allPassed"] = !ops::AnyTestNotPassed(tests);
  result.text = TestsText(tests);
  result.detail = result.text;
  // Only the recorder's own answers are verdicts: a query that failed says why instead.
  const ops::Outcome ready = ops::Readiness(tests, false);
  if (ready.reason == ops::Reason::kEngineTestNg) {
    result.Fail(Reason::kEngineTestNg, FailedTestsText(tests));
    AddOutcomeFields(result.fields, ready);
  } else if (!ready.Ok()) {
    FailWith(ready, "the engine tests could not all be asked", &result);
  }
  return result;
}

}  // namespace kavrin::cli
