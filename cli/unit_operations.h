#pragma once
// The device operations on one chosen recorder, each giving one result: the kavrin operation,
// the settings write, the read into a block file, the information rows, the engine tests.
// Every operation attaches its recorder on a backend of its own, so that several run at once,
// one thread per recorder.
#include <string>
#include <vector>

#include "block/settings_block.h"
#include "cli/clock_choice.h"
#include "cli/command_result.h"
#include "cli/device_report.h"
#include "cli/record_time.h"
#include "cli/settings_source.h"
#include "config/config_file.h"
#include "device/video_input.h"

namespace kavrin::cli {

struct UnitResult {
  VideoInput device;
  bool ok = true;
  Reason reason = Reason::kNone;
  std::string message;           // why it failed
  Json fields = Json::object();  // what the command reports besides device, ok and reason
  std::string text;              // the command's own text for one recorder
  std::string summary;           // a few words for the one-line result among several
  std::string detail;            // lines shown under that line (information rows, verdicts)
  TimeSpan span;                 // when the operation began and ended (set by RunUnits)

  void Fail(Reason why, std::string whyText);
};

// What the kavrin operation sends, prepared once for every unit.
struct KavrinPlan {
  SettingsBlock block;
  std::string source;                // where the settings came from, for the report
  SettingsSource origin;             // the same, for a line's records
  std::vector<std::string> changes;  // the --set assignments as given, then "logo=TEXT"
  ClockChoice clock;
  bool force = false;
  bool setKavrinFlag = false;
  bool verify = false;
  // Ask the information rows first, as the window does on attaching, so that the unit's
  // record names its model and versions. Only runs that keep records ask: a single `kavrin`
  // sends exactly the window's Kavrin packets and nothing more.
  bool queryInformation = false;
};

// What `write` sends.
struct WritePlan {
  SettingsBlock block;
  std::string source;
  bool force = false;
  bool verify = false;
};

UnitResult RunKavrinOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config,
                       const KavrinPlan& plan);
UnitResult RunWriteOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config,
                      const WritePlan& plan);
UnitResult RunReadOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config,
                     const std::string& outputPath);
UnitResult RunInfoOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config);
UnitResult RunTestOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config);

// The pieces every operation on one recorder shares. A result for the unit, failing nothing
// yet; a failed ops outcome as the unit's failure, in the words of what was being done; a
// recorder that could not be attached.
UnitResult StartResult(const DeviceRow& unit);
void FailWith(const ops::Outcome& outcome, const std::string& what, UnitResult* result);
void CannotOpen(UnitResult* result);

// The device area as hexadecimal digits, bytes apart by `separator`.
std::string DeviceAreaHex(const SettingsBlock& block, std::string_view separator);

}  // namespace kavrin::cli
