// kavrin report on hand-written station logs: its counts against a hand count of the
// records, damaged and older logs, logs that cannot be read, and the HTML page's escaping.
#include "cli/line_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/cli/line_report_fixture.h"
#include "tests/cli/run_command.h"
#include "tests/support/param_name.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {
namespace {

using Json = nlohmann::json;

struct Logs {
  TempDir dir;
  Logs() {
    dir.Write("line-3.jsonl", Line3Log());
    dir.Write("line-4.jsonl", Line4Log());
    dir.Write("older.jsonl", OlderLog());
  }
  std::string operator()(const char* name) const { return (dir / name).string(); }
};

Json ReportJson(const std::vector<std::string>& arguments, int expectedExit = 0) {
  std::vector<std::string> command{"report", "--json"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const CommandResult result = RunKavrinCommand(command);
  EXPECT_EQ(result.exitCode, expectedExit) << result.err;
  const Json document = Json::parse(result.out, nullptr, false);
  EXPECT_TRUE(document.is_object()) << result.out;
  return document;
}

// --- The two stations' counts against a hand count ---------------------------------------

struct CountCase {
  const char* what;
  const char* pointer;   // into the report's JSON document
  const char* expected;  // JSON
};

void PrintTo(const CountCase& c, std::ostream* out) { *out << c.what; }

class ReportCountsTest : public testing::TestWithParam<CountCase> {};

TEST_P(ReportCountsTest, EqualsTheHandCount) {
  const Logs logs;
  const Json report = ReportJson({logs("line-3.jsonl"), logs("line-4.jsonl")});
  const Json::json_pointer pointer(GetParam().pointer);
  ASSERT_TRUE(report.contains(pointer)) << report.dump(1);
  EXPECT_EQ(report.at(pointer), Json::parse(GetParam().expected)) << report.dump(1);
}

INSTANTIATE_TEST_SUITE_P(
    TwoStations, ReportCountsTest,
    testing::Values(
        CountCase{"ok without problems", "/ok", "true"},
        CountCase{"units in all", "/totals/units", "8"},
        CountCase{"units that succeeded", "/totals/succeeded", "6"},
        CountCase{"units that failed", "/totals/failed", "2"},
        CountCase{"line-3 per hour", "/stations/0",
                  R"({"station":"line-3","units":5,"succeeded":4,"failed":1,"hours":[
                      {"hour":"2026-12-11T09:00+08:00","units":2,"succeeded":2,"failed":0},
                      {"hour":"2026-12-11T10:00+08:00","units":3,"succeeded":2,"failed":1}]})"},
        CountCase{"line-4 per hour", "/stations/1",
                  R"({"station":"line-4","units":3,"succeeded":2,"failed":1,"hours":[
                      {"hour":"2026-12-11T09:00+08:00","units":1,"succeeded":0,"failed":1},
                      {"hour":"2026-12-11T11:00+08:00","units":2,"succeeded":2,"failed":0}]})"},
        CountCase{"every station per hour", "/hours",
                  R"([{"hour":"2026-12-11T09:00+08:00","units":3,"succeeded":2,"failed":1},
                      {"hour":"2026-12-11T10:00+08:00","units":3,"succeeded":2,"failed":1},
                      {"hour":"2026-12-11T11:00+08:00","units":2,"succeeded":2,"failed":0}])"},
        CountCase{
            "failures by reason and step", "/failures",
            R"([{"reason":"engine-test-ng","units":1,"steps":[{"step":"engine tests","units":1}]},
                      {"reason":"unavailable","units":1,"steps":[{"step":"opening","units":1}]}])"},
        CountCase{"failed units in order of time", "/failedUnits/0/serial", R"("ZK0101")"},
        CountCase{"the second failed unit", "/failedUnits/1/serial", R"("ZK0003")"},
        CountCase{"one serial programmed twice", "/repeats/0/serial", R"("ZK0005")"},
        CountCase{"how often", "/repeats/0/times", "2"},
        CountCase{"where first", "/repeats/0/units/0/station", R"("line-3")"},
        CountCase{"where then", "/repeats/0/units/1/station", R"("line-4")"},
        CountCase{"when then", "/repeats/0/units/1/finished", R"("2026-12-11T11:02:00.000+08:00")"},
        CountCase{"the unit with other settings", "/settingsMismatches/0/serial", R"("ZK0004")"},
        CountCase{"its session's settings", "/settingsMismatches/0/sessionSettingsSha256",
                  R"("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa")"},
        CountCase{"line-3's session", "/sessions/0/session", R"("20261211T085901-4f2a9c")"},
        CountCase{"its end", "/sessions/0/finished", R"("2026-12-11T10:45:00.000+08:00")"},
        CountCase{"what stopped it", "/sessions/0/stoppedBy", R"("SIGINT")"},
        CountCase{"its units", "/sessions/0/units", "5"},
        CountCase{"its summary's units", "/sessions/0/summaryUnits", "5"},
        CountCase{"line-4's session, cut short", "/sessions/1/hasSummary", "false"},
        CountCase{"its start", "/sessions/1/started", R"("2026-12-11T09:45:00.000+08:00")"},
        CountCase{"its units read", "/sessions/1/failed", "1"},
        CountCase{"two sessions", "/totals/sessions", "2"},
        CountCase{"the damaged last line skipped", "/skipped/0/line", "5"},
        CountCase{"in line-4's log", "/logs/1/skipped", "1"},
        CountCase{"nothing else skipped", "/logs/0/skipped", "0"}),
    NamedByWhat());

TEST(ReportCounts, OneRepeatAndOneUnitWithOtherSettings) {
  const Logs logs;
  const Json report = ReportJson({logs("line-3.jsonl"), logs("line-4.jsonl")});
  EXPECT_EQ(report["repeats"].size(), 1u) << report["repeats"].dump();
  EXPECT_EQ(report["settingsMismatches"].size(), 1u) << report["settingsMismatches"].dump();
  EXPECT_EQ(report["failedUnits"].size(), 2u);
}

// --- The text for people ---------------------------------------------------------------

// The text's lines with runs of spaces as one space: the columns' widths are layout.
std::string Collapsed(const std::string& text) {
  std::string collapsed;
  for (const char c : text) {
    if (c == ' ' && !collapsed.empty() && (collapsed.back() == ' ' || collapsed.back() == '\n')) {
      continue;
    }
    collapsed += c;
  }
  return collapsed;
}

struct TextCase {
  const char* what;
  const char* line;  // a whole line of the text, spaces collapsed
};

void PrintTo(const TextCase& c, std::ostream* out) { *out << c.what; }

class ReportTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(ReportTextTest, SaysWhatTheJsonSays) {
  const Logs logs;
  const ScopedCurrentDir here(logs.dir.Path());  // the logs named as a shift leader would
  const CommandResult result = RunKavrinCommand({"report", "line-3.jsonl", "line-4.jsonl"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string text = "\n" + Collapsed(result.out);
  EXPECT_NE(text.find("\n" + std::string(GetParam().line) + "\n"), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(
    TwoStations, ReportTextTest,
    testing::Values(
        TextCase{"the totals", "2 logs: 8 units (6 ok, 2 failed) at 2 stations in 2 sessions"},
        TextCase{"an hour of a station", "line-3 2026-12-11T10:00+08:00 3 2 1"},
        TextCase{"a station's total", "line-4 all 3 2 1"},
        TextCase{"a reason and its step", "engine-test-ng engine tests 1"},
        TextCase{"a failed unit",
                 "2026-12-11T09:50:00.000+08:00 line-4 ZK0101 unavailable opening the unit "
                 "failed at opening"},
        TextCase{"a repeated serial", "ZK0005 2 2026-12-11T10:30:00.000+08:00 line-3 ok"},
        TextCase{"its second time", "2026-12-11T11:02:00.000+08:00 line-4 ok"},
        TextCase{"other settings",
                 "ZK0004 line-3 2026-12-11T10:20:00.000+08:00 20261211T085901-4f2a9c "
                 "bbbbbbbbbbbb... aaaaaaaaaaaa..."},
        TextCase{
            "a session cut short",
            "20261211T094500-1b2c3d line-4 2026-12-11T09:45:00.000+08:00 (no summary) - 3 2 1"},
        TextCase{"the skipped line", "line-4.jsonl:5: not JSON (a damaged or cut line)"}),
    NamedByWhat());

TEST(ReportSessionCounts, ASummaryThatCountedOtherwiseIsShown) {
  TempDir dir;
  const std::string s = kLine3Session;
  // The station counted two units, but one record is not in the log.
  dir.Write(
      "log.jsonl",
      StartRecord("line-3", s, "2026-12-11T08:59:01.000+08:00") +
          UnitRecord("line-3", s, {"ZK0001", "1-1", "2026-12-11T09:10:00.000+08:00", "", ""}) +
          SummaryRecord("line-3", s, 2, 0, "2026-12-11T08:59:01.000+08:00",
                        "2026-12-11T09:30:00.000+08:00"));
  const Json report = ReportJson({(dir / "log.jsonl").string()});
  EXPECT_EQ(report["sessions"][0]["units"], 1);
  EXPECT_EQ(report["sessions"][0]["summaryUnits"], 2);
  const CommandResult text = RunKavrinCommand({"report", (dir / "log.jsonl").string()});
  EXPECT_NE(text.out.find("1 (its summary counts 2 units)"), std::string::npos) << text.out;
}

// --- Older logs, repeated logs ----------------------------------------------------------

TEST(ReportOlderLog, CountsUnitsUnderTheLogsNameAndItsSummaryAsASession) {
  const Logs logs;
  const Json report = ReportJson({logs("older.jsonl")});
  EXPECT_EQ(report["totals"]["units"], 2);
  EXPECT_EQ(report["stations"][0]["station"], "older.jsonl");
  EXPECT_EQ(report["stations"][0]["hours"][0]["hour"], "2026-12-05T14:00");
  EXPECT_EQ(report["failures"][0]["reason"], "transfer-failed");
  EXPECT_EQ(report["failures"][0]["steps"][0]["step"], "settings chunk 2");
  EXPECT_EQ(report["sessions"][0]["stoppedBy"], "signal");
  EXPECT_EQ(report["sessions"][0]["started"], "2026-12-05T14:03:09");
  EXPECT_EQ(report["sessions"][0]["units"], 2);
  EXPECT_EQ(report["skipped"].size(), 0u);
}

TEST(ReportRepeatedLog, ALogGivenTwiceCountsOnce) {
  const Logs logs;
  const Json report = ReportJson({logs("line-3.jsonl"), logs("line-3.jsonl")});
  EXPECT_EQ(report["totals"]["units"], 5);
  EXPECT_EQ(report["repeats"].size(), 0u) << "no serial is programmed twice by a second copy";
  EXPECT_EQ(report["logs"][1]["duplicates"], 7);
}

// --- Lines that are no records ----------------------------------------------------------

struct SkipCase {
  const char* what;
  const char* line;
};

void PrintTo(const SkipCase& c, std::ostream* out) { *out << c.what; }

class ReportSkipsTest : public testing::TestWithParam<SkipCase> {};

TEST_P(ReportSkipsTest, TheLineIsSkippedAndTheRestCounted) {
  TempDir dir;
  dir.Write("log.jsonl", Line3Log() + GetParam().line + "\n" + Line4Log());
  const CommandResult result = RunKavrinCommand({"report", "--json", (dir / "log.jsonl").string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const Json report = Json::parse(result.out);
  EXPECT_EQ(report["totals"]["units"], 8) << "every whole record still counts";
  ASSERT_EQ(report["skipped"].size(), 2u) << report["skipped"].dump();
  EXPECT_EQ(report["skipped"][0]["line"], 8);
  EXPECT_NE(result.err.find("2 lines skipped (line 8"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReportSkipsTest,
    testing::Values(SkipCase{"text", "kavrin: station started"},
                    SkipCase{"a cut record", R"({"schema":1,"record":"unit","device":{"ser)"},
                    SkipCase{"an array", "[1,2,3]"},
                    SkipCase{"an object of no station", R"({"schema":1,"command":"devices"})"},
                    SkipCase{"invalid UTF-8", "{\"record\":\"unit\",\"station\":\"\xff\"}"},
                    SkipCase{"wrong field types",
                             R"({"record":"x","device":7,"station":["a"],"finished":12})"}),
    NamedByWhat());

TEST(ReportFieldTypes, AUnitWithFieldsOfTheWrongTypeCountsWithoutThem) {
  TempDir dir;
  dir.Write("log.jsonl",
            R"({"schema":1,"record":"unit","device":7,"station":["a"],"finished":12,"ok":"yes"})"
            "\n");
  const Json report = ReportJson({(dir / "log.jsonl").string()});
  EXPECT_EQ(report["totals"]["units"], 1);
  EXPECT_EQ(report["totals"]["failed"], 1) << "a result that is not true is no success";
  EXPECT_EQ(report["totals"]["unitsWithoutSerial"], 1);
}

// --- Logs that cannot be read, a page that cannot be written ------------------------------

struct UnreadableCase {
  const char* what;
  const char* log;  // in the fixture folder
};

void PrintTo(const UnreadableCase& c, std::ostream* out) { *out << c.what; }

class ReportUnreadableTest : public testing::TestWithParam<UnreadableCase> {};

TEST_P(ReportUnreadableTest, NamesItAndStillReportsTheOthers) {
  const Logs logs;
  std::filesystem::create_directory(logs.dir / "folder.jsonl");
  const std::string bad = logs(GetParam().log);
  const Json report = ReportJson({logs("line-3.jsonl"), bad}, 1);
  EXPECT_EQ(report["ok"], false);
  EXPECT_EQ(report["reason"], "log-unreadable");
  EXPECT_NE(report["message"].get<std::string>().find(bad), std::string::npos) << report["message"];
  EXPECT_EQ(report["logs"][1]["path"], bad);
  EXPECT_TRUE(report["logs"][1].contains("problem"));
  EXPECT_EQ(report["totals"]["units"], 5) << "line-3's units are still reported";

  const CommandResult text = RunKavrinCommand({"report", logs("line-3.jsonl"), bad});
  EXPECT_EQ(text.exitCode, 1);
  EXPECT_NE(text.err.find("cannot read " + bad), std::string::npos) << text.err;
  EXPECT_NE(text.out.find("5 units"), std::string::npos) << text.out;
}

INSTANTIATE_TEST_SUITE_P(Logs, ReportUnreadableTest,
                         testing::Values(UnreadableCase{"missing", "missing.jsonl"},
                                         UnreadableCase{"a folder", "folder.jsonl"}),
                         NamedByWhat());

TEST(ReportUsage, NoLogIsAUsageErrorOfReport) {
  const CommandResult result = RunKavrinCommand({"report", "--json"});
  EXPECT_EQ(result.exitCode, 2);
  const Json document = Json::parse(result.out, nullptr, false);
  ASSERT_TRUE(document.is_object()) << result.out;
  EXPECT_EQ(document["command"], "report");
  EXPECT_EQ(document["reason"], "usage");
}

TEST(ReportHtmlOutput, APageThatCannotBeWrittenIsOutputUnwritable) {
  const Logs logs;
  const std::string page = (logs.dir / "no-such-folder" / "report.html").string();
  const Json report = ReportJson({logs("line-3.jsonl"), "--html", page}, 1);
  EXPECT_EQ(report["reason"], "output-unwritable");
  EXPECT_EQ(report["totals"]["units"], 5);
  EXPECT_FALSE(std::filesystem::exists(page));
}

TEST(ReportHtmlOutput, WritesThePageWithTheChartAndTables) {
  const Logs logs;
  const Json report =
      ReportJson({logs("line-3.jsonl"), logs("line-4.jsonl"), "--html", logs("report.html")});
  EXPECT_EQ(report["html"], logs("report.html"));
  const std::string page = logs.dir.Read("report.html");
  EXPECT_NE(page.find("<svg"), std::string::npos);
  // One bar per hour with units: 09, 10 and 11.
  std::size_t bars = 0;
  for (std::size_t at = page.find("class=\"bar\""); at != std::string::npos;
       at = page.find("class=\"bar\"", at + 1)) {
    ++bars;
  }
  EXPECT_EQ(bars, 3u);
  EXPECT_NE(page.find("<td>engine-test-ng</td><td>engine tests</td><td class=\"n\">1</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<td>ZK0005</td><td class=\"n\">2</td>"), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);
}

// --- Hostile texts in the page ------------------------------------------------------------

struct HostileCase {
  const char* what;
  const char* field;  // "serial", "station", "reason" or "step"
  const char* text;
  const char* escaped;  // how the page must show it
};

void PrintTo(const HostileCase& c, std::ostream* out) { *out << c.what; }

class ReportHostileTextTest : public testing::TestWithParam<HostileCase> {};

TEST_P(ReportHostileTextTest, ComesOutAsText) {
  const HostileCase& c = GetParam();
  const std::string field = c.field;
  UnitFields unit{"ZK0001", "1-1", "2026-12-11T09:10:00.000+08:00", "engine-test-ng", "tests"};
  std::string station = "line-3";
  if (field == "serial") unit.serial = c.text;
  if (field == "station") station = c.text;
  if (field == "reason") unit.reason = c.text;
  if (field == "step") unit.step = c.text;
  TempDir dir;
  // Twice, so that the text is also in the repeats' table.
  dir.Write("log.jsonl", UnitRecord(station, "s1", unit) + UnitRecord(station, "s2", unit));
  const CommandResult result = RunKavrinCommand(
      {"report", (dir / "log.jsonl").string(), "--html", (dir / "page.html").string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::string page = dir.Read("page.html");
  std::string lower = page;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  EXPECT_EQ(lower.find("<script"), std::string::npos);
  EXPECT_EQ(lower.find("<img"), std::string::npos);
  EXPECT_EQ(page.find(c.text), std::string::npos) << "the text as it came is nowhere in the page";
  EXPECT_NE(page.find(c.escaped), std::string::npos) << page;
  EXPECT_EQ(result.out.find('\x1b'), std::string::npos) << "nor does it reach the terminal";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReportHostileTextTest,
    testing::Values(
        HostileCase{"script in a serial", "serial", "<script>alert(1)</script>",
                    "&lt;script&gt;alert(1)&lt;/script&gt;"},
        HostileCase{"attribute break in a station", "station", "\"><img src=x onerror=alert(1)>",
                    "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;"},
        HostileCase{"table break in a reason", "reason", "</td></table><script>x</script>",
                    "&lt;/td&gt;&lt;/table&gt;&lt;script&gt;x&lt;/script&gt;"},
        HostileCase{"entity and quote in a step", "step", "a&amp;b 'c'<!--",
                    "a&amp;amp;b &#39;c&#39;&lt;!--"},
        HostileCase{"terminal escape in a serial", "serial", "ZK\x1b[2J<b>", "ZK?[2J&lt;b&gt;"}),
    NamedByWhat());

// --- Hours ---------------------------------------------------------------------------------

struct HourCase {
  const char* what;
  const char* time;
  const char* hour;
};

void PrintTo(const HourCase& c, std::ostream* out) { *out << c.what; }

class HourOfTest : public testing::TestWithParam<HourCase> {};

TEST_P(HourOfTest, IsTheLocalHourWithItsOffset) {
  EXPECT_EQ(cli::HourOf(GetParam().time), GetParam().hour);
}

INSTANTIATE_TEST_SUITE_P(
    Times, HourOfTest,
    testing::Values(
        HourCase{"east of UTC", "2026-12-11T09:14:03.120+08:00", "2026-12-11T09:00+08:00"},
        HourCase{"west of UTC", "2026-12-11T23:59:59.999-05:00", "2026-12-11T23:00-05:00"},
        HourCase{"UTC", "2026-12-11T00:00:00.000+00:00", "2026-12-11T00:00+00:00"},
        HourCase{"Z", "2026-12-11T07:30:00Z", "2026-12-11T07:00Z"},
        HourCase{"older, without an offset", "2026-12-05T14:03:09", "2026-12-05T14:00"},
        HourCase{"no time", "yesterday", ""}, HourCase{"cut", "2026-12-11T09:1", ""},
        HourCase{"a bad offset", "2026-12-11T09:14:03+8", ""},
        HourCase{"letters for digits", "2026-12-1xT09:14:03", ""}),
    NamedByWhat());

}  // namespace
}  // namespace kavrin::test
