#pragma once
// What the device commands of `kavrin` find out about the recorder and how they print it:
// the video inputs with their match and extension unit, the information rows, the engine
// tests.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

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
  bool IsRecorder() const { return nameIndex >= 0 && diagnosis.unitFound; }
};

struct DeviceListing {
  bool listed = false;  // false: the platform gave no list at all
  std::vector<DeviceRow> rows;
  std::string problem;  // why the list is missing or empty
};

DeviceListing ListDevices(VideoInputBackend& backend, const ConfigFile& config);
void PrintDeviceListing(const DeviceListing& listing, const ConfigFile& config, bool asJson,
                        std::ostream& out);
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
};

// Each information row's string query, as the window fills its information panel.
std::vector<InfoAnswer> QueryInformation(DeviceLink& link, const ConfigFile& config);
void PrintInformation(const std::vector<InfoAnswer>& rows, bool asJson, std::ostream& out);

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
nlohmann::json TestsJson(const std::vector<TestVerdict>& verdicts);
void PrintTests(const std::vector<TestVerdict>& verdicts, bool asJson, std::ostream& out);

// "0x1011"
std::string HexCode(uint32_t code, int digits);

// Why the link's last command failed, for a message ("the recorder is busy: ..."); empty
// when there is nothing to add to the command's own words.
std::string LinkFailureReason(const DeviceLink& link);

}  // namespace kavrin::cli
