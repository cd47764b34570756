// One copy at a time: a second claim from another process fails while the first holds the
// name and succeeds once the first process has ended.
#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

using test::TempDir;

constexpr const char* kName = "ZK742_USER";

// Exit status of a child process that makes one claim in the folder: 0 acquired,
// 1 held elsewhere, 2 unavailable.
int ClaimInChildProcess(const std::filesystem::path& folder) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const auto instance = MakeSingleInstance(folder);
    switch (instance->Claim(kName)) {
      case InstanceClaim::Acquired: ::_exit(0);
      case InstanceClaim::HeldElsewhere: ::_exit(1);
      case InstanceClaim::Unavailable: ::_exit(2);
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
      const auto instance = MakeSingleInstance(folder);
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

}  // namespace
}  // namespace kavrin
