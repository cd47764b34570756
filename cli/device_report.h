#pragma once
// What the device commands of `kavrin` find out about the recorder and how they print it:
// the video inputs with their match and extension unit, the information rows, the engine
// tests.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command_result.h"
#include "config/config_file.h"
#include "device/device_link.h"
#include "device/video_input.h"
#include "ops/recorder_operations.h"

namespace kavrin::cli {

// One video input as `kavrin devices` shows it.
struct DeviceRow {
  VideoInput input;
  int nameIndex = -1;                // the first configured name it matches; -1 for none
  std::optional<InputName> matched;  // which of the input's names that one matched
  InputDiagnosis diagnosis;
  // Named like the recorder, carrying its unit, and open to us: a recorder we can program.
  bool IsRecorder() const {
    return nameIndex >= 0 && diagnosis.opened && diagnosis.unitFound && !diagnosis.permissionDenied;
  }
  // Why a row is not a usable recorder, in a user's words; empty for a usable one.
  std::string WhyNotUsable() const;
};

struct DeviceListing {
  bool listed = false;  // false: the platform gave no list at all
  std::vector<DeviceRow> rows;
  std::string problem;  // why the list is missing or empty
};

DeviceListing ListDevices(VideoInputBackend& backend, const ConfigFile& config);
// The listing as text, or its JSON fields ({"devices", "problem", "hint"}).
void PrintDeviceListing(const DeviceListing& listing, const ConfigFile& config, std::ostream& out);
Json DeviceListingJson(const DeviceListing& listing, const ConfigFile& config);
bool AnyRecorder(const DeviceListing& listing);
// Whether a named device could not be opened for lack of permission (the likely cause when
// no recorder is usable).
bool PermissionProblem(const DeviceListing& listing);
// Why no recorder could be attached, in a user's words (with the permission hint when that
// is the cause).
std::string ExplainNoRecorder(const DeviceListing& listing, const ConfigFile& config);
// What to do when a video node may not be opened.
std::string PermissionHint();

// The information rows as `kavrin info` prints them.
Json InformationJson(const std::vector<ops::InfoRow>& rows);
std::string InformationText(const std::vector<ops::InfoRow>& rows);

// The engine tests as `kavrin test` prints them; a failed query says why it has no verdict.
Json TestsJson(const std::vector<ops::TestRow>& tests);
std::string TestsText(const std::vector<ops::TestRow>& tests);
// "engine test NG: 0x1031 \"RTC\""
std::string FailedTestsText(const std::vector<ops::TestRow>& tests);

// The command line's reason for an operation's outcome: the transfer's reasons that scripts
// tell apart (unavailable, busy) keep their code, the other transfer failures are
// transfer-failed, and the recorder's verdicts are their own.
Reason ReasonOf(const ops::Outcome& outcome);
// The outcome in words for a message: "the recorder is busy: ...", "the recorder is gone",
// "timed out"; empty on success.
std::string OutcomeText(const ops::Outcome& outcome);
// {"step": ..., "cause": ...} of a failed operation, for its JSON document.
void AddOutcomeFields(Json& document, const ops::Outcome& outcome);

// "0x1011"
std::string HexCode(uint32_t code, int digits);

}  // namespace kavrin::cli
