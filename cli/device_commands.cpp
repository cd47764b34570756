// kavrin devices / info / test / read / write / kavrin: the recorder from the command line,
// attached as the window attaches it. With KAVRIN_SIMULATOR set they run on the simulator.
#include <poll.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "block/settings_block.h"
#include "cli/block_report.h"
#include "cli/commands.h"
#include "cli/config_loader.h"
#include "cli/device_report.h"
#include "cli/setting_assignment.h"
#include "config/config_file.h"
#include "config/file_util.h"
#include "config/text_codec.h"
#include "config/trace.h"
#include "device/device_link.h"
#include "device/platform_backend.h"

namespace kavrin::cli {
namespace {

using nlohmann::json;

struct DeviceOptions {
  std::string configPath;  // empty: ./KAVRIN_CFG.ini, else the built-in default
  bool json = false;
  bool verbose = false;
  double waitSeconds = 0;
  std::string outputPath;             // read -o
  std::string blockPath;              // write FILE, kavrin [FILE]
  std::vector<std::string> settings;  // kavrin --set ITEM=OPTION
  bool force = false;
  bool setKavrinFlag = false;
};


// The trace lines the window writes to its console go to stderr with --verbose.
class VerboseTrace {
 public:
  explicit VerboseTrace(bool on) : on_(on) {
    if (on_) SetTraceSink([](std::string_view text) { std::cerr << text; });
  }
  ~VerboseTrace() {
    if (on_) SetTraceSink({});
  }
  VerboseTrace(const VerboseTrace&) = delete;
  VerboseTrace& operator=(const VerboseTrace&) = delete;

 private:
  bool on_;
};

// Waits up to `timeout` for a device change; without a monitor it just waits.
void WaitForDeviceChange(DeviceChangeMonitor* monitor, std::chrono::milliseconds timeout) {
  const int fd = monitor != nullptr ? monitor->Descriptor() : -1;
  if (fd < 0) {
    std::this_thread::sleep_for(timeout);
    return;
  }
  pollfd watched{fd, POLLIN, 0};
  if (::poll(&watched, 1, static_cast<int>(timeout.count())) > 0 && monitor->ConsumeEvents()) {
    // One recorder brings several nodes: let the burst settle before attaching.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    monitor->ConsumeEvents();
  }
}

// The device link with the configured names, attached as the window attaches it.
class RecorderSession {
 public:
  explicit RecorderSession(const ConfigFile& config)
      : config_(config), backend_(MakeVideoInputBackend()), link_(*backend_) {
    for (uint32_t i = 0; i < config.friendlyNameCount && i < ConfigBounds::kMaxDeviceNames; ++i) {
      link_.AddDeviceName(config.friendlyNames[i].c_str());
    }
  }

  // Attaches, waiting up to waitSeconds for the recorder to come; says why on failure.
  bool Attach(double waitSeconds) {
    using Clock = std::chrono::steady_clock;
    // The monitor exists before the first try, so that no arrival goes unseen.
    std::unique_ptr<DeviceChangeMonitor> monitor;
    if (waitSeconds > 0) monitor = MakeDeviceChangeMonitor();
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(std::min(waitSeconds, 86400.0)));
    while (link_.Attach() != 1) {
      const Clock::time_point now = Clock::now();
      if (now >= deadline) {
        std::cerr << "kavrin: no recorder attached: "
                  << ExplainNoRecorder(ListDevices(*backend_, config_), config_) << '\n';
        return false;
      }
      // Also tries again every second, should a change go unreported.
      WaitForDeviceChange(
          monitor.get(),
          std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now),
                   std::chrono::milliseconds(1000)));
    }
    return true;
  }

  DeviceLink& Link() { return link_; }
  VideoInputBackend& Backend() { return *backend_; }
  std::string AttachedName() const { return ToUtf8(link_.AttachedInput().friendlyName); }

 private:
  const ConfigFile& config_;
  std::unique_ptr<VideoInputBackend> backend_;
  DeviceLink link_;
};

// " (the recorder is busy: ...)" after a failed command's own words, when there is a reason
// beyond a failed transfer.
std::string Because(const DeviceLink& link) {
  const std::string reason = LinkFailureReason(link);
  return reason.empty() ? std::string() : " (" + reason + ")";
}

// Readiness as the window's: attached, and no engine test NG unless forced.
bool Ready(const std::vector<TestVerdict>& verdicts, bool force) {
  if (!AnyTestFailed(verdicts) || force) return true;
  if (std::any_of(verdicts.begin(), verdicts.end(), [](const TestVerdict& v) { return v.busy; })) {
    Trace("\nnot all items pass engine test\n");
    std::cerr << "kavrin: refused: the engine tests could not be asked: the recorder is busy "
                 "(another program is using it; try again when it has finished)\n";
    return false;
  }
  Trace("\nnot all items pass engine test\n");
  std::cerr << "kavrin: refused: engine test NG:";
  for (const TestVerdict& v : verdicts) {
    if (!v.Pass()) std::cerr << ' ' << HexCode(v.testCode, 4) << " \"" << v.title << '"';
  }
  std::cerr << " (--force proceeds anyway)\n";
  return false;
}

std::string DeviceAreaHex(const SettingsBlock& block, std::string_view separator) {
  std::string text;
  for (uint8_t b : block.DeviceArea()) {
    if (!text.empty()) text += separator;
    text += HexCode(b, 2).substr(2);
  }
  return text;
}

std::string ClockText(const LocalTime& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  return text;
}

int RunDevices(const DeviceOptions& options) {
  const std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.configPath);
  if (!config) return kExitFailed;
  const std::unique_ptr<VideoInputBackend> backend = MakeVideoInputBackend();
  const DeviceListing listing = ListDevices(*backend, *config);
  PrintDeviceListing(listing, *config, options.json, std::cout);
  const bool found = std::any_of(listing.rows.begin(), listing.rows.end(),
                                 [](const DeviceRow& row) { return row.IsRecorder(); });
  return found ? kExitOk : kExitFailed;
}

int RunInfo(const DeviceOptions& options) {
  const std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.configPath);
  if (!config) return kExitFailed;
  RecorderSession session(*config);
  if (!session.Attach(options.waitSeconds)) return kExitFailed;
  const std::vector<InfoAnswer> rows = QueryInformation(session.Link(), *config);
  PrintInformation(rows, options.json, std::cout);
  int status = kExitOk;
  for (const InfoAnswer& row : rows) {
    if (row.ok) continue;
    std::cerr << "kavrin: the recorder did not answer \"" << row.title << "\" (command "
              << row.commandCode << ")" << (row.busy ? " (the recorder is busy: another "
                                                       "program is using it)"
                                                     : "")
              << "\n";
    status = kExitFailed;
  }
  return status;
}

int RunTest(const DeviceOptions& options) {
  const std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.configPath);
  if (!config) return kExitFailed;
  RecorderSession session(*config);
  if (!session.Attach(options.waitSeconds)) return kExitFailed;
  const std::vector<TestVerdict> verdicts = RunEngineTests(session.Link(), *config);
  PrintTests(verdicts, options.json, std::cout);
  return AnyTestFailed(verdicts) ? kExitFailed : kExitOk;
}

int RunRead(const DeviceOptions& options) {
  const std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.configPath);
  if (!config) return kExitFailed;
  RecorderSession session(*config);
  if (!session.Attach(options.waitSeconds)) return kExitFailed;
  SettingsBlock block;  // the note area stays zero: the recorder does not hold it
  if (session.Link().ReadData(block.Bytes().data(), SettingsBlock::kDeviceAreaSize) != 1) {
    std::cerr << "kavrin: reading the settings failed" << Because(session.Link()) << "; "
              << options.outputPath << " was not written\n";
    return kExitFailed;
  }
  DumpHex(block.Bytes().data(), SettingsBlock::kDeviceWords, 1);
  if (!SaveBlockForCommand(block, options.outputPath)) return kExitFailed;
  if (options.json) {
    PrintBlockReport(*config, block, true, std::cout);
  } else {
    std::cout << "Read " << SettingsBlock::kDeviceAreaSize << " bytes from \""
              << session.AttachedName() << "\" into " << options.outputPath << '\n';
  }
  return kExitOk;
}

int RunWrite(const DeviceOptions& options) {
  const std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.configPath);
  if (!config) return kExitFailed;
  SettingsBlock block;
  if (!LoadBlockForCommand(options.blockPath, &block)) return kExitFailed;
  RecorderSession session(*config);
  if (!session.Attach(options.waitSeconds)) return kExitFailed;
  if (!Ready(RunEngineTests(session.Link(), *config), options.force)) return kExitFailed;
  // The window's "Write" button: the settings alone, committed with 1.
  if (session.Link().WriteData(block.Bytes().data(), SettingsBlock::kDeviceAreaSize, 1) != 1) {
    std::cerr << "kavrin: writing the settings failed" << Because(session.Link())
              << "; they were not committed\n";
    return kExitFailed;
  }
  std::cout << "Wrote " << SettingsBlock::kDeviceAreaSize << " bytes of " << options.blockPath
            << " to \"" << session.AttachedName() << "\", committed with 1\n";
  return kExitOk;
}

// The block the operation sends: the configuration's defaults, with FILE or ./Default.bin
// loaded over them as the window loads it, then the --set changes.
bool PrepareKavrinBlock(const DeviceOptions& options, const ConfigFile& config,
                        SettingsBlock* block, std::string* source, int* failure) {
  *block = MakeDefaultBlock(config);
  *source = "the configuration's defaults";
  const std::filesystem::path defaultBin = MakeLocalPath("Default.bin");
  if (!options.blockPath.empty()) {
    if (!LoadBlockForCommand(options.blockPath, block)) {
      *failure = kExitFailed;
      return false;
    }
    *source = options.blockPath;
  } else if (CheckReadable(defaultBin).fault != FileFault::Missing) {
    // A Default.bin that is there is what the operator means to send: one that cannot be
    // read is a refusal, not a quiet switch to the configuration's defaults.
    if (!LoadBlockForCommand(defaultBin.string(), block)) {
      *failure = kExitFailed;
      return false;
    }
    *source = defaultBin.string();
  }
  for (const std::string& assignment : options.settings) {
    const std::string error = ApplySettingAssignment(config, assignment, block);
    if (!error.empty()) {
      std::cerr << "kavrin: --set " << assignment << ": " << error << '\n';
      *failure = kExitUsage;
      return false;
    }
  }
  return true;
}

int RunKavrin(const DeviceOptions& options) {
  const std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.configPath);
  if (!config) return kExitFailed;
  SettingsBlock block;
  std::string source;
  int failure = kExitFailed;
  if (!PrepareKavrinBlock(options, *config, &block, &source, &failure)) return failure;

  RecorderSession session(*config);
  if (!session.Attach(options.waitSeconds)) {
    Trace("\nkavrin condition fail\n");
    return kExitFailed;
  }
  DeviceLink& link = session.Link();
  const std::vector<TestVerdict> verdicts = RunEngineTests(link, *config);
  if (!Ready(verdicts, options.force)) {
    Trace("\nkavrin condition fail\n");
    return kExitFailed;
  }
  // The clock first, then the settings and their commit, as the window sends them.
  const LocalTime now = LocalTime::Now();
  const bool clockSet = link.SetClock(now) == 1;
  const std::string clockBecause = Because(link);
  DumpHex(block.Bytes().data(), SettingsBlock::kDeviceWords, 1);
  const int commitValue = options.setKavrinFlag ? 1 : 2;
  const bool written = link.WriteData(block.Bytes().data(), SettingsBlock::kDeviceAreaSize,
                                      options.setKavrinFlag ? 1 : 0) == 1;
  const std::string writeBecause = Because(link);
  Trace(clockSet && written ? "\nkavrin finish\n" : "\nkavrin fail\n");

  if (options.json) {
    std::cout << json{{"ok", clockSet && written},
                      {"device", session.AttachedName()},
                      {"tests", TestsJson(verdicts)},
                      {"clock", ClockText(now)},
                      {"clockSet", clockSet},
                      {"settingsFrom", source},
                      {"settings", DeviceAreaHex(block, "")},
                      {"written", written},
                      {"commit", commitValue}}
                     .dump(2)
              << '\n';
  } else {
    std::cout << "Recorder: \"" << session.AttachedName() << "\"\n"
              << "Clock:    " << ClockText(now) << (clockSet ? "" : "  (failed)") << '\n'
              << "Settings: " << DeviceAreaHex(block, " ") << "\n          from " << source << '\n'
              << "Commit:   " << commitValue << (written ? "" : "  (not committed)") << '\n'
              << (clockSet && written ? "Kavrin finish !" : "Kavrin fail !") << '\n';
  }
  if (!clockSet) std::cerr << "kavrin: setting the recorder's clock failed" << clockBecause << '\n';
  if (!written) {
    std::cerr << "kavrin: writing the settings failed" << writeBecause
              << "; a write with a failed chunk is not committed\n";
  }
  return clockSet && written ? kExitOk : kExitFailed;
}

// The options every device command shares.
void AddCommonOptions(CLI::App* command, DeviceOptions* options, bool waits) {
  command->add_option("--file,--config", options->configPath,
                      "Configuration (default ./KAVRIN_CFG.ini, else the built-in default)");
  command->add_flag("--json", options->json, "Print one JSON object");
  command->add_flag("-v,--verbose", options->verbose, "Write the trace lines to stderr");
  if (waits) {
    command
        ->add_option("--wait", options->waitSeconds,
                     "Wait up to this many seconds for the recorder to be plugged in")
        ->check(CLI::Range(0.0, 86400.0));
  }
}

}  // namespace

void AddDeviceCommands(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<DeviceOptions>();
  auto run = [options, exitCode](int (*command)(const DeviceOptions&)) {
    return [options, exitCode, command] {
      VerboseTrace trace(options->verbose);
      *exitCode = command(*options);
    };
  };

  CLI::App* devices = app.add_subcommand(
      "devices",
      "List the video inputs, the configured name each matches and whether it carries "
      "the recorder's extension unit (exit 1 when no usable recorder is present)");
  AddCommonOptions(devices, options.get(), false);
  devices->callback(run(RunDevices));

  CLI::App* info = app.add_subcommand("info", "Show the recorder's information rows");
  AddCommonOptions(info, options.get(), true);
  info->callback(run(RunInfo));

  CLI::App* test = app.add_subcommand("test", "Run the engine tests (exit 1 when any is NG)");
  AddCommonOptions(test, options.get(), true);
  test->callback(run(RunTest));

  CLI::App* read = app.add_subcommand("read", "Read the recorder's settings into a block file");
  AddCommonOptions(read, options.get(), true);
  read->add_option("-o,--output", options->outputPath, "Block file to write")->required();
  read->callback(run(RunRead));

  CLI::App* write = app.add_subcommand(
      "write",
      "Send the settings of a block file and commit them with 1 (the hidden Write button)");
  AddCommonOptions(write, options.get(), true);
  write->add_option("FILE", options->blockPath, "Block file to send")->required();
  write->add_flag("--force", options->force, "Proceed even when an engine test is NG");
  write->callback(run(RunWrite));

  CLI::App* kavrin = app.add_subcommand(
      "kavrin", "Set the recorder's clock and write the settings, as the Kavrin button does");
  AddCommonOptions(kavrin, options.get(), true);
  kavrin->add_option("FILE", options->blockPath,
                     "Block file with the settings (default ./Default.bin, else the "
                     "configuration's defaults)");
  kavrin
      ->add_option("--set", options->settings,
                   "ITEM=OPTION: an item by section name or title, an option by text or index")
      ->take_all();
  kavrin->add_flag("--force", options->force, "Proceed even when an engine test is NG");
  kavrin->add_flag("--set-kavrin-flag", options->setKavrinFlag,
                   "Commit with 1 (sets the recorder's kavrin flag) instead of 2");
  kavrin->callback(run(RunKavrin));
}

}  // namespace kavrin::cli
