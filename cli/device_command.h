#pragma once
// What every device command does before and after its own operation: the options they share,
// the configuration, the recorders listed and selected (waiting for them with --wait), and
// the results reported for one recorder or several.
#include <memory>
#include <string>
#include <vector>

#include "cli/command_result.h"
#include "cli/device_environment.h"
#include "cli/device_report.h"
#include "cli/recorder_selection.h"
#include "cli/unit_operations.h"
#include "cli/unit_runner.h"
#include "config/config_file.h"

namespace kavrin::cli {

struct DeviceOptions {
  std::string configPath;  // empty: ./KAVRIN_CFG.ini, else the built-in default
  bool json = false;
  bool verbose = false;
  double waitSeconds = 0;
  std::vector<std::string> devices;  // -d/--device, each an address
  bool all = false;
  std::string outputPath;             // read -o, a pattern with {serial}, {port}, {index}
  std::string blockPath;              // write FILE, kavrin [FILE]
  std::vector<std::string> settings;  // kavrin --set ITEM=OPTION
  std::string logo;                   // kavrin --logo TEXT
  bool logoGiven = false;
  std::string clock = "now";  // kavrin --clock
  bool force = false;
  bool setKavrinFlag = false;
  bool verify = false;
  unsigned count = 0;       // station --count; 0: until interrupted
  std::string logPath;      // station --log
  std::string stationName;  // kavrin and station --station; empty: the host name
  bool dryRun = false;      // kavrin, write, station --dry-run: the plan, nothing sent
};

class DeviceCommand {
 public:
  DeviceCommand(std::string name, const DeviceOptions& options,
                const DeviceEnvironment& environment);

  Reporter& Out() { return reporter_; }
  const DeviceOptions& Options() const { return options_; }
  const DeviceEnvironment& Environment() const { return environment_; }
  const ConfigFile& Config() const { return *config_; }

  // Each gives false after reporting why, with the exit status in *exitCode.
  bool LoadConfiguration(int* exitCode);
  bool ParseSelectors(std::vector<DeviceSelector>* selectors, int* exitCode);

  DeviceListing List() const;
  // The recorders the request names, waiting up to --wait for them to be plugged in.
  Selection Select(const SelectionRequest& request) const;
  // A refused selection, reported; the exit status.
  int Refuse(const Selection& selection);
  // The operation on every selected recorder: the single result, or one per unit (in
  // parallel) and a summary. The exit status: 0 only when every unit succeeded.
  // `summaryExtra`'s fields go into the summary.
  int Run(const Selection& selection, bool many, const UnitOperation& operation,
          const Json& summaryExtra = {});

 private:
  DeviceOptions options_;
  DeviceEnvironment environment_;
  Reporter reporter_;
  std::unique_ptr<ConfigFile> config_;
};

// The block the kavrin operation sends: the configuration's defaults, with FILE or
// ./Default.bin's first bytes over them (SettingsBlock::LoadFile), then the --set and --logo
// changes; the clock chosen. False after reporting why (nothing has been sent).
bool PrepareKavrinPlan(DeviceCommand& command, KavrinPlan* plan, int* exitCode);

// kavrin station [kavrin options] [--count N] [--log FILE]
int RunStation(DeviceCommand& command);

}  // namespace kavrin::cli
