// kavrin station: the loop a line operator leaves running all shift. It programs the
// recorders present when it starts, then each recorder plugged in afterwards, once: a unit
// that stays plugged in is never programmed twice, one unplugged and plugged in again is
// programmed again. SIGINT and SIGTERM end it after the units in progress.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "cli/commands.h"
#include "cli/device_command.h"
#include "config/file_util.h"
#include "device/platform_backend.h"

namespace kavrin::cli {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int) { stopRequested = 1; }

// SIGINT and SIGTERM ask the station to stop for the span of the loop.
class StopSignals {
 public:
  StopSignals() {
    stopRequested = 0;
    previousInterrupt_ = std::signal(SIGINT, RequestStop);
    previousTerminate_ = std::signal(SIGTERM, RequestStop);
  }
  ~StopSignals() {
    std::signal(SIGINT, previousInterrupt_);
    std::signal(SIGTERM, previousTerminate_);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  bool Requested() const { return stopRequested != 0; }

 private:
  void (*previousInterrupt_)(int) = SIG_DFL;
  void (*previousTerminate_)(int) = SIG_DFL;
};

// The log named as UTF-8 text: on Windows opened by its UTF-16 name, as every other file.
std::FILE* OpenForAppending(const std::string& path) {
#ifdef _WIN32
  return _wfopen(PathFromUtf8(path).c_str(), L"a");
#else
  return std::fopen(PathFromUtf8(path).c_str(), "a");
#endif
}

// --log: one JSON record per unit, appended and flushed as each unit finishes.
class StationLog {
 public:
  bool Open(const std::string& path, std::string* error) {
    if (path.empty()) return true;
    path_ = path;
    errno = 0;
    file_ = OpenForAppending(path);
    if (file_ == nullptr) *error = "cannot open the log " + path + ": " + std::strerror(errno);
    return file_ != nullptr;
  }
  ~StationLog() {
    if (file_ != nullptr) std::fclose(file_);
  }
  // False when the record could not be written.
  bool Append(const Json& record) {
    if (file_ == nullptr) return true;
    const std::string line = record.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
    return std::fputs(line.c_str(), file_) >= 0 && std::fflush(file_) == 0;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
};

bool Selected(const std::vector<DeviceSelector>& selectors, const VideoInput& input) {
  if (selectors.empty()) return true;
  for (const DeviceSelector& selector : selectors) {
    if (selector.Matches(input)) return true;
  }
  return false;
}

}  // namespace

int RunStation(DeviceCommand& command) {
  int exitCode = kExitFailed;
  if (!command.LoadConfiguration(&exitCode)) return exitCode;
  KavrinPlan plan;
  if (!PrepareKavrinPlan(command, &plan, &exitCode)) return exitCode;
  std::vector<DeviceSelector> selectors;
  if (!command.ParseSelectors(&selectors, &exitCode)) return exitCode;
  Reporter& out = command.Out();
  StationLog log;
  std::string error;
  if (!log.Open(command.Options().logPath, &error)) {
    return out.Fail(Reason::kLogUnwritable, error, kExitFailed);
  }
  const unsigned count = command.Options().count;
  const StopSignals signals;
  const std::unique_ptr<DeviceChangeMonitor> monitor =
      command.Environment().makeMonitor ? command.Environment().makeMonitor() : nullptr;

  std::map<std::string, VideoInput> handled;  // programmed and still plugged in, by unit key
  std::set<std::string> waitingNoted;         // named inputs not usable yet, said once
  RunTally tally;
  bool logFailed = false;
  std::string stoppedBy = "signal";
  out.Note(std::string("station: programming recorders as they are plugged in") +
           (count > 0 ? ", " + std::to_string(count) + " in all" : std::string()) +
           "; Ctrl-C ends after the unit in progress");
  while (!signals.Requested()) {
    const DeviceListing listing = command.List();
    std::set<std::string> presentKeys;
    for (const DeviceRow& row : listing.rows) presentKeys.insert(UnitKey(row.input));
    // A unit that has left may come back, and is then programmed again.
    for (auto it = handled.begin(); it != handled.end();) {
      if (presentKeys.contains(it->first)) {
        ++it;
        continue;
      }
      out.Note("gone: " + AddressText(it->second));
      it = handled.erase(it);
    }
    std::vector<DeviceRow> arrived;
    for (const DeviceRow& row : listing.rows) {
      const std::string key = UnitKey(row.input);
      if (handled.contains(key) || !Selected(selectors, row.input)) continue;
      if (!row.IsRecorder()) {
        // Named like the recorder but not usable yet (permissions still being set): looked
        // at again on every pass, said once.
        if (row.nameIndex >= 0 && waitingNoted.insert(key).second) {
          out.Note("waiting: " + AddressText(row.input) + " cannot be used yet: " +
                   row.WhyNotUsable());
        }
        continue;
      }
      waitingNoted.erase(key);
      if (count > 0 && tally.Units() + arrived.size() >= count) break;
      arrived.push_back(row);
    }
    if (!arrived.empty()) {
      for (const DeviceRow& row : arrived) handled[UnitKey(row.input)] = row.input;
      const RunTally batch = RunUnits(
          arrived, command.Environment().makeBackend,
          [&](const DeviceRow& unit, std::size_t, VideoInputBackend& backend) {
            return RunKavrinOn(unit, backend, command.Config(), plan);
          },
          [&](const UnitResult& result) {
            ReportUnit(out, result);
            Json record = UnitJson("station", result);
            record["time"] = ClockText(ClockChoice().Time());
            if (!log.Append(record) && !logFailed) {
              logFailed = true;
              out.Note("cannot append to the log " + log.Path() + "; the station stops");
            }
          });
      tally.succeeded += batch.succeeded;
      tally.failed += batch.failed;
      if (logFailed) {
        stoppedBy = "log";
        break;
      }
      if (count > 0 && tally.Units() >= count) {
        stoppedBy = "count";
        break;
      }
      continue;  // more may have come meanwhile
    }
    // Also looks again every second, should a change go unreported.
    WaitForDeviceChange(monitor.get(), std::chrono::milliseconds(1000));
  }
  Json extra = Json{{"stoppedBy", stoppedBy}};
  if (logFailed) AddFailure(extra, Reason::kLogUnwritable, "cannot append to the log " + log.Path());
  ReportSummary(out, tally, extra);
  return tally.failed == 0 && !logFailed ? kExitOk : kExitFailed;
}

}  // namespace kavrin::cli
