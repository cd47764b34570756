#include "cli/line_report_text.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "cli/printable_text.h"

namespace kavrin::cli {
namespace {

// Characters as a terminal shows them: UTF-8 continuation bytes take no column.
std::size_t Columns(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xc0) != 0x80;
  }));
}

// Rows printed in aligned columns under a heading row, indented and spaced by two spaces.
class TextTable {
 public:
  explicit TextTable(std::vector<std::string> heading) { rows_.push_back(std::move(heading)); }
  void Add(std::vector<std::string> row) {
    for (std::string& cell : row) cell = PrintableText(cell);
    rows_.push_back(std::move(row));
  }
  std::string Text() const {
    if (rows_.size() == 1) return "  none\n";
    std::vector<std::size_t> widths;
    for (const auto& row : rows_) {
      widths.resize(std::max(widths.size(), row.size()));
      for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Columns(row[i]));
    }
    std::string text;
    for (const auto& row : rows_) {
      std::string line;
      for (std::size_t i = 0; i < row.size(); ++i) {
        line += "  " + row[i];
        if (i + 1 < row.size()) line += std::string(widths[i] - Columns(row[i]), ' ');
      }
      text += line + "\n";
    }
    return text;
  }

 private:
  std::vector<std::vector<std::string>> rows_;
};

std::string Or(const std::string& text, const char* instead) {
  return text.empty() ? instead : text;
}
std::string Number(std::size_t n) { return std::to_string(n); }

Json UnitJson(const ReportedUnit& unit) {
  Json json = Json::object();
  json["serial"] = unit.serial;
  json["port"] = unit.port;
  json["station"] = unit.station;
  json["session"] = unit.session;
  json["finished"] = unit.finished;
  json["hour"] = unit.hour;
  json["result"] = unit.ok ? "ok" : "failed";
  if (!unit.ok) {
    json["reason"] = unit.reason;
    json["step"] = unit.step;
    json["message"] = unit.message;
  }
  json["settingsSha256"] = unit.settingsSha256;
  json["log"] = unit.log;
  json["line"] = unit.line;
  return json;
}

Json HourJson(const HourCount& hour) {
  return Json{{"hour", hour.hour},
              {"units", hour.Units()},
              {"succeeded", hour.succeeded},
              {"failed", hour.failed}};
}

Json SessionJson(const ReportedSession& session) {
  Json json = Json::object();
  json["session"] = session.id;
  json["station"] = session.station;
  json["log"] = session.log;
  json["started"] = session.started;
  json["finished"] = session.finished;
  json["stoppedBy"] = session.stoppedBy;
  json["units"] = session.succeeded + session.failed;
  json["succeeded"] = session.succeeded;
  json["failed"] = session.failed;
  json["summaryUnits"] = session.summaryUnits ? Json(*session.summaryUnits) : Json();
  json["hasStart"] = session.hasStart;
  json["hasSummary"] = session.hasSummary;
  json["settingsSha256"] = session.settingsSha256;
  return json;
}

std::string ShortHash(const std::string& hash) {
  return hash.size() > 12 ? hash.substr(0, 12) + "..." : Or(hash, "-");
}

}  // namespace

std::string UnitResultText(const ReportedUnit& unit) {
  if (unit.ok) return "ok";
  return "failed: " + Or(unit.reason, "(no reason)");
}

std::string SessionCountNote(const ReportedSession& session) {
  if (!session.summaryUnits || *session.summaryUnits == session.succeeded + session.failed) {
    return {};
  }
  return "its summary counts " + Number(*session.summaryUnits) + " units";
}

std::string LineReportText(const LineReport& report) {
  const StationRecords& records = report.records;
  std::ostringstream out;
  std::size_t read = 0;
  for (const LogRead& log : records.logs) read += log.problem.empty() ? 1 : 0;
  out << read << (read == 1 ? " log: " : " logs: ") << records.units.size()
      << (records.units.size() == 1 ? " unit (" : " units (") << report.Succeeded() << " ok, "
      << report.Failed() << " failed) at " << report.stations.size()
      << (report.stations.size() == 1 ? " station" : " stations") << " in "
      << records.sessions.size() << (records.sessions.size() == 1 ? " session\n" : " sessions\n");
  out << "Hours are the local hour each unit finished in, with its station's UTC offset.\n";

  out << "\nUnits per station and hour\n";
  TextTable perHour({"STATION", "HOUR", "UNITS", "OK", "FAILED"});
  for (const StationCount& station : report.stations) {
    for (const HourCount& hour : station.hours) {
      perHour.Add({station.station, Or(hour.hour, "(no time)"), Number(hour.Units()),
                   Number(hour.succeeded), Number(hour.failed)});
    }
    perHour.Add({station.station, "all", Number(station.Units()), Number(station.succeeded),
                 Number(station.failed)});
  }
  out << perHour.Text();

  out << "\nFailures by reason and step\n";
  TextTable failures({"REASON", "STEP", "UNITS"});
  for (const ReasonCount& reason : report.failures) {
    for (const StepCount& step : reason.steps) {
      failures.Add({Or(reason.reason, "(no reason)"), Or(step.step, "-"), Number(step.count)});
    }
  }
  out << failures.Text();

  out << "\nFailed units\n";
  TextTable failed({"FINISHED", "STATION", "SERIAL", "REASON", "STEP", "MESSAGE"});
  for (const std::size_t i : report.failedUnits) {
    const ReportedUnit& unit = records.units[i];
    failed.Add({Or(unit.finished, "-"), unit.station, Or(unit.serial, "-"),
                Or(unit.reason, "(no reason)"), Or(unit.step, "-"), unit.message});
  }
  out << failed.Text();

  out << "\nSerials programmed more than once\n";
  TextTable repeats({"SERIAL", "TIMES", "FINISHED", "STATION", "RESULT"});
  for (const RepeatedSerial& repeat : report.repeats) {
    bool first = true;
    for (const std::size_t i : repeat.units) {
      const ReportedUnit& unit = records.units[i];
      repeats.Add({first ? repeat.serial : "", first ? Number(repeat.units.size()) : "",
                   Or(unit.finished, "-"), unit.station, UnitResultText(unit)});
      first = false;
    }
  }
  out << repeats.Text();

  out << "\nUnits written with other settings than their session's\n";
  TextTable mismatches(
      {"SERIAL", "STATION", "FINISHED", "SESSION", "UNIT SHA-256", "SESSION SHA-256"});
  for (const SettingsMismatch& mismatch : report.mismatches) {
    const ReportedUnit& unit = records.units[mismatch.unit];
    mismatches.Add({Or(unit.serial, "-"), unit.station, Or(unit.finished, "-"), unit.session,
                    ShortHash(unit.settingsSha256), ShortHash(mismatch.sessionSettingsSha256)});
  }
  out << mismatches.Text();

  out << "\nSessions\n";
  TextTable sessions(
      {"SESSION", "STATION", "STARTED", "FINISHED", "STOPPED BY", "UNITS", "OK", "FAILED"});
  for (const std::size_t i : report.sessions) {
    const ReportedSession& session = records.sessions[i];
    std::string units = Number(session.succeeded + session.failed);
    if (!SessionCountNote(session).empty()) units += " (" + SessionCountNote(session) + ")";
    sessions.Add({Or(session.id, "(older log)"), session.station, Or(session.started, "-"),
                  Or(session.finished, "(no summary)"), Or(session.stoppedBy, "-"), units,
                  Number(session.succeeded), Number(session.failed)});
  }
  out << sessions.Text();

  if (!records.skipped.empty()) {
    out << "\nSkipped lines\n";
    for (const SkippedLine& skipped : records.skipped) {
      out << "  " << PrintableText(skipped.log) << ":" << skipped.line << ": " << skipped.why
          << "\n";
    }
  }
  return out.str();
}

Json LineReportJson(const LineReport& report) {
  const StationRecords& records = report.records;
  Json json = Json::object();
  json["logs"] = Json::array();
  for (const LogRead& log : records.logs) {
    Json entry{{"path", log.path},
               {"records", log.records},
               {"skipped", log.skipped},
               {"duplicates", log.duplicates}};
    if (!log.problem.empty()) entry["problem"] = log.problem;
    json["logs"].push_back(entry);
  }
  json["totals"] = {
      {"units", records.units.size()},       {"succeeded", report.Succeeded()},
      {"failed", report.Failed()},           {"stations", report.stations.size()},
      {"sessions", records.sessions.size()}, {"unitsWithoutSerial", report.unitsWithoutSerial}};
  json["stations"] = Json::array();
  for (const StationCount& station : report.stations) {
    Json entry{{"station", station.station},
               {"units", station.Units()},
               {"succeeded", station.succeeded},
               {"failed", station.failed},
               {"hours", Json::array()}};
    for (const HourCount& hour : station.hours) entry["hours"].push_back(HourJson(hour));
    json["stations"].push_back(entry);
  }
  json["hours"] = Json::array();
  for (const HourCount& hour : report.hours) json["hours"].push_back(HourJson(hour));
  json["failures"] = Json::array();
  for (const ReasonCount& reason : report.failures) {
    Json entry{{"reason", reason.reason}, {"units", reason.count}, {"steps", Json::array()}};
    for (const StepCount& step : reason.steps) {
      entry["steps"].push_back(Json{{"step", step.step}, {"units", step.count}});
    }
    json["failures"].push_back(entry);
  }
  json["failedUnits"] = Json::array();
  for (const std::size_t i : report.failedUnits)
    json["failedUnits"].push_back(UnitJson(records.units[i]));
  json["repeats"] = Json::array();
  for (const RepeatedSerial& repeat : report.repeats) {
    Json entry{{"serial", repeat.serial}, {"times", repeat.units.size()}, {"units", Json::array()}};
    for (const std::size_t i : repeat.units) entry["units"].push_back(UnitJson(records.units[i]));
    json["repeats"].push_back(entry);
  }
  json["settingsMismatches"] = Json::array();
  for (const SettingsMismatch& mismatch : report.mismatches) {
    Json entry = UnitJson(records.units[mismatch.unit]);
    entry["sessionSettingsSha256"] = mismatch.sessionSettingsSha256;
    json["settingsMismatches"].push_back(entry);
  }
  json["sessions"] = Json::array();
  for (const std::size_t i : report.sessions)
    json["sessions"].push_back(SessionJson(records.sessions[i]));
  json["skipped"] = Json::array();
  for (const SkippedLine& skipped : records.skipped) {
    json["skipped"].push_back(
        Json{{"log", skipped.log}, {"line", skipped.line}, {"why", skipped.why}});
  }
  return json;
}

}  // namespace kavrin::cli
