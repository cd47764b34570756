// kavrin in an environment that works against it: standard streams its parent closed, output
// nobody can receive, leftovers of killed writes, two names for one file, a recorder whose
// strings carry control characters. Each ends with nothing lost and the reason said.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "config/file_io.h"
#include "device/sim/recorder.h"
#include "device/sim/state_store.h"
#include "tests/cli/kavrin_shell.h"
#include "tests/support/param_name.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {
namespace {

using nlohmann::json;

// ---- Closed standard streams ------------------------------------------------------------

struct StreamCase {
  const char* name;
  bool closeOut;
  bool closeErr;
};

void PrintTo(const StreamCase& c, std::ostream* out) { *out << c.name; }

class ClosedStreamTest : public testing::TestWithParam<StreamCase> {
 protected:
  ClosedStreamTest() {
    fs::create_directory(work / "line");
    Plug(work / "line" / "A.json", "A");
    Plug(work / "line" / "B.json", "B");
  }
  // The recorders' state files still read as states, and their lock files hold nothing.
  void ExpectRecordersWhole() {
    for (const char* name : {"A", "B"}) {
      const fs::path state = work / "line" / (std::string(name) + ".json");
      std::string error;
      EXPECT_TRUE(sim::LoadState(state.string(), &error)) << error;
      EXPECT_EQ(ReadText(sim::StateStore::LockPathFor(state.string())), "");
    }
  }
  TempDir work;
};

TEST_P(ClosedStreamTest, ReadAllWritesOnlyItsFiles) {
  const KavrinRun run = Kavrin(work.Path(), work / "line", {"read", "--all", "-o", "{serial}.bin"},
                               GetParam().closeOut, GetParam().closeErr);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  for (const char* file : {"A.bin", "B.bin"}) {
    EXPECT_EQ(ReadText(work / file).size(), 112u) << file << ": nothing but the block";
  }
  ExpectRecordersWhole();
}

TEST_P(ClosedStreamTest, StationLogHoldsOnlyRecords) {
  const KavrinRun run =
      Kavrin(work.Path(), work / "line", {"station", "--count", "2", "--log", "st.jsonl"},
             GetParam().closeOut, GetParam().closeErr);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::istringstream log(ReadText(work / "st.jsonl"));
  std::vector<json> records;
  for (std::string line; std::getline(log, line);) {
    records.push_back(json::parse(line, nullptr, false));
    EXPECT_TRUE(records.back().is_object()) << "not a record: " << line;
  }
  ASSERT_EQ(records.size(), 4u) << "the start, two units and the summary";
  EXPECT_EQ(records[0]["record"], "start");
  EXPECT_EQ(records[3]["stoppedBy"], "count");
  ExpectRecordersWhole();
}

INSTANTIATE_TEST_SUITE_P(Streams, ClosedStreamTest,
                         testing::Values(StreamCase{"stdout", true, false},
                                         StreamCase{"stderr", false, true},
                                         StreamCase{"both", true, true}),
                         [](const auto& testCase) { return ParamName(testCase.param.name); });

// Output that cannot be written is a failure, not a success nobody saw.
TEST(UnwritableOutputTest, ADocumentThatCannotBeWrittenFails) {
  TempDir work;
  Plug(work / "rec.json", "A");
  const std::vector<std::vector<std::string>> commands{
      {"devices", "--json"}, {"info", "--json"}, {"read", "-o", "out.bin", "--json"}};
  for (const std::vector<std::string>& args : commands) {
    SCOPED_TRACE(args[0]);
    const int status = std::system(
        ("cd " + Quote(work.Path().string()) +
         " && KAVRIN_SIMULATOR=" + Quote((work / "rec.json").string()) + " timeout 60 " +
         Quote(KAVRIN_BIN) + " " + args[0] + " " + (args.size() > 1 ? Quote(args[1]) : "") + " " +
         (args.size() > 2 ? Quote(args[2]) + " " + Quote(args[3]) : "") + " >/dev/full 2>/dev/null")
            .c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
  }
  EXPECT_EQ(ReadText(work / "out.bin").size(), 112u) << "the file is written all the same";
}

// ---- Leftovers and aliases ------------------------------------------------------------------

// A process number that runs no process now: a child that has ended and been reaped.
pid_t EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

// Temporary files that killed writes of a target left behind go with the next write of that
// target; a living process's, and other targets', stay.
TEST(LeftoverTest, StaleTemporariesOfTheTargetAreRemovedByItsNextWrite) {
  TempDir dir;
  const std::string dead = std::to_string(EndedProcess());
  struct Leftover {
    std::string name;
    bool stays;
  };
  const std::vector<Leftover> leftovers{
      {".out.bin." + dead + "-0.tmp", false},
      {".out.bin." + dead + "-17.tmp", false},
      {".out.bin.1-0.tmp", true},               // process 1 runs
      {".other.bin." + dead + "-0.tmp", true},  // another target's
      {".out.bin." + dead + "-x.tmp", true},    // not the pattern
      {"out.bin." + dead + "-0.tmp", true},     // not hidden: not one of ours
  };
  for (const Leftover& leftover : leftovers) dir.Write(leftover.name, std::string("part"));
  const std::vector<uint8_t> bytes(112, 7);
  ASSERT_TRUE(WriteFileAtomically(dir / "out.bin", bytes));
  for (const Leftover& leftover : leftovers) {
    EXPECT_EQ(fs::exists(dir / leftover.name), leftover.stays) << leftover.name;
  }
  EXPECT_EQ(ReadText(dir / "out.bin").size(), 112u);
}

// Two recorders whose output names are one file are refused before anything is read.
TEST(AliasTest, TwoNamesForOneFileAreRefusedBeforeAnythingIsRead) {
  const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> aliases{
      {"a link", [](const fs::path& dir) { fs::create_symlink(dir / "B.bin", dir / "A.bin"); }},
      {"a hard link",
       [](const fs::path& dir) { fs::create_hard_link(dir / "B.bin", dir / "A.bin"); }},
  };
  for (const auto& [name, make] : aliases) {
    SCOPED_TRACE(name);
    TempDir work;
    fs::create_directory(work / "line");
    Plug(work / "line" / "A.json", "A");
    Plug(work / "line" / "B.json", "B");
    std::ofstream(work / "B.bin") << "B's old block";
    make(work.Path());
    const KavrinRun run =
        Kavrin(work.Path(), work / "line", {"read", "--all", "-o", "{serial}.bin"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("same file"), std::string::npos) << run.err;
    EXPECT_EQ(ReadText(work / "B.bin"), "B's old block");
    for (const char* serial : {"A", "B"}) {
      const auto state = sim::LoadState((work / "line" / (std::string(serial) + ".json")).string());
      ASSERT_TRUE(state);
      EXPECT_EQ(state->transfers, 0u) << serial << ": nothing is read";
    }
  }
}

// ---- Control characters from the recorder -------------------------------------------------

TEST(DeviceTextTest, ControlCharactersNeverReachTheTerminal) {
  TempDir work;
  sim::RecorderState state;
  state.serial = "S\x1b]0;owned\x07";
  state.model = "ZK742\x1b[2J\x1b[H";
  state.fwVersion = "FW 1.0\r\nFAKE: OK";
  state.hwVersion =
      "HW\xc2\x9b"
      "31m";
  ASSERT_TRUE(sim::SaveState((work / "rec.json").string(), state));
  work.Write("plan.bin", std::string(112, '\0'));
  const std::vector<std::vector<std::string>> commands{{"devices"},
                                                       {"info"},
                                                       {"test"},
                                                       {"read", "-o", "out.bin"},
                                                       {"kavrin", "--dry-run"},
                                                       {"write", "plan.bin", "--dry-run"},
                                                       {"write", "plan.bin"},
                                                       {"verify", "plan.bin"}};
  for (const std::vector<std::string>& args : commands) {
    SCOPED_TRACE(args[0]);
    const KavrinRun run = Kavrin(work.Path(), work / "rec.json", args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const std::string* text : {&run.out, &run.err}) {
      for (const char c : *text) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(c == '\n' || (byte >= 0x20 && byte != 0x7f)) << "byte " << int{byte};
      }
      EXPECT_EQ(text->find("\xc2\x9b"), std::string::npos);
      EXPECT_EQ(text->find("\nFAKE"), std::string::npos) << *text;
      EXPECT_EQ(text->rfind("FAKE", 0), std::string::npos) << *text;
    }
  }
  // JSON carries the text as the recorder gave it, escaped.
  const KavrinRun info = Kavrin(work.Path(), work / "rec.json", {"info", "--json"});
  const json document = json::parse(info.out);
  EXPECT_EQ(document["device"]["serial"], state.serial);
  EXPECT_NE(info.out.find("FAKE: OK"), std::string::npos);
  EXPECT_EQ(info.out.find('\x1b'), std::string::npos);
}

// A recorder's own name with control characters, as a configuration that names it so finds it:
// every command that names the recorder in its text shows them as '?'.
TEST(DeviceTextTest, ARecordersNameIsShownWithoutItsControlCharacters) {
  TempDir work;
  work.Write("c.ini", "[DEVICE]\nNO=1\n0=ZK\x1b[2J742\n");
  work.Write("plan.bin", std::string(112, '\0'));
  sim::RecorderState state;
  state.friendlyName = "ZK\x1b[2J742";
  ASSERT_TRUE(sim::SaveState((work / "rec.json").string(), state));
  const std::vector<std::vector<std::string>> commands{{"write", "plan.bin"},
                                                       {"read", "-o", "out.bin"},
                                                       {"kavrin", "--dry-run"},
                                                       {"kavrin"},
                                                       {"verify", "plan.bin"}};
  for (std::vector<std::string> args : commands) {
    SCOPED_TRACE(args[0] + " " + args.back());
    args.insert(args.end(), {"--config", "c.ini"});
    const KavrinRun run = Kavrin(work.Path(), work / "rec.json", args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\"ZK?[2J742\""), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
  }
}

}  // namespace
}  // namespace kavrin::test
