// Several recorders of one name in a simulator folder: every form of address selects one,
// a command that writes never guesses between them, --all programs them in parallel with one
// result per unit, and a unit that fails is the only one left uncommitted.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "tests/cli/recorder_fixture.h"
#include "tests/device/fault_rule.h"

namespace kavrin::cli {
namespace {

using nlohmann::json;
using test::CommandResult;

using test::JsonLines;

class SeveralRecordersTest : public test::SimulatedRecorderTest {
 protected:
  SeveralRecordersTest() : SimulatedRecorderTest("recorders") {
    std::filesystem::create_directory(dir_ / "recorders");
    // A has a serial and a port of its own; B and C are known by their files' names.
    sim::RecorderState a;
    a.serial = "SN-A";
    a.port = "1-2.1";
    Plug(a, "recorders/a.json");
    sim::RecorderState b;
    b.port = "1-2.2";
    Plug(b, "recorders/B.json");
    Plug(sim::RecorderState{}, "recorders/C.json");
  }
  std::vector<uint32_t> Commits(const std::string& name) {
    return State("recorders/" + name + ".json").commits;
  }
  void ClearCommits() {
    for (const char* name : {"a", "B", "C"}) {
      sim::RecorderState state = State("recorders/" + std::string(name) + ".json");
      state.commits.clear();
      Plug(state, "recorders/" + std::string(name) + ".json");
    }
  }
  // Which of a, B, C were committed, as "aBC" with '-' for none.
  std::string Committed() {
    std::string committed;
    for (const char* name : {"a", "B", "C"}) {
      committed += Commits(name).empty() ? '-' : name[0];
    }
    return committed;
  }
};

TEST_F(SeveralRecordersTest, DevicesListsEveryRecordersAddress) {
  const CommandResult run = Run({"devices", "--json"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const json listing = json::parse(run.out);
  ASSERT_EQ(listing["devices"].size(), 3u);
  EXPECT_EQ(listing["devices"][0]["device"], json({{"node", StatePath("recorders/B.json")},
                                                   {"port", "1-2.2"},
                                                   {"serial", "B"},
                                                   {"name", "ZK742"}}));
  EXPECT_EQ(listing["devices"][1]["device"]["serial"], "C");
  EXPECT_EQ(listing["devices"][2]["device"]["serial"], "SN-A");
  EXPECT_EQ(listing["devices"][2]["device"]["port"], "1-2.1");
}

TEST_F(SeveralRecordersTest, EveryFormOfAddressSelectsOneRecorder) {
  struct Case {
    std::string device;
    const char* committed;
    const char* file;
  };
  std::vector<Case> cases = {
      {"serial:SN-A", "a--", "a"},
      {"serial:B", "-B-", "B"},
      {"port:1-2.2", "-B-", "B"},
      {StatePath("recorders/C.json"), "--C", "C"},
      {"recorders/../recorders/C.json", "--C", "C"},  // the same node by another path
  };
  // A link to it, where the file system has them (not under Wine).
  std::filesystem::create_directory(dir_ / "links");
  std::error_code noLinks;
  std::filesystem::create_symlink(dir_ / "recorders/C.json", dir_ / "links/by-id-C", noLinks);
  if (!noLinks) cases.push_back({StatePath("links/by-id-C"), "--C", "C"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    ClearCommits();
    const CommandResult run = Run({"kavrin", "-d", c.device, "--json"});
    ASSERT_EQ(run.exitCode, kExitOk) << run.err;
    EXPECT_EQ(Committed(), c.committed);
    EXPECT_EQ(json::parse(run.out)["device"]["node"],
              StatePath("recorders/" + std::string(c.file) + ".json"));
  }
}

TEST_F(SeveralRecordersTest, AddressesThatNameNoRecorderAreRefused) {
  sim::RecorderState webcam;
  webcam.friendlyName = "Webcam";
  webcam.serial = "W";
  Plug(webcam, "recorders/w.json");
  struct Case {
    const char* device;
    const char* reason;
  } cases[] = {
      {"serial:Z", "no-such-device"},
      {"port:9-9", "no-such-device"},
      {"serial:W", "not-a-recorder"},
      {"serial:", "usage"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    const CommandResult run = Run({"kavrin", "-d", c.device, "--json"});
    EXPECT_NE(run.exitCode, kExitOk);
    EXPECT_EQ(json::parse(run.out)["reason"], c.reason);
  }
  EXPECT_EQ(Committed(), "---");
}

TEST_F(SeveralRecordersTest, WritingCommandsRefuseToGuessReadingOnesTakeTheFirstAndSaySo) {
  for (const char* command : {"kavrin", "write"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> arguments = {command, "--json"};
    if (std::string(command) == "write") {
      dir_.Write("send.bin", std::string(112, '\x01'));
      arguments.push_back("send.bin");
    }
    const CommandResult run = Run(arguments);
    EXPECT_EQ(run.exitCode, kExitFailed);
    const json refusal = json::parse(run.out);
    EXPECT_EQ(refusal["reason"], "ambiguous");
    ASSERT_EQ(refusal["candidates"].size(), 3u);
    EXPECT_EQ(refusal["candidates"][2]["serial"], "SN-A");
    EXPECT_NE(run.err.find("serial SN-A, port 1-2.1"), std::string::npos) << run.err;
  }
  EXPECT_EQ(Committed(), "---");

  const CommandResult info = Run({"info", "--json"});
  EXPECT_EQ(info.exitCode, kExitOk) << info.err;
  EXPECT_EQ(json::parse(info.out)["device"]["serial"], "B");
  EXPECT_NE(info.err.find("3 recorders are present; using " + StatePath("recorders/B.json")),
            std::string::npos)
      << info.err;
}

TEST_F(SeveralRecordersTest, AllProgramsEveryUnitAndOneFailureFailsTheRunAlone) {
  sim::RecorderState failing = State("recorders/B.json");
  failing.faults.rules.push_back(test::Fault().Command(2).Offset(40).OnSet().Always());
  Plug(failing, "recorders/B.json");
  const CommandResult run = Run({"kavrin", "--all", "--json"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  const std::vector<json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 5u) << "the start, three units, the summary: " << run.out;
  EXPECT_EQ(lines[0]["record"], "start");
  int succeeded = 0;
  for (std::size_t i = 1; i < 4; ++i) {
    const json& unit = lines[i];
    EXPECT_EQ(unit["command"], "kavrin");
    if (unit["ok"].get<bool>()) {
      ++succeeded;
      continue;
    }
    EXPECT_EQ(unit["device"]["serial"], "B");
    EXPECT_EQ(unit["reason"], "transfer-failed");
    EXPECT_EQ(unit["written"], false);
  }
  EXPECT_EQ(succeeded, 2);
  EXPECT_EQ(
      lines[4]["summary"],
      json(
          {{"units", 3}, {"succeeded", 2}, {"failed", 1}, {"byReason", {{"transfer-failed", 1}}}}));
  EXPECT_EQ(lines[4]["ok"], false);
  EXPECT_EQ(Committed(), "a-C") << "the failing unit has no commit";

  const CommandResult text = Run({"kavrin", "-d", "serial:SN-A", "-d", "port:1-2.2"});
  EXPECT_EQ(text.exitCode, kExitFailed) << "B still fails";
  EXPECT_NE(text.out.find("FAIL  " + StatePath("recorders/B.json") +
                          " (serial B, port 1-2.2)  transfer-failed"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("2 recorders: 1 succeeded, 1 failed\n"), std::string::npos) << text.out;
  EXPECT_EQ(Commits("C").size(), 1u) << "C was not selected";
}

// A dry run chooses its recorders as the real run would, refusal to guess included, and
// plans every one of them without a transfer to any.
TEST_F(SeveralRecordersTest, DryRunPlansEverySelectedUnitAndSendsNothing) {
  const CommandResult guess = Run({"kavrin", "--dry-run", "--json"});
  EXPECT_EQ(guess.exitCode, kExitFailed);
  EXPECT_EQ(json::parse(guess.out)["reason"], "ambiguous");

  const CommandResult run = Run({"kavrin", "--all", "--dry-run", "--json", "--set", "Mode=Day"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const std::vector<json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 4u) << run.out;
  std::set<std::string> serials;
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lines[i]["dryRun"], true);
    EXPECT_EQ(lines[i]["sent"], false);
    EXPECT_EQ(lines[i]["items"][0]["option"], "Day");
    serials.insert(lines[i]["device"]["serial"].get<std::string>());
  }
  EXPECT_EQ(serials, (std::set<std::string>{"B", "C", "SN-A"}));
  EXPECT_EQ(lines[3]["summary"],
            json({{"units", 3}, {"succeeded", 3}, {"failed", 0}, {"byReason", json::object()}}));
  EXPECT_EQ(lines[3]["dryRun"], true);

  dir_.Write("send.bin", std::string(112, '\x01'));
  const CommandResult text =
      Run({"write", "-d", "serial:B", "-d", "serial:C", "--dry-run", "send.bin"});
  EXPECT_EQ(text.exitCode, kExitOk) << text.err;
  EXPECT_NE(text.out.find("OK    " + StatePath("recorders/B.json") +
                          " (serial B, port 1-2.2)  would send commit 1; nothing sent\n"
                          "      Settings: "),
            std::string::npos)
      << text.out;
  for (const char* name : {"a", "B", "C"}) {
    EXPECT_EQ(State("recorders/" + std::string(name) + ".json").transfers, 0u) << name;
  }
  EXPECT_EQ(Committed(), "---");
}

TEST_F(SeveralRecordersTest, ReadAllWritesOneFilePerUnitByPattern) {
  CommandResult run = Run({"read", "--all", "-o", "{index}-{serial}-{port}.bin"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_EQ(dir_.Read("1-B-1-2.2.bin").size(), 112u);
  EXPECT_EQ(dir_.Read("2-C-.bin").size(), 112u);
  EXPECT_EQ(dir_.Read("3-SN-A-1-2.1.bin").size(), 112u);

  run = Run({"read", "--all", "-o", "same.bin", "--json"});
  EXPECT_EQ(run.exitCode, kExitUsage);
  EXPECT_EQ(json::parse(run.out)["reason"], "usage");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "same.bin")) << "nothing is read then";
}

TEST_F(SeveralRecordersTest, InfoAndTestAllGiveEachUnitsRows) {
  sim::RecorderState ng = State("recorders/C.json");
  ng.testResults[0x1031] = 0;
  Plug(ng, "recorders/C.json");
  const CommandResult run = Run({"test", "--all"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  EXPECT_NE(run.out.find("FAIL  " + StatePath("recorders/C.json") +
                         " (serial C)  engine-test-ng: engine test NG: 0x1031 \"RTC\"\n"
                         "      0x1011  Key : OK\n      0x1031  RTC : NG\n"),
            std::string::npos)
      << run.out;
  const CommandResult info = Run({"info", "--all", "--json"});
  EXPECT_EQ(info.exitCode, kExitOk);
  const std::vector<json> lines = JsonLines(info.out);
  ASSERT_EQ(lines.size(), 4u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(lines[i]["rows"][0]["answer"], "ZK742");
}

// A unit pulled while its engine tests are asked has no verdict: it is unavailable, never
// engine-test-ng, and the line is not told to force it. A refused commit is the commit's.
TEST_F(SeveralRecordersTest, AUnitThatCouldNotAnswerIsNotAnEngineFailure) {
  sim::RecorderState pulled = State("recorders/B.json");
  // Gone after the two information rows' and the first test's questions and answers.
  pulled.faults.vanishAfter = 2 * 2 + 2;
  Plug(pulled, "recorders/B.json");
  sim::RecorderState refusing = State("recorders/C.json");
  refusing.faults.rules.push_back(test::Fault().Selector(18).Status(sim::kRecorderFalse));
  Plug(refusing, "recorders/C.json");
  const CommandResult run = Run({"kavrin", "--all", "--json"});
  EXPECT_EQ(run.exitCode, kExitFailed);
  std::map<std::string, json> units;
  for (const json& line : JsonLines(run.out)) {
    if (line.contains("device")) units[line["device"]["serial"].get<std::string>()] = line;
  }
  ASSERT_EQ(units.size(), 3u) << run.out;
  EXPECT_EQ(units["B"]["reason"], "unavailable");
  EXPECT_EQ(units["B"]["cause"], "unavailable");
  EXPECT_EQ(units["B"]["step"], "engine test \"RTC\"");
  EXPECT_EQ(units["B"]["message"].get<std::string>().find("--force"), std::string::npos);
  EXPECT_EQ(units["C"]["reason"], "transfer-failed");
  EXPECT_EQ(units["C"]["step"], "commit");
  EXPECT_EQ(units["C"]["cause"], "refused");
  EXPECT_EQ(units["SN-A"]["ok"], true);
  EXPECT_EQ(Commits("B").size(), 0u);
  EXPECT_EQ(Commits("C").size(), 0u);
}

}  // namespace
}  // namespace kavrin::cli
