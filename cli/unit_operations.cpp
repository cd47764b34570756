#include "cli/unit_operations.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli/block_report.h"
#include "cli/recorder_address.h"
#include "config/file_io.h"
#include "config/file_util.h"
#include "config/text_codec.h"
#include "config/trace.h"
#include "device/device_link.h"

namespace kavrin::cli {
namespace {

// The device link with the configured names, attached to the chosen recorder.
class AttachedUnit {
 public:
  AttachedUnit(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config)
      : link_(backend) {
    for (uint32_t i = 0; i < config.friendlyNameCount && i < ConfigBounds::kMaxDeviceNames; ++i) {
      link_.AddDeviceName(config.friendlyNames[i].c_str());
    }
    attached_ = link_.AttachInput(unit.input) == 1;
  }
  ~AttachedUnit() { link_.Detach(); }
  AttachedUnit(const AttachedUnit&) = delete;
  AttachedUnit& operator=(const AttachedUnit&) = delete;

  bool Attached() const { return attached_; }
  DeviceLink& Link() { return link_; }

 private:
  DeviceLink link_;
  bool attached_ = false;
};

UnitResult StartResult(const DeviceRow& unit) {
  UnitResult result;
  result.device = unit.input;
  return result;
}

// A command of the link failed: busy when another program held the recorder for the whole
// wait (nothing was sent), else a failed transfer.
void FailCommand(const DeviceLink& link, const std::string& what, UnitResult* result) {
  const std::string because = LinkFailureReason(link);
  result->Fail(link.LastFailure() == LinkFailure::kBusy ? Reason::kBusy : Reason::kTransferFailed,
               because.empty() ? what : what + " (" + because + ")");
}

void CannotOpen(UnitResult* result) {
  result->Fail(Reason::kUnavailable, AddressText(result->device) +
                                         " could not be opened (unplugged, or held by another "
                                         "program?)");
}

// Readiness as the window's: no engine test NG unless forced.
bool Ready(const std::vector<TestVerdict>& verdicts, bool force, UnitResult* result) {
  if (!AnyTestFailed(verdicts) || force) return true;
  Trace("\nnot all items pass engine test\n");
  if (std::any_of(verdicts.begin(), verdicts.end(), [](const TestVerdict& v) { return v.busy; })) {
    result->Fail(Reason::kBusy,
                 "refused: the engine tests could not be asked: the recorder is busy (another "
                 "program is using it; try again when it has finished)");
    return false;
  }
  result->Fail(Reason::kEngineTestNg, "refused: " + FailedTestsText(verdicts) +
                                          " (--force proceeds anyway)");
  return false;
}

uint32_t DeviceWord(const SettingsBlock& block, uint32_t index) {
  return block.Bytes()[2 * index] | (block.Bytes()[2 * index + 1] << 8);
}

// Reads the settings back after the commit; a failure names the first word that differs.
bool VerifySettings(DeviceLink& link, const SettingsBlock& written, UnitResult* result) {
  SettingsBlock stored;
  if (link.ReadData(stored.Bytes().data(), SettingsBlock::kDeviceAreaSize) != 1) {
    FailCommand(link, "reading the settings back to verify them failed", result);
    return false;
  }
  for (uint32_t word = 0; word < SettingsBlock::kDeviceWords; ++word) {
    if (DeviceWord(stored, word) == DeviceWord(written, word)) continue;
    result->Fail(Reason::kVerifyMismatch,
                 "the recorder holds " + HexCode(DeviceWord(stored, word), 4) + " in word " +
                     std::to_string(word) + " where " + HexCode(DeviceWord(written, word), 4) +
                     " was written");
    return false;
  }
  return true;
}


}  // namespace

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
  const std::vector<TestVerdict> verdicts = RunEngineTests(link, config);
  result.fields["tests"] = TestsJson(verdicts);
  if (!Ready(verdicts, plan.force, &result)) {
    Trace("\nkavrin condition fail\n");
    return result;
  }
  // The clock first, then the settings and their commit, as the window sends them. A refused
  // clock does not hold the settings back: they are the recorder's business apart.
  const LocalTime time = plan.clock.Time();
  const bool clockSet = link.SetClock(time) == 1;
  if (!clockSet) FailCommand(link, "setting the recorder's clock failed", &result);
  DumpHex(plan.block.Bytes().data(), SettingsBlock::kDeviceWords, 1);
  const int commitValue = plan.setKavrinFlag ? 1 : 2;
  const bool written = link.WriteData(plan.block.Bytes().data(), SettingsBlock::kDeviceAreaSize,
                                      plan.setKavrinFlag ? 1 : 0) == 1;
  if (!written) {
    FailCommand(link, "writing the settings failed; a write with a failed chunk is not committed",
                &result);
  }
  bool verified = true;
  if (plan.verify && written) verified = VerifySettings(link, plan.block, &result);
  Trace(result.ok ? "\nkavrin finish\n" : "\nkavrin fail\n");

  result.fields["clock"] = ClockText(time);
  result.fields["clockSet"] = clockSet;
  result.fields["settingsFrom"] = plan.source;
  result.fields["settings"] = DeviceAreaHex(plan.block, "");
  MergeFields(result.fields, BlockSettingsJson(config, plan.block));
  result.fields["written"] = written;
  result.fields["commit"] = commitValue;
  if (plan.verify) result.fields["verified"] = written && verified;
  result.text = "Recorder: \"" + ToUtf8(unit.input.friendlyName) + "\" " + AddressText(unit.input) +
                "\nClock:    " + ClockText(time) + (clockSet ? "" : "  (failed)") +
                "\nSettings: " + DeviceAreaHex(plan.block, " ") + "\n          from " +
                plan.source + "\nCommit:   " + std::to_string(commitValue) +
                (written ? "" : "  (not committed)") + "\n" +
                (plan.verify && written ? std::string("Verify:   ") +
                                              (verified ? "the recorder holds what was written\n"
                                                        : "MISMATCH\n")
                                        : std::string()) +
                (result.ok ? "Kavrin finish !\n" : "Kavrin fail !\n");
  result.summary = "clock " + ClockText(time) + ", commit " + std::to_string(commitValue) +
                   (plan.verify && verified && written ? ", verified" : "");
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
  const std::vector<TestVerdict> verdicts = RunEngineTests(link, config);
  result.fields["tests"] = TestsJson(verdicts);
  if (!Ready(verdicts, plan.force, &result)) return result;
  // The window's "Write" button: the settings alone, committed with 1.
  const bool written =
      link.WriteData(plan.block.Bytes().data(), SettingsBlock::kDeviceAreaSize, 1) == 1;
  result.fields["file"] = plan.source;
  result.fields["written"] = written;
  result.fields["commit"] = 1;
  if (!written) {
    FailCommand(link, "writing the settings failed; they were not committed", &result);
    return result;
  }
  if (plan.verify) result.fields["verified"] = VerifySettings(link, plan.block, &result);
  result.text = "Wrote " + std::to_string(SettingsBlock::kDeviceAreaSize) + " bytes of " +
                plan.source + " to \"" + ToUtf8(unit.input.friendlyName) + "\" " +
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
  if (attached.Link().ReadData(block.Bytes().data(), SettingsBlock::kDeviceAreaSize) != 1) {
    FailCommand(attached.Link(), "reading the settings failed; " + outputPath + " was not written",
                &result);
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
                ToUtf8(unit.input.friendlyName) + "\" " + AddressText(unit.input) + " into " +
                outputPath + "\n";
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
  const std::vector<InfoAnswer> rows = QueryInformation(attached.Link(), config);
  result.fields["rows"] = InformationJson(rows);
  result.text = InformationText(rows);
  result.detail = result.text;
  for (const InfoAnswer& row : rows) {
    if (row.ok) continue;
    result.Fail(row.busy ? Reason::kBusy : Reason::kTransferFailed,
                "the recorder did not answer \"" + row.title + "\" (command " +
                    std::to_string(row.commandCode) + ")" +
                    (row.busy ? " (the recorder is busy: another program is using it)" : ""));
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
  const std::vector<TestVerdict> verdicts = RunEngineTests(attached.Link(), config);
  result.fields["tests"] = TestsJson(verdicts);
  result.fields["allPassed"] = !AnyTestFailed(verdicts);
  result.text = TestsText(verdicts);
  result.detail = result.text;
  if (std::any_of(verdicts.begin(), verdicts.end(), [](const TestVerdict& v) { return v.busy; })) {
    result.Fail(Reason::kBusy, "the engine tests could not all be asked: the recorder is busy "
                               "(another program is using it)");
  } else if (AnyTestFailed(verdicts)) {
    result.Fail(Reason::kEngineTestNg, FailedTestsText(verdicts));
  }
  return result;
}

}  // namespace kavrin::cli
