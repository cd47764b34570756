#include "cli/device_command.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include "cli/block_file.h"
#include "cli/block_report.h"
#include "cli/commands.h"
#include "cli/config_loader.h"
#include "cli/setting_options.h"
#include "config/file_io.h"
#include "config/file_util.h"
#include "config/sha256.h"
#include "device/platform_backend.h"
#include "ops/settings_rules.h"

namespace kavrin::cli {
namespace {

// Worth waiting for: a recorder that may still be plugged in or given its permissions.
bool MayComeLater(Reason reason) {
  return reason == Reason::kNoRecorder || reason == Reason::kNoSuchDevice ||
         reason == Reason::kPermission;
}

}  // namespace

DeviceCommand::DeviceCommand(std::string name, const DeviceOptions& options,
                             const DeviceEnvironment& environment)
    : options_(options),
      environment_(environment),
      reporter_(std::move(name), options.json, std::cout, std::cerr) {}

bool DeviceCommand::LoadConfiguration(int* exitCode) {
  std::string error;
  config_ = LoadConfigForCommand(options_.configPath, &error);
  if (config_) return true;
  *exitCode = reporter_.Fail(Reason::kConfigUnreadable, error, kExitFailed);
  return false;
}

bool DeviceCommand::ParseSelectors(std::vector<DeviceSelector>* selectors, int* exitCode) {
  for (const std::string& text : options_.devices) {
    std::string error;
    std::optional<DeviceSelector> selector = DeviceSelector::Parse(text, &error);
    if (!selector) {
      *exitCode = reporter_.Fail(Reason::kUsage, error, kExitUsage);
      return false;
    }
    selectors->push_back(std::move(*selector));
  }
  return true;
}

DeviceListing DeviceCommand::List() const {
  const std::unique_ptr<VideoInputBackend> backend = environment_.makeBackend();
  return ListDevices(*backend, *config_);
}

Selection DeviceCommand::Select(const SelectionRequest& request) const {
  using Clock = std::chrono::steady_clock;
  const double waitSeconds = std::clamp(options_.waitSeconds, 0.0, 86400.0);
  // The monitor exists before the first look, so that no arrival goes unseen.
  std::unique_ptr<DeviceChangeMonitor> monitor;
  if (waitSeconds > 0 && environment_.makeMonitor) monitor = environment_.makeMonitor();
  const Clock::time_point deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                        std::chrono::duration<double>(waitSeconds));
  for (;;) {
    Selection selection = SelectRecorders(List(), *config_, request);
    const Clock::time_point now = Clock::now();
    if (selection.Selected() || !MayComeLater(selection.failure) || now >= deadline) {
      return selection;
    }
    // Also looks again every second, should a change go unreported.
    WaitForDeviceChange(
        monitor.get(),
        std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now),
                 std::chrono::milliseconds(1000)));
  }
}

int DeviceCommand::Refuse(const Selection& selection) {
  return reporter_.Fail(selection.failure, selection.message, kExitFailed, selection.details);
}

int DeviceCommand::Run(const Selection& selection, bool many, const UnitOperation& operation,
                       const Json& summaryExtra) {
  if (!selection.note.empty()) reporter_.Note(selection.note);
  const RunTally tally = RunUnits(selection.units, environment_.makeBackend, operation,
                                  [this, many](const UnitResult& result) {
                                    if (many) {
                                      ReportUnit(reporter_, result);
                                    } else {
                                      ReportSingle(reporter_, result);
                                    }
                                  });
  if (many) ReportSummary(reporter_, tally, summaryExtra);
  return tally.failed == 0 ? kExitOk : kExitFailed;
}

namespace {

// Where a block file named on the command line, or ./Default.bin, is, and its fingerprint;
// false with *error when it cannot be read for the hash.
bool FileOrigin(SettingsSource::Kind kind, const std::filesystem::path& path,
                SettingsSource* origin, std::string* error) {
  origin->kind = kind;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  origin->path = PathToUtf8(ec ? path : absolute);
  const std::optional<std::string> sha256 = Sha256OfFile(path);
  if (!sha256) {
    *error = "cannot read " + PathToUtf8(path) + " for its SHA-256";
    return false;
  }
  origin->sha256 = *sha256;
  return true;
}

}  // namespace

bool PrepareKavrinPlan(DeviceCommand& command, KavrinPlan* plan, int* exitCode) {
  const DeviceOptions& options = command.Options();
  const ConfigFile& config = command.Config();
  Reporter& out = command.Out();
  plan->block = ops::DefaultBlock(config);
  plan->source = "the configuration's defaults";
  plan->force = options.force;
  plan->setKavrinFlag = options.setKavrinFlag;
  plan->verify = options.verify;
  const std::filesystem::path defaultBin = MakeLocalPath("Default.bin");
  if (!options.blockPath.empty()) {
    std::string error;
    const std::optional<BlockFile> file = ReadWholeBlockFile(options.blockPath, &error);
    if (!file) {
      *exitCode = out.Fail(Reason::kBlockFile, error, kExitFailed);
      return false;
    }
    plan->block = file->block;
    plan->source = options.blockPath;
    if (!FileOrigin(SettingsSource::Kind::kFile, PathFromUtf8(options.blockPath), &plan->origin,
                    &error)) {
      *exitCode = out.Fail(Reason::kBlockFile, error, kExitFailed);
      return false;
    }
  } else if (CheckReadable(defaultBin).fault != FileFault::Missing) {
    // Default.bin's first bytes go over the defaults whatever its size, but not silently; one
    // that is there but cannot be read is what the operator means to send, so it is a
    // refusal, not a quiet switch to the configuration's defaults.
    SettingsBlock::FileSize size;
    if (const FileOutcome read = plan->block.LoadFile(defaultBin, &size); !read) {
      *exitCode = out.Fail(Reason::kBlockFile, CannotReadText(defaultBin, read), kExitFailed);
      return false;
    }
    if (!size.Whole()) {
      BlockFile described;
      described.size = size;
      out.Note("warning: " + described.SizeProblem(defaultBin.string()) +
               "; its bytes went over the defaults");
    }
    plan->source = defaultBin.string();
    std::string error;
    if (!FileOrigin(SettingsSource::Kind::kDefaultBin, defaultBin, &plan->origin, &error)) {
      *exitCode = out.Fail(Reason::kBlockFile, error, kExitFailed);
      return false;
    }
  }
  // As the window shows a loaded block in its lists and sends what they hold; the operator's
  // changes come after.
  ops::NormalizeForSending(config, plan->block);
  if (!ApplySettingChanges(config, options.settings, options.logoGiven ? &options.logo : nullptr,
                           &plan->block, out, exitCode)) {
    return false;
  }
  plan->changes = options.settings;
  if (options.logoGiven) plan->changes.push_back("logo=" + options.logo);
  const std::optional<ClockChoice> clock = ClockChoice::Parse(options.clock);
  if (!clock) {
    *exitCode = out.Fail(Reason::kInvalidClock,
                         "--clock \"" + options.clock +
                             "\" is none of now, utc or a date and time YYYY-MM-DDTHH:MM:SS "
                             "that can be",
                         kExitUsage);
    return false;
  }
  plan->clock = *clock;
  return true;
}

}  // namespace kavrin::cli
