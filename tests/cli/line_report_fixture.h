#pragma once
// Station log records written by hand as a station writes them (docs/cli.md, "station"), for
// the report's tests: two stations on one day, and the older records without "record".
#include <nlohmann/json.hpp>
#include <string>

namespace kavrin::test {

using LogJson = nlohmann::ordered_json;

inline const std::string kSettingsA(64, 'a');  // the settings' SHA-256 of both sessions
inline const std::string kSettingsB(64, 'b');  // what one unit got instead

inline LogJson Decided(const std::string& station, const std::string& session) {
  return LogJson{
      {"schema", 1},
      {"command", "station"},
      {"session", session},
      {"tool", {{"name", "kavrin"}, {"version", "1.0.0"}}},
      {"station", station},
      {"config", {{"path", "/line/KAVRIN_CFG.ini"}, {"sha256", std::string(64, 'c')}}},
      {"source", {{"kind", "file"}, {"path", "/line/line.bin"}, {"sha256", std::string(64, 'd')}}},
      {"changes", LogJson::array({"TV System=PAL"})}};
}

inline std::string StartRecord(const std::string& station, const std::string& session,
                               const std::string& started) {
  LogJson record = Decided(station, session);
  record["record"] = "start";
  record["ok"] = true;
  record["started"] = started;
  record["settings"] = std::string(160, '0');
  record["settingsSha256"] = kSettingsA;
  record["differsFromDefaults"] =
      LogJson::array({{{"title", "TV System"}, {"option", "PAL"}, {"default", "NTSC"}}});
  record["options"] = {{"clock", "now"},         {"force", false}, {"verify", false},
                       {"setKavrinFlag", false}, {"count", 0},     {"devices", LogJson::array()}};
  return record.dump() + "\n";
}

struct UnitFields {
  std::string serial;
  std::string port;
  std::string finished;
  std::string reason;  // "" for a unit that succeeded
  std::string step;
  std::string settingsSha256 = kSettingsA;
};

inline std::string UnitRecord(const std::string& station, const std::string& session,
                              const UnitFields& unit) {
  const bool ok = unit.reason.empty();
  LogJson record{{"schema", 1}, {"command", "station"}, {"ok", ok}};
  record["device"] = {
      {"node", "/dev/video2"}, {"port", unit.port}, {"serial", unit.serial}, {"name", "ZK742"}};
  if (!ok) {
    record["reason"] = unit.reason;
    record["message"] = "the unit failed at " + unit.step;
    record["step"] = unit.step;
    record["cause"] = "refused";
  }
  record["tests"] = LogJson::array();
  record["written"] = ok;
  const LogJson decided = Decided(station, session);
  for (const auto& [key, value] : decided.items()) record[key] = value;
  record["record"] = "unit";
  record["settingsSha256"] = unit.settingsSha256;
  record["unit"] = {{"model", "ZK742"},
                    {"hardware", "HW 1.2"},
                    {"firmware", "FW 3.4"},
                    {"information", LogJson::array()}};
  record["result"] = ok ? "ok" : "failed";
  record["started"] = unit.finished;  // the tests only look at when it finished
  record["finished"] = unit.finished;
  record["durationMs"] = 1234;
  return record.dump() + "\n";
}

inline std::string SummaryRecord(const std::string& station, const std::string& session, int units,
                                 int failed, const std::string& started,
                                 const std::string& finished) {
  LogJson record{{"schema", 1}, {"command", "station"}, {"record", "summary"}, {"ok", failed == 0}};
  record["session"] = session;
  record["tool"] = {{"name", "kavrin"}, {"version", "1.0.0"}};
  record["station"] = station;
  record["summary"] = {{"units", units},
                       {"succeeded", units - failed},
                       {"failed", failed},
                       {"byReason", LogJson::object()}};
  record["stoppedBy"] = "SIGINT";
  record["started"] = started;
  record["finished"] = finished;
  record["durationMs"] = 6000000;
  return record.dump() + "\n";
}

inline const char* const kLine3Session = "20261211T085901-4f2a9c";
inline const char* const kLine4Session = "20261211T094500-1b2c3d";

// line-3: five units from 09:10 to 10:30, one NG, one written with other settings; stopped
// by SIGINT.
inline std::string Line3Log() {
  const std::string s = kLine3Session;
  return StartRecord("line-3", s, "2026-12-11T08:59:01.000+08:00") +
         UnitRecord("line-3", s, {"ZK0001", "1-1", "2026-12-11T09:10:00.120+08:00", "", ""}) +
         UnitRecord("line-3", s, {"ZK0002", "1-1", "2026-12-11T09:40:00.000+08:00", "", ""}) +
         UnitRecord(
             "line-3", s,
             {"ZK0003", "1-2", "2026-12-11T10:05:00.000+08:00", "engine-test-ng", "engine tests"}) +
         UnitRecord("line-3", s,
                    {"ZK0004", "1-1", "2026-12-11T10:20:00.000+08:00", "", "", kSettingsB}) +
         UnitRecord("line-3", s, {"ZK0005", "1-2", "2026-12-11T10:30:00.000+08:00", "", ""}) +
         SummaryRecord("line-3", s, 5, 1, "2026-12-11T08:59:01.000+08:00",
                       "2026-12-11T10:45:00.000+08:00");
}

// line-4: a unit pulled out, ZK0005 again, and a crash that left half a record and no
// summary.
inline std::string Line4Log() {
  const std::string s = kLine4Session;
  const std::string half =
      UnitRecord("line-4", s, {"ZK0103", "2-1", "2026-12-11T11:20:00.000+08:00", "", ""});
  return StartRecord("line-4", s, "2026-12-11T09:45:00.000+08:00") +
         UnitRecord("line-4", s,
                    {"ZK0101", "2-1", "2026-12-11T09:50:00.000+08:00", "unavailable", "opening"}) +
         UnitRecord("line-4", s, {"ZK0005", "2-1", "2026-12-11T11:02:00.000+08:00", "", ""}) +
         UnitRecord("line-4", s, {"ZK0102", "2-2", "2026-12-11T11:15:00.000+08:00", "", ""}) +
         half.substr(0, half.size() / 2);
}

// A log of the format before records named their kind: unit objects with "time" and a
// summary.
inline std::string OlderLog() {
  return R"({"schema":1,"command":"station","ok":true,"device":{"node":"/dev/video2","port":"1-1","serial":"ZK0900","name":"ZK742"},"written":true,"time":"2026-12-05T14:03:09"})"
         "\n"
         R"({"schema":1,"command":"station","ok":false,"device":{"node":"/dev/video2","port":"1-1","serial":"ZK0901","name":"ZK742"},"reason":"transfer-failed","message":"settings chunk 2 timed out","step":"settings chunk 2","time":"2026-12-05T15:10:00"})"
         "\n"
         R"({"schema":1,"command":"station","ok":false,"summary":{"units":2,"succeeded":1,"failed":1},"stoppedBy":"signal","time":"2026-12-05T15:30:00"})"
         "\n";
}

}  // namespace kavrin::test
