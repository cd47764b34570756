// `kavrin kavrin` on several recorders keeps a session's records as the station does: the start
// record first (which settings it will write, from where, with their fingerprints), a record
// per unit naming everything that decided it, the summary last. The settings are stated on
// stderr for people before the first unit, and a unit that fails says why on stderr in one
// line while stdout stays JSON lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "cli/commands.h"
#include "config/sha256.h"
#include "tests/cli/recorder_fixture.h"
#include "tests/device/fault_rule.h"
#include "tests/support/param_name.h"

namespace kavrin::cli {
namespace {

using nlohmann::json;
using test::CommandResult;

using test::JsonLines;

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// 112 bytes: Mode (word 2, bits 3-5) set to `mode`.
std::string Block(unsigned mode) {
  std::string block(112, '\0');
  block[4] = static_cast<char>(mode << 3);
  return block;
}

bool IsIsoLocalTime(const json& value) {
  static const std::regex form(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)");
  return value.is_string() && std::regex_match(value.get<std::string>(), form);
}

class SessionRecordsTest : public test::SimulatedRecorderTest {
 protected:
  SessionRecordsTest() : SimulatedRecorderTest("recorders") {
    std::filesystem::create_directory(dir_ / "recorders");
    sim::RecorderState a;
    a.serial = "SN-A";
    a.port = "1-2.1";
    a.fwVersion = "FW 3.4";
    Plug(a, "recorders/a.json");
    sim::RecorderState ng;
    ng.port = "1-2.2";
    ng.testResults[0x1031] = 0;
    Plug(ng, "recorders/NG.json");
  }
  std::string Sha256Of(const std::string& name) const {
    return Sha256OfFile(dir_ / name).value_or("(unreadable)");
  }
};

// Which settings the batch writes, said before the first unit: a file named on the command
// line, a ./Default.bin left in the working folder (stale, say: its Mode is not the
// default's), or the configuration's defaults.
struct SourceCase {
  const char* name;
  bool file;        // line.bin named on the command line (Mode Auto)
  bool defaultBin;  // ./Default.bin present (Mode Day)
  const char* kind;
  const char* note;  // the source's line on stderr, up to the path
  json differs;
};

void PrintTo(const SourceCase& c, std::ostream* out) { *out << c.name; }

class SettingsSourceTest : public SessionRecordsTest,
                           public testing::WithParamInterface<SourceCase> {};

TEST_P(SettingsSourceTest, StartRecordAndNoteNameTheSourceBeforeTheFirstUnit) {
  const SourceCase& c = GetParam();
  dir_.Write("line.bin", Block(0));
  if (c.defaultBin) dir_.Write("Default.bin", Block(1));
  std::vector<std::string> arguments{"kavrin", "--all", "--json"};
  if (c.file) arguments.push_back("line.bin");
  const CommandResult run = Run(arguments);
  EXPECT_EQ(run.exitCode, kExitFailed) << "NG refuses";
  const std::vector<json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 4u) << run.out;
  const json& start = lines.front();
  EXPECT_EQ(start["record"], "start");
  EXPECT_EQ(start["source"]["kind"], c.kind);
  const std::string file = c.file ? "line.bin" : "Default.bin";
  if (std::string(c.kind) == "defaults") {
    EXPECT_FALSE(start["source"].contains("path"));
    EXPECT_FALSE(start["source"].contains("sha256"));
  } else {
    ASSERT_TRUE(start["source"]["path"].is_string());
    const std::string path = start["source"]["path"].get<std::string>();
    EXPECT_TRUE(std::filesystem::path(path).is_absolute()) << path;
    EXPECT_TRUE(std::filesystem::equivalent(path, dir_ / file)) << path;
    EXPECT_EQ(start["source"]["sha256"], Sha256Of(file));
  }
  EXPECT_EQ(start["differsFromDefaults"], c.differs);
  for (std::size_t i = 1; i < 3; ++i) EXPECT_EQ(lines[i]["source"], start["source"]);

  // For people: the source, then the differences, all before the first unit's line.
  const std::vector<std::string> err = TextLines(run.err);
  auto at = [&](const std::string& text) {
    for (std::size_t i = 0; i < err.size(); ++i) {
      if (err[i].find(text) != std::string::npos) return static_cast<long>(i);
    }
    return -1L;
  };
  const long source = at(std::string("kavrin: ") + c.note);
  const long failLine = at("FAIL  ");
  ASSERT_GE(source, 0) << run.err;
  ASSERT_GE(failLine, 0) << run.err;
  EXPECT_LT(source, failLine) << run.err;
  if (std::string(c.kind) != "defaults") {
    const std::string& line = err[static_cast<std::size_t>(source)];
    EXPECT_NE(line.find(start["source"]["path"].get<std::string>()), std::string::npos) << line;
    EXPECT_NE(line.find(Sha256Of(file)), std::string::npos) << line;
  }
  if (c.differs.empty()) {
    EXPECT_LT(at("every item as the configuration's defaults"), failLine) << run.err;
  } else {
    const long item =
        at("  Mode: \"" + c.differs[0]["option"].get<std::string>() + "\" (default \"Night\")");
    EXPECT_GT(item, source) << run.err;
    EXPECT_LT(item, failLine) << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SettingsSourceTest,
    testing::Values(
        SourceCase{"file_over_a_default_bin", true, true, "file", "settings from ",
                   json::array({{{"title", "Mode"}, {"option", "Auto"}, {"default", "Night"}}})},
        SourceCase{"stale_default_bin", false, true, "default-bin",
                   "settings from ./Default.bin found in the working folder",
                   json::array({{{"title", "Mode"}, {"option", "Day"}, {"default", "Night"}}})},
        SourceCase{"configuration_defaults", false, false, "defaults",
                   "settings from the configuration's defaults", json::array()}),
    [](const auto& testCase) { return test::ParamName(testCase.param.name); });

TEST_F(SessionRecordsTest, EveryRecordNamesWhatDecidedItsUnit) {
  dir_.Write("line.bin", Block(1));
  const CommandResult version = test::RunKavrinCommand({"--version"});
  ASSERT_EQ(version.out.rfind("kavrin ", 0), 0u) << version.out;
  const std::string toolVersion = version.out.substr(7, version.out.find('\n') - 7);

  const CommandResult run = Run({"kavrin", "--all", "--json", "line.bin", "--set", "Mode=Night",
                                 "--logo", "ACME", "--station", "line-3"});
  const std::vector<json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 4u) << run.out;
  const json& start = lines.front();
  const json& summary = lines.back();
  EXPECT_TRUE(
      std::filesystem::equivalent(start["config"]["path"].get<std::string>(), ConfigPath()));
  EXPECT_EQ(start["config"]["sha256"], Sha256Of("test.ini"));
  EXPECT_EQ(start["changes"], json({"Mode=Night", "logo=ACME"}));
  EXPECT_EQ(start["differsFromDefaults"],
            json::array({{{"title", "Date Stamp Logo"}, {"option", "ACME"}, {"default", ""}}}))
      << "Mode is back at its default";
  EXPECT_EQ(start["options"]["force"], false);
  EXPECT_TRUE(IsIsoLocalTime(start["started"])) << start["started"];
  // The 80 bytes and their fingerprint.
  const std::string hex = start["settings"].get<std::string>();
  ASSERT_EQ(hex.size(), 160u);
  std::vector<uint8_t> bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  EXPECT_EQ(start["settingsSha256"], Sha256Hex(bytes));

  std::map<std::string, json> units;
  for (const json& record : lines) {
    SCOPED_TRACE(record.dump());
    EXPECT_EQ(record["schema"], 1);
    EXPECT_EQ(record["command"], "kavrin");
    EXPECT_EQ(record["session"], start["session"]);
    EXPECT_EQ(record["tool"], json({{"name", "kavrin"}, {"version", toolVersion}}));
    EXPECT_EQ(record["station"], "line-3");
    if (record["record"] != "unit") continue;
    units[record["device"]["serial"].get<std::string>()] = record;
    EXPECT_EQ(record["config"], start["config"]);
    EXPECT_EQ(record["source"], start["source"]);
    EXPECT_EQ(record["changes"], start["changes"]);
    EXPECT_EQ(record["result"], record["ok"].get<bool>() ? "ok" : "failed");
    EXPECT_TRUE(IsIsoLocalTime(record["started"]));
    EXPECT_TRUE(IsIsoLocalTime(record["finished"]));
    EXPECT_LE(record["started"].get<std::string>(), record["finished"].get<std::string>());
    EXPECT_GE(record["durationMs"].get<int64_t>(), 0);
  }
  ASSERT_EQ(units.size(), 2u);
  // The information rows as answered; the test configuration has no HW_VERSION row.
  EXPECT_EQ(
      units["SN-A"]["unit"],
      json({{"model", "ZK742"},
            {"hardware", ""},
            {"firmware", "FW 3.4"},
            {"information",
             json::array({{{"title", "Model"}, {"value", "ZK742"}, {"answered", true}},
                          {{"title", "FW Ver"}, {"value", "FW 3.4"}, {"answered", true}}})}}));
  EXPECT_EQ(units["SN-A"]["device"]["port"], "1-2.1");
  EXPECT_EQ(units["SN-A"]["settingsSha256"], start["settingsSha256"]);
  EXPECT_EQ(units["NG"]["unit"]["firmware"], "FW 1.0");
  EXPECT_EQ(units["NG"]["result"], "failed");
  EXPECT_EQ(units["NG"]["reason"], "engine-test-ng");
  EXPECT_EQ(units["NG"]["step"], "engine test \"RTC\"");
  EXPECT_TRUE(units["NG"]["settingsSha256"].is_null()) << "nothing was written to it";

  EXPECT_EQ(summary["record"], "summary");
  EXPECT_EQ(summary["stoppedBy"], "done");
  EXPECT_EQ(
      summary["summary"],
      json({{"units", 2}, {"succeeded", 1}, {"failed", 1}, {"byReason", {{"engine-test-ng", 1}}}}));
  EXPECT_EQ(summary["started"], start["started"]);
  EXPECT_TRUE(IsIsoLocalTime(summary["finished"]));
  EXPECT_GE(summary["durationMs"].get<int64_t>(), 0);
}

TEST_F(SessionRecordsTest, StationIsTheHostNameUnlessNamed) {
#ifndef _WIN32
  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  const std::vector<json> lines = JsonLines(Run({"kavrin", "--all", "--json"}).out);
  ASSERT_FALSE(lines.empty());
  for (const json& record : lines) EXPECT_EQ(record["station"], host);
#endif
  const std::vector<json> named =
      JsonLines(Run({"kavrin", "--all", "--json", "--station", "jig 7"}).out);
  ASSERT_FALSE(named.empty());
  for (const json& record : named) EXPECT_EQ(record["station"], "jig 7");
}

TEST_F(SessionRecordsTest, EachRunIsASessionOfItsOwn) {
  const std::vector<json> first = JsonLines(Run({"kavrin", "--all", "--json"}).out);
  const std::vector<json> second = JsonLines(Run({"kavrin", "--all", "--json"}).out);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first.front()["session"], second.front()["session"]);
}

// With --json, stdout carries only JSON lines and each failed unit is also one line on
// stderr, for the person watching; the commands that read say so as well as kavrin.
struct FailedUnitCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* reason;
};

void PrintTo(const FailedUnitCase& c, std::ostream* out) { *out << c.name; }

class FailedUnitOnStderrTest : public SessionRecordsTest,
                               public testing::WithParamInterface<FailedUnitCase> {};

TEST_P(FailedUnitOnStderrTest, OneLineNamesTheUnitAndItsReason) {
  const CommandResult run = Run(GetParam().arguments);
  EXPECT_EQ(run.exitCode, kExitFailed);
  for (const std::string& line : TextLines(run.out)) {
    EXPECT_TRUE(json::parse(line, nullptr, false).is_object()) << "not JSON: " << line;
  }
  std::vector<std::string> failures;
  for (const std::string& line : TextLines(run.err)) {
    if (line.find("FAIL") != std::string::npos) failures.push_back(line);
  }
  ASSERT_EQ(failures.size(), 1u) << run.err;
  EXPECT_EQ(failures[0].rfind("kavrin: FAIL  " + StatePath("recorders/NG.json") +
                                  " (serial NG, port 1-2.2)  " + GetParam().reason + ": ",
                              0),
            0u)
      << failures[0];
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FailedUnitOnStderrTest,
    testing::Values(FailedUnitCase{"kavrin", {"kavrin", "--all", "--json"}, "engine-test-ng"},
                    FailedUnitCase{"test", {"test", "--all", "--json"}, "engine-test-ng"},
                    FailedUnitCase{"several_devices",
                                   {"kavrin", "-d", "serial:SN-A", "-d", "port:1-2.2", "--json"},
                                   "engine-test-ng"}),
    [](const auto& testCase) { return test::ParamName(testCase.param.name); });

}  // namespace
}  // namespace kavrin::cli
