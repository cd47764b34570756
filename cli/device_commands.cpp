// kavrin devices / info / test / read / write / kavrin / station: recorders from the command
// line, found by name (CaptureDevice) and addressed with -d, --all or station mode.
// With KAVRIN_SIMULATOR set they run on the simulator.
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/block_file.h"
#include "cli/commands.h"
#include "cli/device_command.h"
#include "cli/dry_run.h"
#include "cli/session.h"
#include "cli/setting_options.h"
#include "cli/verify_operation.h"
#include "config/file_io.h"
#include "config/trace.h"
#include "ops/settings_rules.h"

namespace kavrin::cli {
namespace {

// The trace lines the window writes to its console go to stderr with --verbose; units on
// several threads write whole lines.
class VerboseTrace {
 public:
  explicit VerboseTrace(bool on) : on_(on) {
    if (on_) {
      SetTraceSink([](std::string_view text) {
        static std::mutex mutex;
        std::lock_guard<std::mutex> lock(mutex);
        std::cerr << text;
      });
    }
  }
  ~VerboseTrace() {
    if (on_) SetTraceSink({});
  }
  VerboseTrace(const VerboseTrace&) = delete;
  VerboseTrace& operator=(const VerboseTrace&) = delete;

 private:
  bool on_;
};

// A file name without what would lead it elsewhere.
std::string FileNamePart(std::string text) {
  for (char& c : text) {
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  }
  return text;
}

// read -o: {serial}, {port} and {index} (1 for the first recorder selected) filled in.
std::string ExpandOutputPattern(const std::string& pattern, const VideoInput& unit,
                                std::size_t index) {
  const std::pair<std::string, std::string> fields[] = {{"{serial}", FileNamePart(unit.serial)},
                                                        {"{port}", FileNamePart(unit.port)},
                                                        {"{index}", std::to_string(index + 1)}};
  std::string path;
  for (std::size_t at = 0; at < pattern.size();) {
    bool replaced = false;
    for (const auto& [field, value] : fields) {
      if (pattern.compare(at, field.size(), field) == 0) {
        path += value;
        at += field.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) path += pattern[at++];
  }
  return path;
}

// Which file an output path names, whatever the name: an existing file by its identity (two
// names, one file: a link, a case-insensitive file system), a new one by its folder's
// identity and its name.
std::pair<FileIdentity, std::string> OutputFileKey(const std::string& path) {
  if (const std::optional<FileIdentity> file = IdentifyFile(path)) return {*file, std::string()};
  const std::filesystem::path name(path);
  const std::filesystem::path folder = name.has_parent_path() ? name.parent_path() : ".";
  if (const std::optional<FileIdentity> place = IdentifyFile(folder)) {
    return {*place, name.filename().string()};
  }
  return {FileIdentity{}, path};  // no folder yet: the names alone tell
}

// The recorders a command acts on, after its configuration is loaded. False after reporting
// why.
bool Prepare(DeviceCommand& command, bool writes, SelectionRequest* request, Selection* selection,
             int* exitCode) {
  if (!command.ParseSelectors(&request->selectors, exitCode)) return false;
  request->all = command.Options().all;
  request->writes = writes;
  *selection = command.Select(*request);
  if (selection->Selected()) return true;
  *exitCode = command.Refuse(*selection);
  return false;
}

int RunDevices(const DeviceOptions& options, const DeviceEnvironment& environment) {
  DeviceCommand command("devices", options, environment);
  int exitCode = kExitFailed;
  if (!command.LoadConfiguration(&exitCode)) return exitCode;
  const DeviceListing listing = command.List();
  const bool found = AnyRecorder(listing);
  if (options.json) {
    Json document = DocumentHead("devices", found);
    MergeFields(document, DeviceListingJson(listing, command.Config()));
    if (!found) {
      AddFailure(document, PermissionProblem(listing) ? Reason::kPermission : Reason::kNoRecorder,
                 "no usable recorder: " + ExplainNoRecorder(listing, command.Config()));
    }
    command.Out().Document(document);
  } else {
    std::ostringstream text;
    PrintDeviceListing(listing, command.Config(), text);
    command.Out().Text(text.str());
    if (!found)
      command.Out().Note("no usable recorder: " + ExplainNoRecorder(listing, command.Config()));
  }
  return found ? kExitOk : kExitFailed;
}

namespace {

using UnitQuery = UnitResult (*)(const DeviceRow&, VideoInputBackend&, const ConfigFile&);

// info and test: a query that only reads, asked of every recorder selected.
int RunQuery(const char* name, UnitQuery query, const DeviceOptions& options,
             const DeviceEnvironment& environment) {
  DeviceCommand command(name, options, environment);
  SelectionRequest request;
  Selection selection;
  int exitCode = kExitFailed;
  if (!command.LoadConfiguration(&exitCode)) return exitCode;
  if (!Prepare(command, false, &request, &selection, &exitCode)) return exitCode;
  return command.Run(selection, request.Many(),
                     [&](const DeviceRow& unit, std::size_t, VideoInputBackend& backend) {
                       return query(unit, backend, command.Config());
                     });
}

}  // namespace

int RunInfo(const DeviceOptions& options, const DeviceEnvironment& environment) {
  return RunQuery("info", RunInfoOn, options, environment);
}

int RunTest(const DeviceOptions& options, const DeviceEnvironment& environment) {
  return RunQuery("test", RunTestOn, options, environment);
}

int RunRead(const DeviceOptions& options, const DeviceEnvironment& environment) {
  DeviceCommand command("read", options, environment);
  SelectionRequest request;
  Selection selection;
  int exitCode = kExitFailed;
  if (!command.LoadConfiguration(&exitCode)) return exitCode;
  if (!Prepare(command, false, &request, &selection, &exitCode)) return exitCode;
  // Every recorder its own file: a pattern that gives two of them one name is refused
  // before anything is read.
  std::set<std::string> paths;
  std::set<std::pair<FileIdentity, std::string>> files;
  for (std::size_t i = 0; i < selection.units.size(); ++i) {
    const std::string path = ExpandOutputPattern(options.outputPath, selection.units[i].input, i);
    if (!paths.insert(path).second || !files.insert(OutputFileKey(path)).second) {
      return command.Out().Fail(Reason::kUsage,
                                "-o " + options.outputPath +
                                    " gives several recorders the same file; use {serial}, "
                                    "{port} or {index} in it",
                                kExitUsage);
    }
  }
  return command.Run(selection, request.Many(),
                     [&](const DeviceRow& unit, std::size_t index, VideoInputBackend& backend) {
                       return RunReadOn(unit, backend, command.Config(),
                                        ExpandOutputPattern(options.outputPath, unit.input, index));
                     });
}

int RunWrite(const DeviceOptions& options, const DeviceEnvironment& environment) {
  DeviceCommand command("write", options, environment);
  int exitCode = kExitFailed;
  if (!command.LoadConfiguration(&exitCode)) return exitCode;
  WritePlan plan;
  std::string error;
  const std::optional<BlockFile> file = ReadWholeBlockFile(options.blockPath, &error);
  if (!file) return command.Out().Fail(Reason::kBlockFile, error, kExitFailed);
  plan.block = file->block;
  // What the window's lists would send for this block.
  ops::NormalizeForSending(command.Config(), plan.block);
  plan.source = options.blockPath;
  plan.force = options.force;
  plan.verify = options.verify;
  SelectionRequest request;
  Selection selection;
  if (!Prepare(command, true, &request, &selection, &exitCode)) return exitCode;
  if (options.dryRun) {
    return RunDryRun(command, selection, request.Many(), [&] { return WriteSending(plan); });
  }
  return command.Run(selection, request.Many(),
                     [&](const DeviceRow& unit, std::size_t, VideoInputBackend& backend) {
                       return RunWriteOn(unit, backend, command.Config(), plan);
                     });
}

int RunKavrin(const DeviceOptions& options, const DeviceEnvironment& environment) {
  DeviceCommand command("kavrin", options, environment);
  int exitCode = kExitFailed;
  if (!command.LoadConfiguration(&exitCode)) return exitCode;
  KavrinPlan plan;
  if (!PrepareKavrinPlan(command, &plan, &exitCode)) return exitCode;
  SelectionRequest request;
  Selection selection;
  if (!Prepare(command, true, &request, &selection, &exitCode)) {
    Trace("\nkavrin condition fail\n");
    return exitCode;
  }
  if (options.dryRun) {
    return RunKavrinDryRun(command, plan, selection, request.Many());
  }
  // A batch is a session with records, as the station's.
  if (request.Many()) return RunKavrinSession(command, plan, selection);
  return command.Run(selection, request.Many(),
                     [&](const DeviceRow& unit, std::size_t, VideoInputBackend& backend) {
                       return RunKavrinOn(unit, backend, command.Config(), plan);
                     });
}

int RunVerify(const DeviceOptions& options, const DeviceEnvironment& environment) {
  DeviceCommand command("verify", options, environment);
  int exitCode = kExitFailed;
  if (!command.LoadConfiguration(&exitCode)) return exitCode;
  VerifyPlan plan;
  std::string error;
  const std::optional<BlockFile> file = ReadWholeBlockFile(options.blockPath, &error);
  if (!file) return command.Out().Fail(Reason::kBlockFile, error, kExitFailed);
  plan.expected = file->block;
  // What the file would put in the recorder, sent as write sends it.
  ops::NormalizeForSending(command.Config(), plan.expected);
  plan.source = options.blockPath;
  SelectionRequest request;
  Selection selection;
  if (!Prepare(command, false, &request, &selection, &exitCode)) return exitCode;
  return command.Run(selection, request.Many(),
                     [&](const DeviceRow& unit, std::size_t, VideoInputBackend& backend) {
                       return RunVerifyOn(unit, backend, command.Config(), plan);
                     });
}

int RunStationCommand(const DeviceOptions& options, const DeviceEnvironment& environment) {
  DeviceCommand command("station", options, environment);
  return RunStation(command);
}

// The options every device command shares.
void AddCommonOptions(CLI::App* command, DeviceOptions* options, bool selects, bool waits) {
  AddConfigOption(command, &options->configPath);
  command->add_flag("--json", options->json,
                    "Print one JSON document (one line per recorder and a summary with --all)");
  command->add_flag("-v,--verbose", options->verbose, "Write the trace lines to stderr");
  if (selects) {
    command
        ->add_option("-d,--device", options->devices,
                     "The recorder: node (/dev/video2), /dev/v4l link, serial:SN or port:1-2.3; "
                     "repeat for several")
        ->allow_extra_args(false);
  }
  if (waits) {
    CLI::Option* all =
        command->add_flag("--all", options->all, "Every recorder present, in parallel");
    if (selects) all->excludes("--device");
    command
        ->add_option("--wait", options->waitSeconds,
                     "Wait up to this many seconds for the recorder to be plugged in")
        ->check(CLI::Range(0.0, 86400.0));
  }
}

void AddDryRunOption(CLI::App* command, DeviceOptions* options) {
  command->add_flag("--dry-run", options->dryRun,
                    "Print what would be sent to each selected recorder and send nothing (no "
                    "engine test, no transfer at all)");
}

// The options of the kavrin operation, shared by `kavrin` and `station`.
void AddKavrinOptions(CLI::App* command, DeviceOptions* options) {
  command->add_option("FILE", options->blockPath,
                      "Block file with the settings, exactly 112 bytes (default ./Default.bin, "
                      "else the configuration's defaults)");
  AddSettingChangeOptions(command, &options->settings, &options->logo, &options->logoGiven);
  command->add_option("--clock", options->clock,
                      "now (local time, the default), utc, or YYYY-MM-DDTHH:MM:SS");
  command->add_flag("--verify", options->verify,
                    "Read the settings back after the commit and compare them");
  command->add_flag("--force", options->force, "Proceed even when an engine test is NG");
  command->add_flag("--set-kavrin-flag", options->setKavrinFlag,
                    "Commit with 1 (sets the recorder's kavrin flag) instead of 2");
  command->add_option("--station", options->stationName,
                      "The station's name in the records (default: the host name)");
  AddDryRunOption(command, options);
}

}  // namespace

void AddDeviceCommands(CLI::App& app, int* exitCode, const DeviceEnvironment& environment) {
  auto options = std::make_shared<DeviceOptions>();
  auto run = [options, exitCode,
              environment](int (*command)(const DeviceOptions&, const DeviceEnvironment&)) {
    return [options, exitCode, environment, command] {
      VerboseTrace trace(options->verbose);
      *exitCode = command(*options, environment);
    };
  };

  CLI::App* devices = app.add_subcommand(
      "devices",
      "List the video inputs with their addresses, the configured name each matches and "
      "whether it is a usable recorder (exit 1 when none is)");
  AddCommonOptions(devices, options.get(), false, false);
  devices->callback(run(RunDevices));

  CLI::App* info = app.add_subcommand("info", "Show the recorder's information rows");
  AddCommonOptions(info, options.get(), true, true);
  info->callback(run(RunInfo));

  CLI::App* test = app.add_subcommand("test", "Run the engine tests (exit 1 when any is NG)");
  AddCommonOptions(test, options.get(), true, true);
  test->callback(run(RunTest));

  CLI::App* read = app.add_subcommand("read", "Read the recorder's settings into a block file");
  AddCommonOptions(read, options.get(), true, true);
  read->add_option("-o,--output", options->outputPath,
                   "Block file to write; with several recorders a pattern with {serial}, "
                   "{port} or {index}")
      ->required();
  read->callback(run(RunRead));

  CLI::App* write = app.add_subcommand(
      "write",
      "Send the settings of a block file and commit them with 1 (the hidden Write button)");
  AddCommonOptions(write, options.get(), true, true);
  write->add_option("FILE", options->blockPath, "Block file to send, exactly 112 bytes")
      ->required();
  write->add_flag("--verify", options->verify,
                  "Read the settings back after the commit and compare them");
  write->add_flag("--force", options->force, "Proceed even when an engine test is NG");
  AddDryRunOption(write, options.get());
  write->callback(run(RunWrite));

  CLI::App* verify = app.add_subcommand(
      "verify",
      "Read the recorder's settings and compare them item by item with a block file, sending "
      "nothing (exit 1 when any differs)");
  AddCommonOptions(verify, options.get(), true, true);
  verify->add_option("FILE", options->blockPath, "Block file to compare with, exactly 112 bytes")
      ->required();
  verify->callback(run(RunVerify));

  CLI::App* kavrin = app.add_subcommand(
      "kavrin", "Set the recorder's clock and write the settings, as the Kavrin button does");
  AddCommonOptions(kavrin, options.get(), true, true);
  AddKavrinOptions(kavrin, options.get());
  kavrin->callback(run(RunKavrin));

  CLI::App* station = app.add_subcommand(
      "station",
      "Program every recorder present, then each one plugged in, once per plug-in, until "
      "interrupted (SIGINT, SIGTERM or SIGHUP end it after the unit in progress)");
  AddCommonOptions(station, options.get(), true, false);
  AddKavrinOptions(station, options.get());
  station->add_option("--count", options->count, "Stop after this many units")
      ->check(CLI::Range(1u, 1000000000u));
  station->add_option("--log", options->logPath,
                      "Append the session to this file: a start record, one JSON record per "
                      "unit, the summary");
  station->callback(run(RunStationCommand));
}

}  // namespace kavrin::cli
