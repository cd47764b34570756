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

namespace kavrin::cli {

// One video input as `kavrin devices` shows it.
struct DeviceRow {
  VideoInput input;
  int nameIndex = -1;  // the first configured name it matches; -1 for none
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

struct InfoAnswer {
  std::string title;  // UTF-8
  uint32_t commandCode = 0;
  std::string answer;  // UTF-8; empty when the query failed
  bool ok = false;
  bool busy = false;  // not asked: another program held the recorder
  std::string problem;  // not asked: why the recorder's lock could not be had, or empty
};

// Each information row's string query, as the window fills its information panel.
std::vector<InfoAnswer> QueryInformation(DeviceLink& link, const ConfigFile& config);
Json InformationJson(const std::vector<InfoAnswer>& rows);
std::string InformationText(const std::vector<InfoAnswer>& rows);

struct TestVerdict {
  std::string title;  // UTF-8
  uint16_t testCode = 0;
  bool answered = false;
  bool busy = false;  // not asked: another program held the recorder
  uint32_t answer = 0;
  bool Pass() const { return answered && answer == 1; }
};

// Each test item's engine-test query, as the window fills its test panel.
std::vector<TestVerdict> RunEngineTests(DeviceLink& link, const ConfigFile& config);
bool AnyTestFailed(const std::vector<TestVerdict>& verdicts);
Json TestsJson(const std::vector<TestVerdict>& verdicts);
std::string TestsText(const std::vector<TestVerdict>& verdicts);
// "engine test NG: 0x1031 \"RTC\""
std::string FailedTestsText(const std::vector<TestVerdict>& verdicts);

// "0x1011"
std::string HexCode(uint32_t code, int digits);

// Why the link's last command failed, for a message ("the recorder is busy: ..."); empty
// when there is nothing to add to the command's own words.
std::string LinkFailureReason(const DeviceLink& link);

}  // namespace kavrin::cli
