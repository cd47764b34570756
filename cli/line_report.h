#pragma once
// A production line's report from its station logs: the records read (today's start, unit
// and summary records, and the unit and summary objects of older logs that carry no
// "record"), then what a shift leader asks of them: units per station and hour, failures by
// reason and step, serials programmed more than once, units written with other settings than
// their session's, and the sessions themselves. The text, JSON and HTML renderings are
// elsewhere (line_report_text.h, line_report_html.h).
#include <cstddef>
#include <istream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kavrin::cli {

// One unit record as the report uses it. Texts are as the log holds them (unescaped).
struct ReportedUnit {
  std::string station;     // older records: the log's file name
  std::string session;     // the session id; empty for older records
  std::string sessionKey;  // the session it belongs to here (older records: log and run)
  std::string serial;
  std::string port;
  std::string finished;  // ISO 8601 as recorded (older records: "time", no offset)
  std::string hour;      // the local hour it finished in, "2026-12-11T09:00+08:00"; "" unknown
  bool ok = false;
  std::string reason;  // failed units: the reason code
  std::string step;    // failed units: the step that failed, where recorded
  std::string message;
  std::string settingsSha256;  // of the bytes written to it, where recorded
  std::string log;             // where it was read
  std::size_t line = 0;
};

struct ReportedSession {
  std::string key;  // the session id, or for older records the log and the run in it
  std::string id;   // empty for older records
  std::string station;
  std::string log;
  std::string started;   // the start record's (older: the first unit's time)
  std::string finished;  // the summary's ("" without one)
  std::string stoppedBy;
  std::string settingsSha256;  // the start record's
  bool hasStart = false;
  bool hasSummary = false;
  std::optional<std::size_t> summaryUnits;  // what the summary record says
  std::size_t succeeded = 0;                // counted from the unit records read
  std::size_t failed = 0;
};

// A line that is not a record the report reads: not JSON, cut short, another kind.
struct SkippedLine {
  std::string log;
  std::size_t line = 0;
  std::string why;
};

struct LogRead {
  std::string path;
  std::string problem;         // why it could not be read; empty when it was
  std::size_t records = 0;     // records taken
  std::size_t skipped = 0;     // lines skipped
  std::size_t duplicates = 0;  // records already read from an earlier line or log
};

// The records of every log, in the order read.
struct StationRecords {
  std::vector<LogRead> logs;
  std::vector<SkippedLine> skipped;
  std::vector<ReportedUnit> units;
  std::vector<ReportedSession> sessions;  // in order of first appearance
};

// Reads the logs; one that cannot be read is listed with its problem and the rest are read.
// A line that is not a record (a half line left by a crash) is skipped and listed.
class StationLogReader {
 public:
  void ReadFile(const std::string& path);
  // The lines of `stream`, as from a log named `name`.
  void ReadStream(const std::string& name, std::istream& stream);
  const StationRecords& Records() const { return records_; }
  StationRecords Take() { return std::move(records_); }

 private:
  // Takes the line's record; the reason it was skipped otherwise ("" when taken).
  std::string TakeRecord(const std::string& name, std::size_t lineNumber, const std::string& line,
                         LogRead& log, std::size_t* olderRun);
  std::size_t Session(const std::string& key, const std::string& log);

  StationRecords records_;
  std::set<std::string> seenLines_;                  // digests of the records taken
  std::map<std::string, std::size_t> sessionIndex_;  // session key: index in records_.sessions
};

struct HourCount {
  std::string hour;
  std::size_t succeeded = 0;
  std::size_t failed = 0;
  std::size_t Units() const { return succeeded + failed; }
};

struct StationCount {
  std::string station;
  std::size_t succeeded = 0;
  std::size_t failed = 0;
  std::vector<HourCount> hours;  // in order of time
  std::size_t Units() const { return succeeded + failed; }
};

struct StepCount {
  std::string step;  // "" where the record names none
  std::size_t count = 0;
};

struct ReasonCount {
  std::string reason;
  std::size_t count = 0;
  std::vector<StepCount> steps;
};

struct RepeatedSerial {
  std::string serial;
  std::vector<std::size_t> units;  // indexes into records.units, in order of time
};

struct SettingsMismatch {
  std::size_t unit = 0;  // index into records.units
  std::string sessionSettingsSha256;
};

struct LineReport {
  StationRecords records;
  std::vector<StationCount> stations;  // by name
  std::vector<HourCount> hours;        // every station's units per hour, for the chart
  std::vector<ReasonCount> failures;   // most frequent first
  std::vector<std::size_t> failedUnits;
  std::vector<RepeatedSerial> repeats;
  std::vector<SettingsMismatch> mismatches;
  std::vector<std::size_t> sessions;  // indexes into records.sessions, in order of start
  std::size_t unitsWithoutSerial = 0;

  std::size_t Succeeded() const;
  std::size_t Failed() const;
  // The logs that could not be read.
  std::vector<const LogRead*> UnreadableLogs() const;
};

LineReport BuildLineReport(StationRecords records);

// The local hour a recorded time falls in: "2026-12-11T09:14:03.120+08:00" gives
// "2026-12-11T09:00+08:00", an older "2026-12-11T09:14:03" gives "2026-12-11T09:00"; "" for
// a text that is no such time.
std::string HourOf(const std::string& time);

}  // namespace kavrin::cli
