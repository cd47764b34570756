// Several `kavrin` processes on one simulated recorder at once, as on a bench where the
// window and a script share the recorder: every process's commit reaches the recorder.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "device/sim/recorder.h"
#include "device/sim/state_store.h"
#include "tests/cli/run_kavrin.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {
namespace {

TEST(SharedRecorderTest, KavrinRunAtOnceByThreeProcessesCommitsThreeTimes) {
  TempDir dir;
  const std::string state = (dir / "recorder.json").string();
  ASSERT_TRUE(sim::SaveState(state, sim::RecorderState{}));
  // Three processes started together.
  ScopedEnvironment simulator("KAVRIN_SIMULATOR", state.c_str());
  std::vector<std::future<KavrinRun>> runs;
  for (int i = 0; i < 3; ++i) {
    runs.push_back(
        std::async(std::launch::async, [&dir] { return RunKavrin(dir.Path(), {"kavrin"}); }));
  }
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const KavrinRun run = runs[static_cast<std::size_t>(i)].get();
    EXPECT_EQ(run.exitCode, 0) << run.err;
  }
  const std::optional<sim::RecorderState> after = sim::LoadState(state);
  ASSERT_TRUE(after);
  EXPECT_EQ(after->commits, (std::vector<uint32_t>{2, 2, 2}));
  EXPECT_EQ(after->transfers, 3u * 4u);  // the clock and the write's three, per process
}

TEST(SharedRecorderTest, ARecorderHeldByAnotherProgramIsReportedAsBusy) {
  TempDir dir;
  const std::string state = (dir / "recorder.json").string();
  ASSERT_TRUE(sim::SaveState(state, sim::RecorderState{}));
  sim::StateStore peer(state);
  ASSERT_TRUE(peer.Lock());  // held for the whole run of the command
  const KavrinRun run = [&] {
    ScopedEnvironment simulator("KAVRIN_SIMULATOR", state.c_str());
    return RunKavrin(dir.Path(), {"read", "-o", "out.bin"});
  }();
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("the recorder is busy: another program is using it"), std::string::npos)
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
  EXPECT_EQ(sim::LoadState(state)->transfers, 0u);
}

}  // namespace
}  // namespace kavrin::test
