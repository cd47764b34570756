// Whatever sits at a path the kavrin commands read, they end at once with the reason: a FIFO,
// a folder, a link to /dev/zero, /proc/self/mem, a file over the bound and a file the user
// may not read, through `config --file`, `block show`, `write` and `kavrin` (the device
// commands on the simulated recorder). A file over the bound is no block file to send.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/file_io.h"
#include "tests/cli/run_kavrin.h"
#include "tests/support/ordinary_user.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

namespace fs = std::filesystem;

struct PathCase {
  const char* name;
  std::function<std::string(const test::TempDir&)> setup;  // the path to give the commands
  bool asOrdinaryUser;
  const char* reason;
  // block show decodes a block file of any length by its first 112 bytes; write and kavrin
  // send only a whole one
  bool blockFilesAccept;
};

void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

struct Command {
  const char* name;
  std::function<std::vector<std::string>(const std::string&)> args;
  bool readsBlockFile;
  bool sendsBlockFile;  // to a recorder: only a whole 112-byte block file is sent
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands{
      {"config --file",
       [](const std::string& p) {
         return std::vector<std::string>{"config", "--file", p};
       },
       false, false},
      {"block show",
       [](const std::string& p) {
         return std::vector<std::string>{"block", "show", p};
       },
       true, false},
      {"write",
       [](const std::string& p) {
         return std::vector<std::string>{"write", p};
       },
       true, true},
      {"kavrin",
       [](const std::string& p) {
         return std::vector<std::string>{"kavrin", p};
       },
       true, true},
  };
  return commands;
}

class HostilePathTest : public testing::TestWithParam<PathCase> {
 protected:
  HostilePathTest() {
    work.Write("recorder.json", std::string("{}"));  // a plugged-in simulated recorder
    ::setenv("KAVRIN_SIMULATOR", (work / "recorder.json").c_str(), 1);
  }
  ~HostilePathTest() override { ::unsetenv("KAVRIN_SIMULATOR"); }

  test::TempDir work;
};

TEST_P(HostilePathTest, EveryCommandEndsAtOnceWithTheReason) {
  const PathCase& c = GetParam();
  const std::string path = c.setup(work);
  // A command that waited on the path would be cut off after ten seconds and fail here.
  std::string launcher = "timeout 10 ";
  if (c.asOrdinaryUser) {
    const std::optional<std::string> ordinary = test::OrdinaryUserLauncher();
    const std::optional<test::OrdinaryUser> user = test::FindOrdinaryUser();
    if (!ordinary || !user) GTEST_SKIP() << "cannot run kavrin as an ordinary user";
    test::GiveTreeTo(work.Path(), *user);
    launcher += *ordinary;
  }
  for (const Command& command : Commands()) {
    const test::KavrinRun run = test::RunKavrin(work.Path(), command.args(path), launcher);
    if (command.readsBlockFile && c.blockFilesAccept) {
      if (command.sendsBlockFile) {
        EXPECT_EQ(run.exitCode, 1) << command.name;
        EXPECT_EQ(run.err, "kavrin: " + path +
                               " holds more than 112 bytes; a block file is "
                               "exactly 112 bytes\n")
            << command.name;
      } else {
        EXPECT_EQ(run.exitCode, 0) << command.name << ": " << run.err;
      }
      continue;
    }
    EXPECT_EQ(run.exitCode, 1) << command.name;
    EXPECT_EQ(run.err, "kavrin: cannot read " + path + ": " + c.reason + "\n") << command.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, HostilePathTest,
    testing::Values(PathCase{"Fifo",
                             [](const test::TempDir& dir) {
                               ::mkfifo((dir / "fifo").c_str(), 0644);
                               return (dir / "fifo").string();
                             },
                             false, "a FIFO, not a regular file", false},
                    PathCase{"Folder",
                             [](const test::TempDir& dir) {
                               fs::create_directory(dir / "folder");
                               return (dir / "folder").string();
                             },
                             false, "a folder, not a regular file", false},
                    PathCase{"LinkToDevZero",
                             [](const test::TempDir& dir) {
                               fs::create_symlink("/dev/zero", dir / "zero");
                               return (dir / "zero").string();
                             },
                             false, "a device node, not a regular file", false},
                    PathCase{"ProcSelfMem",
                             [](const test::TempDir&) { return std::string("/proc/self/mem"); },
                             false, "Input/output error", false},
                    PathCase{"OverTheBound",
                             [](const test::TempDir& dir) {
                               dir.Write("big", std::string(kMaxReadBytes + 1, '\x01'));
                               return (dir / "big").string();
                             },
                             false, "larger than 4 MiB, more than the tool reads", true},
                    PathCase{"UnreadableForTheUser",
                             [](const test::TempDir& dir) {
                               dir.Write("locked", std::string(112, '\x01'));
                               ::chmod((dir / "locked").c_str(), 0);
                               return (dir / "locked").string();
                             },
                             true, "Permission denied", false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(WritingCommandTest, NeverReplacesWhatIsNotAFileAndSaysWhy) {
  test::TempDir work;
  ::mkfifo((work / "fifo.bin").c_str(), 0644);
  fs::create_directory(work / "folder.bin");
  fs::create_symlink("/dev/null", work / "null.bin");
  const std::vector<std::pair<std::string, std::string>> targets{
      {"fifo.bin", "a FIFO, not a regular file"},
      {"folder.bin", "a folder, not a regular file"},
      {"null.bin", "a device node, not a regular file"}};
  for (const auto& [name, reason] : targets) {
    const test::KavrinRun run =
        test::RunKavrin(work.Path(), {"block", "new", "-o", name}, "timeout 10 ");
    EXPECT_EQ(run.exitCode, 1) << name;
    EXPECT_EQ(run.err, "kavrin: cannot write " + name + ": " + reason + "\n");
  }
  EXPECT_TRUE(fs::is_fifo(work / "fifo.bin"));
  EXPECT_TRUE(fs::is_directory(work / "folder.bin"));
  EXPECT_TRUE(fs::is_symlink(work / "null.bin"));
  EXPECT_EQ(work.List(), (std::vector<std::string>{"fifo.bin", "folder.bin", "null.bin"}));
}

TEST(DefaultBlockFileTest, KavrinRefusesADefaultBinItCannotRead) {
  // A Default.bin that is there is what the operator means to send; the command never falls
  // back to the configuration's defaults behind their back.
  test::TempDir work;
  work.Write("recorder.json", std::string("{}"));
  ::mkfifo((work / "Default.bin").c_str(), 0644);
  ::setenv("KAVRIN_SIMULATOR", (work / "recorder.json").c_str(), 1);
  const test::KavrinRun run = test::RunKavrin(work.Path(), {"kavrin"}, "timeout 10 ");
  ::unsetenv("KAVRIN_SIMULATOR");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "kavrin: cannot read " + (work / "Default.bin").string() +
                         ": a FIFO, not a regular file\n");
  EXPECT_EQ(work.Read("recorder.json"), "{}") << "nothing reached the recorder";
}

}  // namespace
}  // namespace kavrin
