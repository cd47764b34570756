// kavrin station: the loop a line operator leaves running all shift. It programs the
// recorders present when it starts, then each recorder plugged in afterwards, once: a unit
// that stays plugged in is never programmed twice, one unplugged and plugged in again is
// programmed again. SIGINT, SIGTERM and SIGHUP (the terminal closed) end it after the units
// in progress, and so does a stdout that can no longer be written (its reader gone) or a log
// that can no longer be appended to: a line must not program units it cannot record. The log
// is the whole session: its start record first, each unit's record before the unit is
// reported, the summary last (cli/session.h).
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
#include "cli/dry_run.h"
#include "cli/session.h"
#include "cli/station_log.h"
#include "device/platform_backend.h"

namespace kavrin::cli {
namespace {

// The first signal that asked the station to stop; 0 for none.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void RequestStop(int signalNumber) {
  if (stopSignal == 0) stopSignal = signalNumber;
}

// SIGINT, SIGTERM and SIGHUP ask the station to stop for the span of the loop.
class StopSignals {
 public:
  StopSignals() {
    stopSignal = 0;
    previousInterrupt_ = std::signal(SIGINT, RequestStop);
    previousTerminate_ = std::signal(SIGTERM, RequestStop);
#ifdef SIGHUP  // POSIX: the terminal or the session went away
    previousHangUp_ = std::signal(SIGHUP, RequestStop);
#endif
  }
  ~StopSignals() {
    std::signal(SIGINT, previousInterrupt_);
    std::signal(SIGTERM, previousTerminate_);
#ifdef SIGHUP
    std::signal(SIGHUP, previousHangUp_);
#endif
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  bool Requested() const { return stopSignal != 0; }
  // "SIGINT", "SIGTERM", "SIGHUP": which one asked, for the summary.
  static std::string Name() {
    switch (stopSignal) {
      case SIGINT:
        return "SIGINT";
      case SIGTERM:
        return "SIGTERM";
#ifdef SIGHUP
      case SIGHUP:
        return "SIGHUP";
#endif
      default:
        break;
    }
    return "signal " + std::to_string(static_cast<int>(stopSignal));
  }

 private:
  void (*previousInterrupt_)(int) = SIG_DFL;
  void (*previousTerminate_)(int) = SIG_DFL;
  void (*previousHangUp_)(int) = SIG_DFL;
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
  plan.queryInformation = true;  // each record names the unit's model and versions
  std::vector<DeviceSelector> selectors;
  if (!command.ParseSelectors(&selectors, &exitCode)) return exitCode;
  if (command.Options().dryRun) return RunStationDryRun(command, plan, selectors);
  Reporter& out = command.Out();
  StationLog log;
  std::string error;
  if (!log.Open(command.Options().logPath, &error)) {
    return out.Fail(Reason::kLogUnwritable, error, kExitFailed);
  }
  Session session(command, plan);
  // The session's start is in the log before anything is programmed, or nothing is.
  if (!log.Append(session.StartRecord(), &error)) {
    return out.Fail(Reason::kLogUnwritable, error + "; nothing was programmed", kExitFailed);
  }
  session.Announce(out);
  const unsigned count = command.Options().count;
  const StopSignals signals;
  const std::unique_ptr<DeviceChangeMonitor> monitor =
      command.Environment().makeMonitor ? command.Environment().makeMonitor() : nullptr;

  std::map<std::string, VideoInput> handled;  // programmed and still plugged in, by unit key
  std::set<std::string> waitingNoted;         // named inputs not usable yet, said once
  RunTally tally;
  std::string logError;  // why a record could not be appended; empty while the log holds
  std::string stoppedBy;
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
          out.Note("waiting: " + AddressText(row.input) +
                   " cannot be used yet: " + row.WhyNotUsable());
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
            // The record first: a report that cannot be printed must not cost the record.
            Json record = session.UnitRecord(result);
            record["time"] = record["finished"];
            std::string why;
            if (!log.Append(record, &why) && logError.empty()) {
              logError = why;
              out.Note(why + "; the station stops");
            }
            ReportUnit(out, result, record);
          });
      tally.Add(batch);
      if (!logError.empty()) {
        stoppedBy = "log";
        break;
      }
      if (out.OutputLost()) {
        stoppedBy = "output";
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
  if (stoppedBy.empty()) stoppedBy = StopSignals::Name();
  Json extra = Json::object();
  if (!logError.empty()) AddFailure(extra, Reason::kLogUnwritable, logError);
  const bool outputLost = stoppedBy == "output";
  if (outputLost) out.Note("cannot write to standard output; the station stops");
  // The log says how the shift ended, whether or not anyone still reads stdout; after a
  // failed append too, as the summary may still fit and says why the log ends there.
  Json summary = session.SummaryRecord(tally, stoppedBy, extra);
  summary["time"] = summary["finished"];
  log.Append(summary);
  ReportSummaryDocument(out, tally, summary);
  return tally.failed == 0 && logError.empty() && !outputLost ? kExitOk : kExitFailed;
}

}  // namespace kavrin::cli
