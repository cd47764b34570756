// Several `kavrin` processes on one simulated recorder at once, as on a bench where the
// window and a script share the recorder: every process's commit reaches the recorder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "device/sim/recorder.h"
#include "device/sim/state_store.h"
#include "tests/cli/run_kavrin.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {
namespace {

TEST(SharedRecorderTest, KavrinRunAtOnceByThreeProcessesCommitsThreeTimes) {
  TempDir dir;
  const std::string state = (dir / "recorder.json").string();
  ASSERT_TRUE(sim::SaveState(state, sim::RecorderState{}));
  // Three processes started together; each writes its exit status beside its output.
  std::string script = "cd '" + dir.Path().string() + "'\nexport KAVRIN_SIMULATOR='" + state +
                       "'\n";
  for (int i = 0; i < 3; ++i) {
    const std::string n = std::to_string(i);
    script += "('" + std::string(KAVRIN_BIN) + "' kavrin >out" + n + " 2>err" + n +
              "; echo $? >rc" + n + ") &\n";
  }
  script += "wait\n";
  dir.Write("run.sh", script);
  ASSERT_EQ(std::system(("sh '" + (dir / "run.sh").string() + "'").c_str()), 0);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dir.Read("rc" + std::to_string(i)), "0\n") << dir.Read("err" + std::to_string(i));
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
  setenv("KAVRIN_SIMULATOR", state.c_str(), 1);
  const KavrinRun run = RunKavrin(dir.Path(), {"read", "-o", "out.bin"});
  unsetenv("KAVRIN_SIMULATOR");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("the recorder is busy: another program is using it"), std::string::npos)
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
  EXPECT_EQ(sim::LoadState(state)->transfers, 0u);
}

}  // namespace
}  // namespace kavrin::test
