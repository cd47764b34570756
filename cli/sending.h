#pragma once
// What an operation sends one recorder: the clock it sets (the kavrin operation only), the 80
// bytes of settings and the commit value. The real operations report it with what became of
// it; a dry run reports it alone, having sent nothing. One description, so that the plan a
// line reviews and the record of the real run cannot drift apart.
#include <optional>
#include <string>

#include "block/settings_block.h"
#include "cli/command_result.h"
#include "cli/device_report.h"
#include "cli/unit_operations.h"
#include "config/config_file.h"
#include "device/local_time.h"

namespace kavrin::cli {

struct Sending {
  std::optional<LocalTime> clock;            // none: no clock is set (write)
  SettingsBlock block;                       // its device area is what goes out
  std::string source;                        // where the settings came from
  const char* sourceField = "settingsFrom";  // its JSON name: "settingsFrom", or "file" for write
  int commit = 2;
};

// The kavrin operation's sending, its clock taken now (each unit takes the time of its own
// write).
Sending KavrinSending(const KavrinPlan& plan);
Sending WriteSending(const WritePlan& plan);

// What became of a sending on the recorder.
struct Delivery {
  bool clockSet = false;
  bool written = false;
};

// {clock, clockSet, settingsFrom|file, settings, items, logo, written, commit}; without a
// delivery (a dry run) clockSet and written are left out and "dryRun":true, "sent":false
// added.
Json SendingJson(const ConfigFile& config, const Sending& sending, const Delivery* delivery);
// "Clock:    ...\nSettings: 10 CA ...\n          from ...\nCommit:   2\n"; with a delivery,
// what failed is marked; without one the decoded items and logo follow.
std::string SendingText(const ConfigFile& config, const Sending& sending, const Delivery* delivery);
// "Recorder: \"ZK742\" /dev/video2 (serial ...)\n"
std::string RecorderLine(const VideoInput& input);

// The dry run's result for one recorder: what would be sent, nothing sent.
UnitResult PlanOn(const DeviceRow& unit, const ConfigFile& config, const Sending& sending);

}  // namespace kavrin::cli
