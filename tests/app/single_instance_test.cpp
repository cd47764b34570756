// One copy at a time: a second claim from another process fails while the first holds the
// name and succeeds once the first process has ended.
#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "tests/support/ordinary_user.h"
#include "tests/support/param_name.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

using test::TempDir;

constexpr const char* kName = "ZK742_USER";

// The lock in the folder, or (no folder) in the default place.
std::unique_ptr<SingleInstance> InstanceIn(const std::filesystem::path& folder) {
  return folder.empty() ? MakeSingleInstance() : MakeSingleInstance(folder);
}

// Exit status of a child process that makes one claim in the folder: 0 acquired,
// 1 held elsewhere, 2 unavailable. stderr, when given, receives the child's.
int ClaimInChildProcess(const std::filesystem::path& folder,
                        const std::filesystem::path& errors = {}) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (!errors.empty()) {
      if (!std::freopen(errors.c_str(), "w", stderr)) ::_exit(4);
      std::setvbuf(stderr, nullptr, _IONBF, 0);  // as it starts: the child ends with _exit
    }
    const auto instance = InstanceIn(folder);
    switch (instance->Claim(kName)) {
      case InstanceClaim::Acquired:
        ::_exit(0);
      case InstanceClaim::HeldElsewhere:
        ::_exit(1);
      case InstanceClaim::Unavailable:
        ::_exit(2);
    }
    ::_exit(3);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A child that claims the name, tells the parent, and holds it until the parent closes the
// pipe; then it ends without releasing anything itself.
class HoldingProcess {
 public:
  explicit HoldingProcess(const std::filesystem::path& folder) {
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) std::abort();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      const auto instance = InstanceIn(folder);
      const char claimed = instance->Claim(kName) == InstanceClaim::Acquired ? 'y' : 'n';
      (void)!::write(ready[1], &claimed, 1);
      char ignored;
      (void)!::read(release[0], &ignored, 1);
      ::_exit(0);  // no destructor runs: the kernel alone drops the lock
    }
    ::close(ready[1]);
    ::close(release[0]);
    releaseFd_ = release[1];
    char claimed = 'n';
    acquired_ = ::read(ready[0], &claimed, 1) == 1 && claimed == 'y';
    ::close(ready[0]);
  }
  ~HoldingProcess() { End(); }
  HoldingProcess(const HoldingProcess&) = delete;
  HoldingProcess& operator=(const HoldingProcess&) = delete;

  bool Acquired() const { return acquired_; }
  void End() {
    if (pid_ <= 0) return;
    ::close(releaseFd_);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int releaseFd_ = -1;
  bool acquired_ = false;
};

TEST(SingleInstanceTest, SecondProcessIsRefusedUntilTheFirstEnds) {
  TempDir dir;
  HoldingProcess first(dir.Path());
  ASSERT_TRUE(first.Acquired());
  EXPECT_EQ(ClaimInChildProcess(dir.Path()), 1);

  first.End();
  EXPECT_EQ(ClaimInChildProcess(dir.Path()), 0);
}

TEST(SingleInstanceTest, ReleasedWhenTheHolderIsDestroyed) {
  TempDir dir;
  {
    const auto instance = MakeSingleInstance(dir.Path());
    ASSERT_EQ(instance->Claim(kName), InstanceClaim::Acquired);
    EXPECT_EQ(instance->Claim(kName), InstanceClaim::Acquired) << "a repeated claim is kept";
    EXPECT_EQ(ClaimInChildProcess(dir.Path()), 1);
  }
  EXPECT_EQ(ClaimInChildProcess(dir.Path()), 0);
}

TEST(SingleInstanceTest, OtherNamesAndFoldersDoNotCollide) {
  TempDir dir;
  TempDir other;
  const auto instance = MakeSingleInstance(dir.Path());
  ASSERT_EQ(instance->Claim(kName), InstanceClaim::Acquired);
  EXPECT_EQ(ClaimInChildProcess(other.Path()), 0);
  const auto factory = MakeSingleInstance(dir.Path());
  EXPECT_EQ(factory->Claim("ZK742_FACTORY"), InstanceClaim::Acquired);
}

TEST(SingleInstanceTest, MissingLockFolderIsUnavailableNotHeld) {
  TempDir dir;
  const auto instance = MakeSingleInstance(dir / "no-such-folder");
  EXPECT_EQ(instance->Claim(kName), InstanceClaim::Unavailable);
}

TEST(SingleInstanceTest, DefaultFolderComesFromTheRuntimeDirectory) {
  TempDir runtime;
  std::filesystem::permissions(runtime.Path(), std::filesystem::perms::owner_all);
  const char* previous = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = previous ? previous : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  {
    const auto instance = MakeSingleInstance();
    EXPECT_EQ(instance->Claim(kName), InstanceClaim::Acquired);
    EXPECT_EQ(ClaimInChildProcess(runtime.Path()), 1);
  }
  if (previous) {
    ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_RUNTIME_DIR");
  }
}

// Sets an environment variable (or removes it) for a test's span.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* previous = std::getenv(name)) previous_ = previous;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (previous_) {
      ::setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

struct PlantedFolderCase {
  const char* name;
  void (*plant)(const std::filesystem::path& folder);  // makes /tmp/kavrin-UID first
};

void PrintTo(const PlantedFolderCase& c, std::ostream* out) { *out << c.name; }

class PlantedLockFolderTest : public testing::TestWithParam<PlantedFolderCase> {};

// Without $XDG_RUNTIME_DIR, a kavrin-UID folder under the temporary folder that is not the
// user's own is refused: the lock goes to the user's cache folder, and still keeps a second
// copy out. With no such place either, the tool says on stderr that it runs unguarded.
TEST_P(PlantedLockFolderTest, AFolderMadeFirstBySomeoneElseDoesNotSwitchTheGuardOff) {
  TempDir temp;
  TempDir home;
  const std::filesystem::path planted = temp / ("kavrin-" + std::to_string(::geteuid()));
  std::filesystem::create_directory(planted);
  GetParam().plant(planted);
  const ScopedVariable runtime("XDG_RUNTIME_DIR", nullptr);
  const ScopedVariable cache("XDG_CACHE_HOME", nullptr);
  const ScopedVariable tmpdir("TMPDIR", temp.Path().c_str());
  {
    const ScopedVariable homeVariable("HOME", home.Path().c_str());
    HoldingProcess first({});
    ASSERT_TRUE(first.Acquired());
    EXPECT_EQ(ClaimInChildProcess({}), 1) << "the second copy is kept out";
    EXPECT_TRUE(std::filesystem::exists(home / ".cache" / "kavrintool" / "ZK742_USER.lock"));
    EXPECT_TRUE(std::filesystem::is_empty(planted)) << "nothing in the planted folder";
  }
  const ScopedVariable noHome("HOME", nullptr);
  EXPECT_EQ(ClaimInChildProcess({}, home / "stderr"), 2);
  EXPECT_NE(home.Read("stderr").find("runs without the one-copy guard: " + planted.string()),
            std::string::npos)
      << home.Read("stderr");
}

INSTANTIATE_TEST_SUITE_P(Folders, PlantedLockFolderTest,
                         testing::Values(PlantedFolderCase{"WritableByAll",
                                                           [](const std::filesystem::path& folder) {
                                                             ::chmod(folder.c_str(), 0777);
                                                           }},
                                         PlantedFolderCase{"AnotherUsers",
                                                           [](const std::filesystem::path& folder) {
                                                             // As root: the folder goes to an
                                                             // unprivileged user; otherwise, unable
                                                             // to give it away, one writable by the
                                                             // group stands in.
                                                             const auto user =
                                                                 test::FindOrdinaryUser();
                                                             if (::geteuid() != 0 || !user ||
                                                                 ::chown(folder.c_str(), user->uid,
                                                                         user->gid) != 0) {
                                                               ::chmod(folder.c_str(), 0770);
                                                             }
                                                           }}),
                         [](const auto& testCase) { return test::ParamName(testCase.param.name); });

}  // namespace
}  // namespace kavrin
