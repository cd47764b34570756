// Links another user planted in a shared folder (sticky and writable by all, as /tmp), and
// the simulated recorder's lock file planted or taken: kavrin follows a link only where the
// kernel would, and never goes on without a lock that is there but cannot be had. Root runs
// kavrin; the unprivileged user plants.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/sim/recorder.h"
#include "tests/cli/kavrin_shell.h"
#include "tests/support/ordinary_user.h"
#include "tests/support/param_name.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {
namespace {

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
  TempDir root;
};

// A link made by the unprivileged user.
bool PlantLink(const fs::path& target, const fs::path& link) {
  return RunAsOrdinaryUser([&] {
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
         const std::optional<OrdinaryUser> user = FindOrdinaryUser();
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
         const std::optional<OrdinaryUser> user = FindOrdinaryUser();
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
    if (::geteuid() != 0 || !FindOrdinaryUser()) {
      GTEST_SKIP() << "needs root and an unprivileged user to plant links as";
    }
  }
};

// The commands that write a file the user names: read -o and block new -o.
TEST_P(SharedFolderLinkTest, OutputFollowsALinkOnlyWhereTheKernelWould) {
  const std::vector<std::function<std::vector<std::string>(const std::string&)>> commands{
      [](const std::string& p) {
        return std::vector<std::string>{"read", "-o", p};
      },
      [](const std::string& p) {
        return std::vector<std::string>{"block", "new", "-o", p};
      },
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
                         [](const auto& testCase) { return ParamName(testCase.param.name); });

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
    if (::geteuid() != 0 || !FindOrdinaryUser() || !OrdinaryUserLauncher()) {
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
  const std::optional<OrdinaryUser> user = FindOrdinaryUser();
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
    testing::Values(LockCase{"planted_link",
                             [](const LinkFolders& f) {
                               EXPECT_TRUE(PlantLink(f.root / "chosen.lock",
                                                     f.Shared() / ".rec.json.lock"));
                               return std::string();
                             },
                             "a link, which a lock file never follows"},
                    LockCase{"another_users_private_file",
                             [](const LinkFolders& f) {
                               std::ofstream(f.Shared() / ".rec.json.lock").flush();
                               ::chmod((f.Shared() / ".rec.json.lock").c_str(), 0600);
                               return *OrdinaryUserLauncher();
                             },
                             "Permission denied"}),
    [](const auto& testCase) { return ParamName(testCase.param.name); });

}  // namespace
}  // namespace kavrin::test
