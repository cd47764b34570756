// kavrin in an environment that works against it: standard streams its parent closed, links
// another user planted in a shared folder, a lock file that cannot be had, a recorder whose
// strings carry control characters. Each ends with nothing lost and the reason said.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "config/file_io.h"
#include "device/sim/recorder.h"
#include "device/sim/state_store.h"
#include "tests/support/ordinary_user.h"
#include "tests/support/param_name.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct KavrinRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// kavrin in `work` on the simulated recorder(s) at `simulator`; a closed stream is closed
// (`>&-`) for the program, an open one captured.
KavrinRun Kavrin(const fs::path& work, const fs::path& simulator, const std::vector<std::string>& args,
           bool closeOut = false, bool closeErr = false, const std::string& launcher = "") {
  test::TempDir capture;
  std::string command = "cd " + Quote(work.string()) + " && KAVRIN_SIMULATOR=" +
                        Quote(simulator.string()) + " " + launcher + "timeout 60 " +
                        Quote(KAVRIN_BIN);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += closeOut ? " >&-" : " >" + Quote((capture / "out").string());
  command += closeErr ? " 2>&-" : " 2>" + Quote((capture / "err").string());
  const int status = std::system(command.c_str());
  KavrinRun run;
  run.exitCode = WIFEXITED(status) && WEXITSTATUS(status) != 124 ? WEXITSTATUS(status) : -1;
  if (!closeOut) run.out = capture.Read("out");
  if (!closeErr) run.err = capture.Read("err");
  return run;
}

std::string ReadText(const fs::path& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return {};
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void Plug(const fs::path& file, const std::string& serial) {
  sim::RecorderState state;
  state.serial = serial;
  ASSERT_TRUE(sim::SaveState(file.string(), state));
}

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
  test::TempDir work;
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
  const KavrinRun run = Kavrin(work.Path(), work / "line",
                         {"station", "--count", "2", "--log", "st.jsonl"}, GetParam().closeOut,
                         GetParam().closeErr);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::istringstream log(ReadText(work / "st.jsonl"));
  std::vector<json> records;
  for (std::string line; std::getline(log, line);) {
    records.push_back(json::parse(line, nullptr, false));
    EXPECT_TRUE(records.back().is_object()) << "not a record: " << line;
  }
  ASSERT_EQ(records.size(), 3u) << "two units and the summary";
  EXPECT_EQ(records[2]["stoppedBy"], "count");
  ExpectRecordersWhole();
}

INSTANTIATE_TEST_SUITE_P(Streams, ClosedStreamTest,
                         testing::Values(StreamCase{"stdout", true, false},
                                         StreamCase{"stderr", false, true},
                                         StreamCase{"both", true, true}),
                         [](const auto& testCase) { return test::ParamName(testCase.param.name); });

// Output that cannot be written is a failure, not a success nobody saw.
TEST(UnwritableOutputTest, ADocumentThatCannotBeWrittenFails) {
  test::TempDir work;
  Plug(work / "rec.json", "A");
  const std::vector<std::vector<std::string>> commands{
      {"devices", "--json"}, {"info", "--json"}, {"read", "-o", "out.bin", "--json"}};
  for (const std::vector<std::string>& args : commands) {
    SCOPED_TRACE(args[0]);
    const int status = std::system(("cd " + Quote(work.Path().string()) +
                                    " && KAVRIN_SIMULATOR=" + Quote((work / "rec.json").string()) +
                                    " timeout 60 " + Quote(KAVRIN_BIN) + " " + args[0] + " " +
                                    (args.size() > 1 ? Quote(args[1]) : "") + " " +
                                    (args.size() > 2 ? Quote(args[2]) + " " + Quote(args[3]) : "") +
                                    " >/dev/full 2>/dev/null")
                                       .c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
  }
  EXPECT_EQ(ReadText(work / "out.bin").size(), 112u) << "the file is written all the same";
}

// ---- Links in shared folders -------------------------------------------------------------

// A folder tree the unprivileged user can walk, with a shared folder in it (sticky, writable
// by all, as /tmp) and a private one.
class LinkFolders {
 public:
  LinkFolders() {
    fs::permissions(root.Path(), fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
    fs::create_directory(Shared());
    ::chmod(Shared().c_str(), 01777);
    fs::create_directory(root / "private");
    std::ofstream(root / "victim.bin") << "VICTIM";
    Plug(root / "rec.json", "A");
  }
  fs::path Shared() const { return root / "shared"; }
  test::TempDir root;
};

// A link made by the unprivileged user.
bool PlantLink(const fs::path& target, const fs::path& link) {
  return test::RunAsOrdinaryUser([&] {
           return ::symlink(target.c_str(), link.c_str()) == 0 ? std::string("ok") : std::string();
         }) == std::string("ok");
}

struct LinkCase {
  const char* name;
  // Makes the links; gives the -o path, and the file it would reach.
  std::function<std::pair<fs::path, fs::path>(const LinkFolders&)> setup;
  bool followed;
};

void PrintTo(const LinkCase& c, std::ostream* out) { *out << c.name; }

const std::vector<LinkCase>& LinkCases() {
  static const std::vector<LinkCase> cases{
      {"another user's link to the user's file",
       [](const LinkFolders& f) {
         EXPECT_TRUE(PlantLink(f.root / "victim.bin", f.Shared() / "out.bin"));
         return std::pair{f.Shared() / "out.bin", f.root / "victim.bin"};
       },
       false},
      {"another user's dangling link",
       [](const LinkFolders& f) {
         EXPECT_TRUE(PlantLink(f.root / "chosen.bin", f.Shared() / "out.bin"));
         return std::pair{f.Shared() / "out.bin", f.root / "chosen.bin"};
       },
       false},
      {"another user's link to a folder on the way",
       [](const LinkFolders& f) {
         EXPECT_TRUE(PlantLink(f.root / "private", f.Shared() / "dir"));
         return std::pair{f.Shared() / "dir" / "out.bin", f.root / "private" / "out.bin"};
       },
       false},
      {"the user's own link",
       [](const LinkFolders& f) {
         fs::create_symlink(f.root / "victim.bin", f.Shared() / "mine.bin");
         return std::pair{f.Shared() / "mine.bin", f.root / "victim.bin"};
       },
       true},
      {"the folder owner's link in a shared folder",
       [](const LinkFolders& f) {
         fs::create_directory(f.root / "theirs");
         ::chmod((f.root / "theirs").c_str(), 01777);
         const std::optional<test::OrdinaryUser> user = test::FindOrdinaryUser();
         if (user && ::geteuid() == 0) {
           EXPECT_EQ(::chown((f.root / "theirs").c_str(), user->uid, user->gid), 0);
         }
         EXPECT_TRUE(PlantLink(f.root / "victim.bin", f.root / "theirs" / "out.bin"));
         return std::pair{f.root / "theirs" / "out.bin", f.root / "victim.bin"};
       },
       true},
      {"another user's link in a folder that is not shared",
       [](const LinkFolders& f) {
         fs::create_symlink(f.root / "victim.bin", f.root / "private" / "out.bin");
         const std::optional<test::OrdinaryUser> user = test::FindOrdinaryUser();
         if (user && ::geteuid() == 0) {
           EXPECT_EQ(::lchown((f.root / "private" / "out.bin").c_str(), user->uid, user->gid), 0);
         }
         return std::pair{f.root / "private" / "out.bin", f.root / "victim.bin"};
       },
       true},
  };
  return cases;
}

class SharedFolderLinkTest : public testing::TestWithParam<LinkCase> {
 protected:
  void SetUp() override {
    if (::geteuid() != 0 || !test::FindOrdinaryUser()) {
      GTEST_SKIP() << "needs root and an unprivileged user to plant links as";
    }
  }
};

// The commands that write a file the user names: read -o and block new -o.
TEST_P(SharedFolderLinkTest, OutputFollowsALinkOnlyWhereTheKernelWould) {
  const std::vector<std::function<std::vector<std::string>(const std::string&)>> commands{
      [](const std::string& p) { return std::vector<std::string>{"read", "-o", p}; },
      [](const std::string& p) { return std::vector<std::string>{"block", "new", "-o", p}; },
  };
  for (const auto& command : commands) {
    LinkFolders folders;
    const auto [output, reached] = GetParam().setup(folders);
    const std::string before = ReadText(reached);
    const std::vector<std::string> args = command(output.string());
    SCOPED_TRACE(args[0]);
    const KavrinRun run = Kavrin(folders.root.Path(), folders.root / "rec.json", args);
    if (GetParam().followed) {
      EXPECT_EQ(run.exitCode, 0) << run.err;
      EXPECT_EQ(ReadText(reached).size(), 112u) << "the link's target is written";
      EXPECT_TRUE(fs::is_symlink(output)) << "the link stays";
    } else {
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_NE(run.err.find("another user's link in a shared folder"), std::string::npos)
          << run.err;
      EXPECT_EQ(ReadText(reached), before) << "the file the link leads to is untouched";
      EXPECT_EQ(fs::exists(reached), !before.empty());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Links, SharedFolderLinkTest, testing::ValuesIn(LinkCases()),
                         [](const auto& testCase) { return test::ParamName(testCase.param.name); });

// ---- The simulator's lock file -------------------------------------------------------------

struct LockCase {
  const char* name;
  // Prepares the lock file beside the state file; gives the launcher kavrin runs under.
  std::function<std::string(const LinkFolders&)> setup;
  const char* reason;  // in the message
};

void PrintTo(const LockCase& c, std::ostream* out) { *out << c.name; }

class SimulatorLockTest : public testing::TestWithParam<LockCase> {
 protected:
  void SetUp() override {
    if (::geteuid() != 0 || !test::FindOrdinaryUser() || !test::OrdinaryUserLauncher()) {
      GTEST_SKIP() << "needs root and an unprivileged user";
    }
  }
};

// A lock file that is there but cannot be had fails the transfer with the reason; nothing is
// sent unlocked.
TEST_P(SimulatorLockTest, ALockThatCannotBeHadFailsWithTheReason) {
  LinkFolders folders;
  const fs::path state = folders.Shared() / "rec.json";
  Plug(state, "A");
  const std::optional<test::OrdinaryUser> user = test::FindOrdinaryUser();
  ASSERT_EQ(::chown(state.c_str(), user->uid, user->gid), 0);
  const std::string launcher = GetParam().setup(folders);
  const KavrinRun run = Kavrin(folders.Shared(), state, {"info"}, false, false, launcher);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(GetParam().reason), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("busy"), std::string::npos) << "not another program's: " << run.err;
  const std::optional<sim::RecorderState> after = sim::LoadState(state.string());
  ASSERT_TRUE(after);
  EXPECT_EQ(after->transfers, 0u) << "nothing was sent without the lock";
  EXPECT_FALSE(fs::exists(folders.root / "chosen.lock")) << "no file where the link leads";
}

INSTANTIATE_TEST_SUITE_P(
    Locks, SimulatorLockTest,
    testing::Values(
        LockCase{"planted_link",
                 [](const LinkFolders& f) {
                   EXPECT_TRUE(PlantLink(f.root / "chosen.lock", f.Shared() / ".rec.json.lock"));
                   return std::string();
                 },
                 "a link, which a lock file never follows"},
        LockCase{"another_users_private_file",
                 [](const LinkFolders& f) {
                   std::ofstream(f.Shared() / ".rec.json.lock").flush();
                   ::chmod((f.Shared() / ".rec.json.lock").c_str(), 0600);
                   return *test::OrdinaryUserLauncher();
                 },
                 "Permission denied"}),
    [](const auto& testCase) { return test::ParamName(testCase.param.name); });

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
  test::TempDir dir;
  const std::string dead = std::to_string(EndedProcess());
  struct Leftover {
    std::string name;
    bool stays;
  };
  const std::vector<Leftover> leftovers{
      {".out.bin." + dead + "-0.tmp", false},
      {".out.bin." + dead + "-17.tmp", false},
      {".out.bin.1-0.tmp", true},                  // process 1 runs
      {".other.bin." + dead + "-0.tmp", true},     // another target's
      {".out.bin." + dead + "-x.tmp", true},       // not the pattern
      {"out.bin." + dead + "-0.tmp", true},        // not hidden: not one of ours
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
      {"a hard link", [](const fs::path& dir) { fs::create_hard_link(dir / "B.bin", dir / "A.bin"); }},
  };
  for (const auto& [name, make] : aliases) {
    SCOPED_TRACE(name);
    test::TempDir work;
    fs::create_directory(work / "line");
    Plug(work / "line" / "A.json", "A");
    Plug(work / "line" / "B.json", "B");
    std::ofstream(work / "B.bin") << "B's old block";
    make(work.Path());
    const KavrinRun run = Kavrin(work.Path(), work / "line", {"read", "--all", "-o", "{serial}.bin"});
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
  test::TempDir work;
  sim::RecorderState state;
  state.serial = "S\x1b]0;owned\x07";
  state.model = "ZK742\x1b[2J\x1b[H";
  state.fwVersion = "FW 1.0\r\nFAKE: OK";
  state.hwVersion = "HW\xc2\x9b" "31m";
  ASSERT_TRUE(sim::SaveState((work / "rec.json").string(), state));
  const std::vector<std::vector<std::string>> commands{
      {"devices"}, {"info"}, {"test"}, {"read", "-o", "out.bin"}};
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

}  // namespace
}  // namespace kavrin
