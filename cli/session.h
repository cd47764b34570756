#pragma once
// One station shift or one `kavrin kavrin --all` run as a line archives it: a start record
// (the tool, the station, the configuration, the settings and the options), one record per
// unit naming everything that decided it, and a summary record (the counts, what stopped it).
// Every record carries the session's id, so that records of many stations and days can be
// told apart and grouped. The shape is in docs/cli.md, "JSON documents".
#include <string>

#include "cli/command_result.h"
#include "cli/device_command.h"
#include "cli/record_time.h"
#include "cli/settings_source.h"
#include "cli/unit_operations.h"
#include "cli/unit_runner.h"

namespace kavrin::cli {

// "kavrin" and the project's version, as `kavrin --version` says.
const char* ToolVersion();
// The machine's host name; "unknown" when the system gives none.
std::string HostName();

class Session {
 public:
  // Begins now: the session of `command` sending `plan`.
  Session(DeviceCommand& command, const KavrinPlan& plan);

  const std::string& Id() const { return id_; }
  // For people on stderr: the session and the settings it will write; with --json the start
  // record on stdout.
  void Announce(Reporter& out) const;
  Json StartRecord() const;
  // The unit object (UnitJson) with the session's fields, the unit's information, its result
  // and its times.
  Json UnitRecord(const UnitResult& result) const;
  // Ends the session. stoppedBy: "done", "count", "SIGINT", "SIGTERM", "SIGHUP", "log",
  // "output"; `extra`'s fields (a failed log's reason and message) are added.
  Json SummaryRecord(const RunTally& tally, const std::string& stoppedBy, const Json& extra = {});

 private:
  // {"schema", "command", "record", "ok", "session", "tool", "station"}
  Json Head(const char* record, bool ok) const;

  TimeSpan span_;  // first: the id is made from its start
  std::string command_;
  std::string id_;
  std::string station_;
  Json config_;
  SettingsStatement settings_;
  Json options_;
};

// `kavrin kavrin` on several recorders (--all, several -d): the session's start, each unit's
// record as it finishes, the summary. The exit status: 0 only when every unit succeeded.
int RunKavrinSession(DeviceCommand& command, const KavrinPlan& plan, const Selection& selection);

}  // namespace kavrin::cli
