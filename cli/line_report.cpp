#include "cli/line_report.h"

#include <algorithm>
#include <fstream>
#include <map>

#include "cli/command_result.h"
#include "config/file_io.h"
#include "config/file_util.h"
#include "config/sha256.h"

namespace kavrin::cli {
namespace {

// Far above any record (a unit's is a few kilobytes) and small enough that a log that is no
// log, one long line of garbage, keeps memory bounded.
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

// The next line without its end ("\n" or "\r\n"), at most kMaxLineBytes of it (*cut set when
// more followed). False at the end of the stream.
bool ReadLine(std::istream& stream, std::string* line, bool* cut) {
  line->clear();
  *cut = false;
  std::streambuf* buffer = stream.rdbuf();
  bool any = false;
  for (int c = buffer->sbumpc(); c != std::char_traits<char>::eof(); c = buffer->sbumpc()) {
    any = true;
    if (c == '\n') break;
    if (line->size() < kMaxLineBytes) {
      line->push_back(static_cast<char>(c));
    } else {
      *cut = true;
    }
  }
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return any;
}

// A text field of an object; "" when it is missing or no text (a damaged or hostile record
// must not throw).
std::string TextOf(const Json& object, const char* key) {
  if (!object.is_object()) return {};
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

const Json& FieldOf(const Json& object, const char* key) {
  static const Json kNull;
  if (!object.is_object()) return kNull;
  const auto it = object.find(key);
  return it != object.end() ? *it : kNull;
}

bool Digits(const std::string& text, std::size_t from, std::size_t count) {
  if (text.size() < from + count) return false;
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                     text.begin() + static_cast<std::ptrdiff_t>(from + count),
                     [](char c) { return c >= '0' && c <= '9'; });
}

std::string FileNameOf(const std::string& path) {
  const std::string name = PathToUtf8(PathFromUtf8(path).filename());
  return name.empty() ? path : name;
}

}  // namespace

std::string HourOf(const std::string& time) {
  // YYYY-MM-DDTHH:MM:SS[.fff][+HH:MM|-HH:MM|Z]
  const bool shaped = Digits(time, 0, 4) && time[4] == '-' && Digits(time, 5, 2) &&
                      time[7] == '-' && Digits(time, 8, 2) && time[10] == 'T' &&
                      Digits(time, 11, 2) && time[13] == ':' && Digits(time, 14, 2) &&
                      time[16] == ':' && Digits(time, 17, 2);
  if (!shaped) return {};
  std::size_t at = 19;
  if (at < time.size() && time[at] == '.') {
    ++at;
    while (at < time.size() && time[at] >= '0' && time[at] <= '9') ++at;
  }
  const std::string offset = time.substr(at);
  const bool offsetShaped = offset.empty() || offset == "Z" ||
                            (offset.size() == 6 && (offset[0] == '+' || offset[0] == '-') &&
                             Digits(offset, 1, 2) && offset[3] == ':' && Digits(offset, 4, 2));
  if (!offsetShaped) return {};
  return time.substr(0, 13) + ":00" + offset;
}

void StationLogReader::ReadFile(const std::string& path) {
  // Checked first: a FIFO or a device at the path is refused, never read (it could block).
  const std::filesystem::path file = PathFromUtf8(path);
  FileOutcome readable = CheckReadable(file);
  std::ifstream stream;
  if (readable) {
    stream.open(file, std::ios::binary);
    if (!stream) readable = file_outcome::Failed("cannot be opened");
  }
  if (!readable) {
    records_.logs.push_back(LogRead{path, CannotReadText(file, readable)});
    return;
  }
  ReadStream(path, stream);
  if (stream.bad()) records_.logs.back().problem = "cannot read " + path + ": read error";
}

void StationLogReader::ReadStream(const std::string& name, std::istream& stream) {
  records_.logs.push_back(LogRead{name, ""});
  std::size_t olderRun = 0;
  std::string line;
  bool cut = false;
  for (std::size_t number = 1; ReadLine(stream, &line, &cut); ++number) {
    if (line.find_first_not_of(" \t") == std::string::npos && !cut) continue;
    std::string why = cut ? "a line longer than any record" : "";
    if (why.empty()) why = TakeRecord(name, number, line, records_.logs.back(), &olderRun);
    if (why.empty()) continue;
    ++records_.logs.back().skipped;
    records_.skipped.push_back(SkippedLine{name, number, why});
  }
}

std::size_t StationLogReader::Session(const std::string& key, const std::string& log) {
  const auto [it, added] = sessionIndex_.emplace(key, records_.sessions.size());
  if (added) {
    ReportedSession session;
    session.key = key;
    session.log = log;
    records_.sessions.push_back(session);
  }
  return it->second;
}

std::string StationLogReader::TakeRecord(const std::string& name, std::size_t lineNumber,
                                         const std::string& line, LogRead& log,
                                         std::size_t* olderRun) {
  const Json record = Json::parse(line, nullptr, false);
  if (record.is_discarded()) return "not JSON (a damaged or cut line)";
  if (!record.is_object()) return "not a JSON object";
  std::string kind = TextOf(record, "record");
  if (kind.empty() && !record.contains("record")) {
    // Older logs: unit objects and a summary, without "record", "session" or "station".
    if (FieldOf(record, "summary").is_object()) kind = "summary";
    if (FieldOf(record, "device").is_object()) kind = "unit";
  }
  if (kind != "start" && kind != "unit" && kind != "summary") {
    return kind.empty() ? "not a station record" : "a \"" + kind + "\" record, not reported on";
  }
  // The same record twice (a log given twice, or copied into another) counts once.
  if (!seenLines_
           .insert(Sha256Hex(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(line.data()),
                                                      line.size())))
           .second) {
    ++log.duplicates;
    return {};
  }
  ++log.records;
  const std::string id = TextOf(record, "session");
  const bool older = !record.contains("record");
  const std::string key = !id.empty() ? id : name + " run " + std::to_string(*olderRun + 1);
  ReportedSession& session = records_.sessions[Session(key, name)];
  session.id = id;
  std::string station = TextOf(record, "station");
  if (station.empty()) station = !session.station.empty() ? session.station : FileNameOf(name);
  if (session.station.empty()) session.station = station;

  if (kind == "start") {
    session.hasStart = true;
    session.station = station;
    session.started = TextOf(record, "started");
    session.settingsSha256 = TextOf(record, "settingsSha256");
  } else if (kind == "summary") {
    session.hasSummary = true;
    session.finished = TextOf(record, "finished");
    if (session.finished.empty()) session.finished = TextOf(record, "time");
    session.stoppedBy = TextOf(record, "stoppedBy");
    const Json& units = FieldOf(FieldOf(record, "summary"), "units");
    if (units.is_number_unsigned()) session.summaryUnits = units.get<std::size_t>();
    if (older) ++*olderRun;  // the next older unit begins another run
  } else {
    ReportedUnit unit;
    unit.station = station;
    unit.session = id;
    unit.sessionKey = key;
    const Json& device = FieldOf(record, "device");
    unit.serial = TextOf(device, "serial");
    unit.port = TextOf(device, "port");
    unit.finished = TextOf(record, "finished");
    if (unit.finished.empty()) unit.finished = TextOf(record, "time");
    unit.hour = HourOf(unit.finished);
    const std::string result = TextOf(record, "result");
    const Json& ok = FieldOf(record, "ok");
    unit.ok = !result.empty() ? result == "ok" : ok.is_boolean() && ok.get<bool>();
    if (!unit.ok) {
      unit.reason = TextOf(record, "reason");
      unit.step = TextOf(record, "step");
      unit.message = TextOf(record, "message");
    }
    unit.settingsSha256 = TextOf(record, "settingsSha256");
    unit.log = name;
    unit.line = lineNumber;
    if (!session.hasStart && session.started.empty()) session.started = unit.finished;
    records_.units.push_back(std::move(unit));
  }
  return {};
}

std::size_t LineReport::Succeeded() const {
  std::size_t count = 0;
  for (const StationCount& station : stations) count += station.succeeded;
  return count;
}

std::size_t LineReport::Failed() const {
  std::size_t count = 0;
  for (const StationCount& station : stations) count += station.failed;
  return count;
}

std::vector<const LogRead*> LineReport::UnreadableLogs() const {
  std::vector<const LogRead*> logs;
  for (const LogRead& log : records.logs) {
    if (!log.problem.empty()) logs.push_back(&log);
  }
  return logs;
}

namespace {

void Count(HourCount& count, bool ok) { ++(ok ? count.succeeded : count.failed); }

std::vector<HourCount> HoursOf(const std::map<std::string, HourCount>& hours) {
  std::vector<HourCount> list;
  for (const auto& [hour, count] : hours) list.push_back(count);
  return list;
}

}  // namespace

LineReport BuildLineReport(StationRecords records) {
  LineReport report;
  report.records = std::move(records);
  const std::vector<ReportedUnit>& units = report.records.units;
  std::vector<ReportedSession>& sessions = report.records.sessions;
  std::map<std::string, std::size_t> sessionIndex;
  for (std::size_t i = 0; i < sessions.size(); ++i) sessionIndex[sessions[i].key] = i;

  std::map<std::string, std::map<std::string, HourCount>> stationHours;
  std::map<std::string, HourCount> hours;
  std::map<std::string, std::map<std::string, std::size_t>> reasonSteps;
  std::map<std::string, std::vector<std::size_t>> bySerial;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const ReportedUnit& unit = units[i];
    HourCount& stationHour = stationHours[unit.station][unit.hour];
    stationHour.hour = unit.hour;
    Count(stationHour, unit.ok);
    hours[unit.hour].hour = unit.hour;
    Count(hours[unit.hour], unit.ok);
    if (!unit.ok) {
      ++reasonSteps[unit.reason][unit.step];
      report.failedUnits.push_back(i);
    }
    if (unit.serial.empty()) {
      ++report.unitsWithoutSerial;
    } else {
      bySerial[unit.serial].push_back(i);
    }
    ReportedSession& session = sessions[sessionIndex.at(unit.sessionKey)];
    ++(unit.ok ? session.succeeded : session.failed);
    if (session.hasStart && !session.settingsSha256.empty() && !unit.settingsSha256.empty() &&
        unit.settingsSha256 != session.settingsSha256) {
      report.mismatches.push_back(SettingsMismatch{i, session.settingsSha256});
    }
  }

  for (const auto& [name, byHour] : stationHours) {
    StationCount station{name, 0, 0, HoursOf(byHour)};
    for (const HourCount& hour : station.hours) {
      station.succeeded += hour.succeeded;
      station.failed += hour.failed;
    }
    report.stations.push_back(std::move(station));
  }
  report.hours = HoursOf(hours);

  for (const auto& [reason, steps] : reasonSteps) {
    ReasonCount count{reason, 0, {}};
    for (const auto& [step, times] : steps) {
      count.count += times;
      count.steps.push_back(StepCount{step, times});
    }
    std::stable_sort(count.steps.begin(), count.steps.end(),
                     [](const StepCount& a, const StepCount& b) { return a.count > b.count; });
    report.failures.push_back(std::move(count));
  }
  std::stable_sort(report.failures.begin(), report.failures.end(),
                   [](const ReasonCount& a, const ReasonCount& b) { return a.count > b.count; });

  const auto byTime = [&units](std::size_t a, std::size_t b) {
    return units[a].finished < units[b].finished;
  };
  std::stable_sort(report.failedUnits.begin(), report.failedUnits.end(), byTime);
  for (auto& [serial, list] : bySerial) {
    if (list.size() < 2) continue;
    std::stable_sort(list.begin(), list.end(), byTime);
    report.repeats.push_back(RepeatedSerial{serial, list});
  }

  for (std::size_t i = 0; i < sessions.size(); ++i) report.sessions.push_back(i);
  std::stable_sort(report.sessions.begin(), report.sessions.end(),
                   [&sessions](std::size_t a, std::size_t b) {
                     return sessions[a].started < sessions[b].started;
                   });
  return report;
}

}  // namespace kavrin::cli
