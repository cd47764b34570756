// kavrin station on a simulator folder, run as the line runs it: a process left running while
// recorders are plugged in and pulled out, then stopped by a signal or by --count. Every wait
// is for a line the station prints, bounded, never a fixed sleep.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/station_fixture.h"
#include "tests/device/fault_rule.h"
#include "tests/support/param_name.h"

namespace kavrin::test {
namespace {

using nlohmann::json;

TEST_F(StationTest, ProgramsEachPlugInOnceUntilStoppedBySignal) {
  Plug("A");
  ChildProcess station(dir_.Path().string(), Folder(),
                       {"station", "--json", "--log", "units.jsonl"});
  // Present at the start.
  const json first = json::parse(station.WaitForOutLine(UnitLine("A")));
  EXPECT_TRUE(first["ok"].get<bool>());
  EXPECT_EQ(first["command"], "station");
  // Plugged in later.
  Plug("B");
  EXPECT_FALSE(station.WaitForOutLine(UnitLine("B")).empty());
  // Pulled out and plugged in again: a new plug-in, programmed again.
  Unplug("A");
  EXPECT_NE(station.WaitForErrLine([](const std::string& line) {
    return line.find("gone: ") != std::string::npos && line.find("A.json") != std::string::npos;
  }),
            "");
  Plug("A");
  EXPECT_FALSE(station.WaitForOutLine(UnitLine("A")).empty());
  // One that fails is reported once and left uncommitted.
  sim::RecorderState faulty;
  faulty.faults.rules.push_back(Fault().Selector(18).Always());
  Plug("C", faulty);
  const json failed = json::parse(station.WaitForOutLine(UnitLine("C")));
  EXPECT_FALSE(failed["ok"].get<bool>());
  EXPECT_EQ(failed["reason"], "transfer-failed");

  station.Signal(SIGTERM);
  const json summary = json::parse(station.WaitForOutLine(
      [](const std::string& line) { return line.find("\"summary\"") != std::string::npos; }));
  EXPECT_EQ(
      summary["summary"],
      json(
          {{"units", 4}, {"succeeded", 3}, {"failed", 1}, {"byReason", {{"transfer-failed", 1}}}}));
  EXPECT_EQ(summary["stoppedBy"], "SIGTERM");
  EXPECT_EQ(station.Wait(), 1) << "a unit failed";
  EXPECT_EQ(station.OutLines().size(), 6u) << "the start, four units, the summary: nothing twice";
  EXPECT_EQ(std::count_if(station.OutLines().begin(), station.OutLines().end(), UnitLine("A")), 2);
  EXPECT_EQ(Commits("A"), 1u) << "the state plugged in again";
  EXPECT_EQ(Commits("B"), 1u) << "a unit that stays plugged in is programmed once";
  EXPECT_EQ(Commits("C"), 0u);

  std::istringstream log(dir_.Read("units.jsonl"));
  std::vector<json> records;
  for (std::string line; std::getline(log, line);) records.push_back(json::parse(line));
  ASSERT_EQ(records.size(), 6u) << "the start, four units, then the summary";
  EXPECT_EQ(records.front()["record"], "start");
  EXPECT_EQ(records.back()["summary"], summary["summary"]);
  EXPECT_EQ(records.back()["stoppedBy"], "SIGTERM");
  EXPECT_FALSE(records.back()["time"].get<std::string>().empty());
  records.pop_back();
  records.erase(records.begin());
  for (const json& record : records) {
    EXPECT_FALSE(record["time"].get<std::string>().empty());
    EXPECT_TRUE(record["device"].contains("serial"));
    EXPECT_TRUE(record.contains("settings"));
    EXPECT_TRUE(record.contains("tests"));
  }
}

TEST_F(StationTest, CountStopsAfterThatManyUnits) {
  ChildProcess station(dir_.Path().string(), Folder(), {"station", "--count", "2"});
  EXPECT_NE(station.WaitForErrLine(
                [](const std::string& line) { return line.find("2 in all") != std::string::npos; }),
            "");
  Plug("X");
  EXPECT_NE(station.WaitForOutLine(
                [](const std::string& line) { return line.find("X.json") != std::string::npos; }),
            "");
  // Two arrive together: only the one that completes the count is programmed.
  sim::RecorderState y, z;
  y.serial = "Y";
  z.serial = "Z";
  ASSERT_TRUE(sim::SaveState((dir_ / "Y.json").string(), y));
  ASSERT_TRUE(sim::SaveState((dir_ / "Z.json").string(), z));
  std::filesystem::rename(dir_ / "Y.json", File("Y"));
  std::filesystem::rename(dir_ / "Z.json", File("Z"));
  EXPECT_EQ(station.Wait(), 0);
  EXPECT_EQ(station.OutLines().back(), "2 recorders: 2 succeeded, 0 failed");
  EXPECT_EQ(Commits("X") + Commits("Y") + Commits("Z"), 2u);
  EXPECT_EQ(Commits("X"), 1u);
}

TEST_F(StationTest, LogThatCannotBeWrittenRefusesToStart) {
  Plug("A");
  ChildProcess station(dir_.Path().string(), Folder(),
                       {"station", "--json", "--log", (dir_ / "no/such/folder/log").string()});
  EXPECT_EQ(station.Wait(), 1);
  ASSERT_EQ(station.OutLines().size(), 1u);
  EXPECT_EQ(json::parse(station.OutLines()[0])["reason"], "log-unwritable");
  EXPECT_EQ(Commits("A"), 0u) << "nothing is programmed without its record";
}

// However the station is stopped, every recorder it committed has its record in the log, and
// the log ends with the summary.
struct StopCase {
  const char* name;
  bool json;
  // Stops the running station once it has begun (three recorders present at its start).
  std::function<void(ChildProcess&)> stop;
  const char* stoppedBy;
  int exitCode;
};

void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

class StationStopTest : public StationTest, public testing::WithParamInterface<StopCase> {};

bool UnitReported(const std::string& line) {
  return line.rfind("OK ", 0) == 0 || line.find("\"device\"") != std::string::npos;
}

TEST_P(StationStopTest, EveryCommittedRecorderHasItsRecordAndTheLogItsSummary) {
  for (const char* name : {"A", "B", "C"}) Plug(name);
  std::vector<std::string> arguments{"station", "--log", "units.jsonl"};
  if (GetParam().json) arguments.push_back("--json");
  ChildProcess station(dir_.Path().string(), Folder(), arguments);
  GetParam().stop(station);
  EXPECT_EQ(station.Wait(), GetParam().exitCode);

  std::istringstream log(dir_.Read("units.jsonl"));
  std::vector<json> records;
  for (std::string line; std::getline(log, line);) {
    records.push_back(json::parse(line, nullptr, false));
    ASSERT_TRUE(records.back().is_object()) << "a torn record: " << line;
  }
  ASSERT_GE(records.size(), 2u);
  EXPECT_EQ(records.front()["record"], "start");
  records.erase(records.begin());
  const json summary = records.back();
  records.pop_back();
  EXPECT_EQ(summary["stoppedBy"], GetParam().stoppedBy);
  EXPECT_EQ(summary["summary"]["units"], records.size());
  std::size_t committed = 0;
  for (const char* name : {"A", "B", "C"}) committed += Commits(name);
  EXPECT_EQ(records.size(), committed) << "a record for every recorder committed";
  EXPECT_GE(committed, 1u);
  for (const json& record : records) EXPECT_TRUE(record["ok"].get<bool>()) << record;
}

INSTANTIATE_TEST_SUITE_P(
    Stops, StationStopTest,
    testing::Values(
        // `| head -c1`: the reader leaves before the first unit is reported.
        StopCase{"ReaderGoneText", false, [](ChildProcess& s) { s.CloseOut(); }, "output", 1},
        StopCase{"ReaderGoneJson", true, [](ChildProcess& s) { s.CloseOut(); }, "output", 1},
        StopCase{"HangUp", false,
                 [](ChildProcess& s) {
                   for (int units = 0; units < 3; ++units)
                     EXPECT_NE(s.WaitForOutLine(UnitReported), "");
                   s.Signal(SIGHUP);
                 },
                 "SIGHUP", 0}),
    [](const auto& testCase) { return test::ParamName(testCase.param.name); });

}  // namespace
}  // namespace kavrin::test
