// A station's shift as a line archives it: units plugged in over time (one NG, one pulled out
// during its tests, one programmed twice after being plugged in again), ended by a signal.
// Its log is the whole session: the start record first, one record per unit naming
// everything that decided it, the summary last with the counts a hand count of the records
// gives and the signal that ended it. A log that can no longer be appended to (a full disk)
// names the system's reason and stops the station before the next unit.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "config/sha256.h"
#include "tests/cli/run_kavrin.h"
#include "tests/cli/station_fixture.h"
#include "tests/support/param_name.h"

namespace kavrin::test {
namespace {

using nlohmann::json;

// Three information rows (model, hardware and firmware versions) and two engine tests.
constexpr const char* kLineConfig =
    "[DEVICE]\nNO=1\n0=ZK742\n"
    "[INFO_LAYOUT]\nITEM_NO=3\nTITLE_000=Model\nCMD_ID_000=MODEL_NAME\n"
    "TITLE_001=HW Ver\nCMD_ID_001=HW_VERSION\nTITLE_002=FW Ver\nCMD_ID_002=FW_VERSION\n"
    "[TEST_ITEM_LIST]\nITEM_NO=2\nITEM_000=T_KEY\nITEM_001=T_RTC\n"
    "[T_KEY]\nTITLE=Key\nWORD_IDX=16\nSTART_BIT=1\nDATA_LEN=1\n"
    "[T_RTC]\nTITLE=RTC\nWORD_IDX=16\nSTART_BIT=3\nDATA_LEN=1\n"
    "[ITEM_LIST]\nITEM_NO=1\nITEM_000=MODE\n"
    "[MODE]\nTITLE=Mode\nWORD_IDX=2\nSTART_BIT=3\nDATA_LEN=3\nOPTION_NO=3\n"
    "OPTION_0=Auto\nOPTION_1=Day\nOPTION_2=Night\nDEFAULT_OPTION=2\n";

std::vector<json> JsonLines(const std::string& text) {
  std::vector<json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(json::parse(line, nullptr, false));
  return lines;
}

bool IsIsoLocalTime(const json& value) {
  static const std::regex form(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)");
  return value.is_string() && std::regex_match(value.get<std::string>(), form);
}

std::string Sha256OfHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return Sha256Hex(bytes);
}

class StationSessionTest : public StationTest {
 protected:
  StationSessionTest() { dir_.Write("line.ini", kLineConfig); }
};

struct SignalCase {
  const char* name;
  int signalNumber;
};

void PrintTo(const SignalCase& c, std::ostream* out) { *out << c.name; }

class StationShiftTest : public StationSessionTest,
                         public testing::WithParamInterface<SignalCase> {};

TEST_P(StationShiftTest, TheLogIsTheWholeSessionAndEveryRecordNamesWhatDecidedIt) {
  std::string block(112, '\0');
  block[4] = 1 << 3;  // Mode Day
  dir_.Write("line.bin", block);
  Plug("A");
  ChildProcess station(dir_.Path().string(), Folder(),
                       {"station", "--json", "--log", "units.jsonl", "--config", "line.ini",
                        "--station", "line-3", "--logo", "ACME", "line.bin"});
  EXPECT_FALSE(station.WaitForOutLine(UnitLine("A")).empty());
  sim::RecorderState ng;
  ng.testResults[0x1031] = 0;
  Plug("NG", ng);
  EXPECT_FALSE(station.WaitForOutLine(UnitLine("NG")).empty());
  sim::RecorderState pulled;
  pulled.fwVersion = "FW 0.9";
  pulled.faults.vanishAfter = 3 * 2 + 2;  // gone after its rows and its first test
  Plug("Pulled", pulled);
  EXPECT_FALSE(station.WaitForOutLine(UnitLine("Pulled")).empty());
  Unplug("A");
  EXPECT_NE(station.WaitForErrLine([](const std::string& line) {
    return line.find("gone: ") != std::string::npos && line.find("A.json") != std::string::npos;
  }),
            "");
  Plug("A");
  EXPECT_FALSE(station.WaitForOutLine(UnitLine("A")).empty());
  station.Signal(GetParam().signalNumber);
  EXPECT_EQ(station.Wait(), 1) << "two units failed";

  const std::vector<json> records = JsonLines(dir_.Read("units.jsonl"));
  ASSERT_EQ(records.size(), 6u) << "the start, four units, the summary";
  // stdout with --json carries the same records, in the same order.
  ASSERT_EQ(station.OutLines().size(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(json::parse(station.OutLines()[i], nullptr, false), records[i]) << i;
  }

  const json& start = records.front();
  const json& summary = records.back();
  EXPECT_EQ(start["record"], "start");
  EXPECT_EQ(summary["record"], "summary");
  for (const json& record : records) {
    SCOPED_TRACE(record.dump());
    ASSERT_TRUE(record.is_object());
    EXPECT_EQ(record["schema"], 1);
    EXPECT_EQ(record["command"], "station");
    EXPECT_EQ(record["session"], start["session"]);
    EXPECT_EQ(record["tool"]["name"], "kavrin");
    EXPECT_TRUE(std::regex_match(record["tool"]["version"].get<std::string>(),
                                 std::regex(R"(\d+\.\d+\.\d+)")));
    EXPECT_EQ(record["station"], "line-3");
  }
  EXPECT_EQ(start["config"]["sha256"], Sha256OfFile(dir_ / "line.ini").value_or(""));
  EXPECT_TRUE(
      std::filesystem::equivalent(start["config"]["path"].get<std::string>(), dir_ / "line.ini"));
  EXPECT_EQ(start["source"]["kind"], "file");
  EXPECT_TRUE(
      std::filesystem::equivalent(start["source"]["path"].get<std::string>(), dir_ / "line.bin"));
  EXPECT_EQ(start["source"]["sha256"], Sha256OfFile(dir_ / "line.bin").value_or(""));
  EXPECT_EQ(start["changes"], json({"logo=ACME"}));
  EXPECT_EQ(start["settingsSha256"], Sha256OfHex(start["settings"].get<std::string>()));
  EXPECT_EQ(start["differsFromDefaults"],
            json::array({{{"title", "Mode"}, {"option", "Day"}, {"default", "Night"}},
                         {{"title", "Date Stamp Logo"}, {"option", "ACME"}, {"default", ""}}}));
  EXPECT_EQ(start["options"]["count"], 0);
  EXPECT_TRUE(IsIsoLocalTime(start["started"]));

  // The units, counted by hand.
  std::vector<std::string> serials;
  std::size_t succeeded = 0;
  std::map<std::string, std::size_t> byReason;
  for (std::size_t i = 1; i + 1 < records.size(); ++i) {
    const json& unit = records[i];
    SCOPED_TRACE(unit.dump());
    EXPECT_EQ(unit["record"], "unit");
    serials.push_back(unit["device"]["serial"].get<std::string>());
    EXPECT_TRUE(unit["device"].contains("port"));
    EXPECT_EQ(unit["config"], start["config"]);
    EXPECT_EQ(unit["source"], start["source"]);
    EXPECT_EQ(unit["changes"], start["changes"]);
    EXPECT_EQ(unit["unit"]["model"], "ZK742");
    EXPECT_EQ(unit["unit"]["hardware"], "HW 1.0");
    EXPECT_EQ(unit["unit"]["information"].size(), 3u);
    EXPECT_TRUE(IsIsoLocalTime(unit["started"]));
    EXPECT_TRUE(IsIsoLocalTime(unit["finished"]));
    EXPECT_GE(unit["finished"].get<std::string>(), start["started"].get<std::string>());
    EXPECT_GE(unit["durationMs"].get<int64_t>(), 0);
    if (unit["ok"].get<bool>()) {
      ++succeeded;
      EXPECT_EQ(unit["result"], "ok");
      EXPECT_EQ(unit["settingsSha256"], start["settingsSha256"]) << "what was written is the plan";
      EXPECT_EQ(unit["unit"]["firmware"], "FW 1.0");
    } else {
      EXPECT_EQ(unit["result"], "failed");
      EXPECT_TRUE(unit["settingsSha256"].is_null()) << "nothing was written";
      ++byReason[unit["reason"].get<std::string>()];
    }
  }
  EXPECT_EQ(serials, (std::vector<std::string>{"A", "NG", "Pulled", "A"}));
  EXPECT_EQ(records[2]["reason"], "engine-test-ng");
  EXPECT_EQ(records[2]["step"], "engine test \"RTC\"");
  EXPECT_EQ(records[3]["reason"], "unavailable");
  EXPECT_EQ(records[3]["step"], "engine test \"RTC\"");
  EXPECT_EQ(records[3]["unit"]["firmware"], "FW 0.9") << "it answered before it was pulled";
  EXPECT_EQ(summary["summary"]["units"], serials.size());
  EXPECT_EQ(summary["summary"]["succeeded"], succeeded);
  EXPECT_EQ(summary["summary"]["failed"], serials.size() - succeeded);
  EXPECT_EQ(summary["summary"]["byReason"], json(byReason));
  EXPECT_EQ(byReason,
            (std::map<std::string, std::size_t>{{"engine-test-ng", 1}, {"unavailable", 1}}));
  EXPECT_EQ(summary["stoppedBy"], GetParam().name);
  EXPECT_EQ(summary["started"], start["started"]);
  EXPECT_GE(summary["finished"].get<std::string>(), records[4]["finished"].get<std::string>());
  EXPECT_EQ(Commits("A"), 1u) << "plugged in again as a fresh state, programmed again";
  EXPECT_EQ(Commits("NG") + Commits("Pulled"), 0u);

  // The line's report on this very log gives the hand count.
  const KavrinRun report = RunKavrin(dir_.Path(), {"report", "--json", "units.jsonl"});
  ASSERT_EQ(report.exitCode, 0) << report.err;
  const json counted = json::parse(report.out, nullptr, false);
  ASSERT_TRUE(counted.is_object()) << report.out;
  EXPECT_EQ(counted["totals"]["units"], serials.size());
  EXPECT_EQ(counted["totals"]["succeeded"], succeeded);
  EXPECT_EQ(counted["totals"]["failed"], serials.size() - succeeded);
  std::map<std::string, std::size_t> reportedReasons;
  for (const json& failure : counted["failures"]) {
    reportedReasons[failure["reason"].get<std::string>()] = failure["units"].get<std::size_t>();
  }
  EXPECT_EQ(reportedReasons, byReason);
  ASSERT_EQ(counted["repeats"].size(), 1u);
  EXPECT_EQ(counted["repeats"][0]["serial"], "A");
  EXPECT_EQ(counted["repeats"][0]["times"], 2);
  EXPECT_TRUE(counted["settingsMismatches"].empty());
  ASSERT_EQ(counted["sessions"].size(), 1u);
  EXPECT_EQ(counted["sessions"][0]["session"], start["session"]);
  EXPECT_EQ(counted["sessions"][0]["stoppedBy"], GetParam().name);
  EXPECT_EQ(counted["sessions"][0]["units"], serials.size());
  EXPECT_EQ(counted["sessions"][0]["summaryUnits"], serials.size());
}

INSTANTIATE_TEST_SUITE_P(Signals, StationShiftTest,
                         testing::Values(SignalCase{"SIGINT", SIGINT},
                                         SignalCase{"SIGTERM", SIGTERM},
                                         SignalCase{"SIGHUP", SIGHUP}),
                         [](const auto& testCase) { return ParamName(testCase.param.name); });

bool UnitReported(const std::string& line) { return line.rfind("OK ", 0) == 0; }

TEST_F(StationSessionTest, ALogThatFillsUpNamesTheReasonAndStopsTheStation) {
  // A first shift, to learn how long its records are.
  Plug("A");
  ChildProcess first(dir_.Path().string(), Folder(),
                     {"station", "--count", "1", "--log", "units.jsonl", "--config", "line.ini"});
  ASSERT_EQ(first.Wait(), 0);
  const std::string earlier = dir_.Read("units.jsonl");
  std::istringstream lines(earlier);
  std::string startLine, unitLine;
  std::getline(lines, startLine);
  std::getline(lines, unitLine);
  // Room for the next shift's start and one unit's record, not for a second.
  const long limit = static_cast<long>(earlier.size() + startLine.size() + 1 + unitLine.size() + 1 +
                                       unitLine.size() / 2);

  ChildProcess station(dir_.Path().string(), Folder(),
                       {"station", "--log", "units.jsonl", "--config", "line.ini"}, limit);
  EXPECT_NE(station.WaitForOutLine(UnitReported), "") << "A again, recorded";
  Plug("B");
  const std::string expected = std::string("kavrin: cannot append to units.jsonl: ") +
                               std::strerror(EFBIG) + "; the station stops";
  EXPECT_NE(station.WaitForErrLine([&](const std::string& line) { return line == expected; }), "");
  Plug("C");
  EXPECT_EQ(station.Wait(), 1) << "it stops by itself";
  EXPECT_EQ(Commits("C"), 0u) << "no unit after the record that could not be written";
  // The unit in progress was programmed before its record failed: the operator is told.
  EXPECT_NE(station.WaitForOutLine([](const std::string& line) {
    return UnitReported(line) && line.find("B.json") != std::string::npos;
  }),
            "");

  const std::string log = dir_.Read("units.jsonl");
  ASSERT_EQ(log.rfind(earlier, 0), 0u) << "the earlier shift's records stay";
  const std::vector<json> records = JsonLines(log.substr(earlier.size()));
  ASSERT_EQ(records.size(), 3u) << "the start, A's record, the summary that still fitted";
  EXPECT_EQ(records[0]["record"], "start");
  EXPECT_EQ(records[1]["device"]["serial"], "A");
  const json& summary = records[2];
  EXPECT_EQ(summary["record"], "summary");
  EXPECT_EQ(summary["stoppedBy"], "log");
  EXPECT_EQ(summary["ok"], false);
  EXPECT_EQ(summary["reason"], "log-unwritable");
  EXPECT_EQ(summary["message"],
            std::string("cannot append to units.jsonl: ") + std::strerror(EFBIG));
  EXPECT_EQ(summary["summary"]["units"], 2);
}

TEST_F(StationSessionTest, AStartRecordThatCannotBeWrittenProgramsNothing) {
  Plug("A");
  dir_.Write("units.jsonl", std::string(100, '\n'));
  ChildProcess station(dir_.Path().string(), Folder(),
                       {"station", "--json", "--log", "units.jsonl", "--config", "line.ini"}, 120);
  EXPECT_EQ(station.Wait(), 1);
  ASSERT_EQ(station.OutLines().size(), 1u);
  const json refusal = json::parse(station.OutLines()[0], nullptr, false);
  EXPECT_EQ(refusal["reason"], "log-unwritable");
  EXPECT_NE(refusal["message"].get<std::string>().find(std::strerror(EFBIG)), std::string::npos);
  EXPECT_EQ(Commits("A"), 0u);
  EXPECT_EQ(dir_.Read("units.jsonl"), std::string(100, '\n')) << "no part of the start record";
}

}  // namespace
}  // namespace kavrin::test
