// One simulated recorder shared by several programs, as they would share the hardware: each
// DeviceLink here stands for a program (the window, a `kavrin` in another terminal). Every
// transfer reads and rewrites the state under a lock, so nobody's commit is lost and an edit
// of the file counts at the next transfer.
#include <gtest/gtest.h>

#include <thread>

#include "device/device_link.h"
#include "device/sim/recorder.h"
#include "device/sim/sim_backend.h"
#include "device/sim/state_store.h"
#include "tests/device/fault_rule.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"

namespace kavrin::sim {
namespace {

// A program attached to the simulated recorder.
struct Program {
  explicit Program(const std::string& path, std::chrono::milliseconds lockWait = kRecorderLockWait)
      : backend(path, lockWait), link(backend) {
    link.AddDeviceName(u"ZK742");
  }
  SimBackend backend;
  DeviceLink link;
};

class SimSharingTest : public ::testing::Test {
 protected:
  std::string Path() const { return (dir_ / "recorder.json").string(); }
  void Save(const RecorderState& state) { ASSERT_TRUE(SaveState(Path(), state)); }
  RecorderState Load() const {
    std::string error;
    std::optional<RecorderState> state = LoadState(Path(), &error);
    EXPECT_TRUE(state) << error;
    return state.value_or(RecorderState{});
  }
  std::array<uint8_t, 80> Area(uint8_t first) {
    std::array<uint8_t, 80> area{};
    area[0] = first;
    return area;
  }

  test::TempDir dir_;
};

TEST_F(SimSharingTest, EveryProgramsCommitIsKept) {
  Save(RecorderState{});
  Program window(Path());
  Program command(Path());
  ASSERT_EQ(window.link.Attach(), 1);
  ASSERT_EQ(command.link.Attach(), 1);  // both bound before either writes
  ASSERT_EQ(window.link.WriteData(Area(0x11).data(), 80, 0), 1);
  ASSERT_EQ(command.link.WriteData(Area(0x22).data(), 80, 1), 1);
  ASSERT_EQ(window.link.WriteData(Area(0x33).data(), 80, 0), 1);
  const RecorderState state = Load();
  EXPECT_EQ(state.commits, (std::vector<uint32_t>{2, 1, 2}));
  EXPECT_EQ(state.settings[0], 0x33);
  EXPECT_TRUE(state.kavrinFlag);
  EXPECT_EQ(state.transfers, 9u);
  // Each reads what the other wrote.
  std::array<uint8_t, 80> back{};
  ASSERT_EQ(command.link.ReadData(back.data(), 80), 1);
  EXPECT_EQ(back[0], 0x33);
}

TEST_F(SimSharingTest, AnEditOfTheFileCountsAtTheNextQuery) {
  Save(RecorderState{});
  Program window(Path());
  ASSERT_EQ(window.link.Attach(), 1);
  uint32_t result = 0;
  ASSERT_EQ(window.link.QueryTestResult(0x1011, &result), 1);
  EXPECT_EQ(result, 1u);
  RecorderState edited = Load();  // as an editor saves it: a new file over the old one
  edited.testResults[0x1011] = 0;
  edited.model = "edited";
  Save(edited);
  ASSERT_EQ(window.link.QueryTestResult(0x1011, &result), 1);
  EXPECT_EQ(result, 0u);
  std::array<uint8_t, 64> reply{};
  ASSERT_EQ(window.link.QueryString(DeviceLink::MODEL_NAME, reply.data()), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(reply.data()), "edited");
  EXPECT_EQ(Load().testResults.at(0x1011), 0u) << "the edit survives the recorder's rewrite";
}

TEST_F(SimSharingTest, ProgramsRunningAtOnceLoseNothing) {
  Save(RecorderState{});
  constexpr int kRounds = 20;
  // Attached, and the local time read, before the threads start: only the commands run at
  // once (attaching writes the trace and reads the code page, which threads must not share).
  const LocalTime now = LocalTime::Now();
  Program first(Path()), second(Path());
  ASSERT_EQ(first.link.Attach(), 1);
  ASSERT_EQ(second.link.Attach(), 1);
  auto run = [this, now](DeviceLink* link, uint8_t fill, int* succeeded) {
    for (int i = 0; i < kRounds; ++i) {
      // The kavrin operation: the clock, then the settings and their commit.
      if (link->SetClock(now) == 1 && link->WriteData(Area(fill).data(), 80, 0) == 1) {
        ++*succeeded;
      }
    }
  };
  int firstDone = 0, secondDone = 0;
  std::thread a(run, &first.link, 0xA0, &firstDone);
  std::thread b(run, &second.link, 0xB0, &secondDone);
  a.join();
  b.join();
  EXPECT_EQ(firstDone, kRounds);
  EXPECT_EQ(secondDone, kRounds);
  const RecorderState state = Load();
  EXPECT_EQ(state.commits.size(), 2u * kRounds);
  EXPECT_EQ(state.transfers, 2u * kRounds * 4u);
}

TEST_F(SimSharingTest, APeerHoldingTheRecorderFailsTheCommandAsBusy) {
  RecorderState initial;
  initial.settings[0] = 0x55;
  Save(initial);
  Program window(Path(), std::chrono::milliseconds(50));
  ASSERT_EQ(window.link.Attach(), 1);
  StateStore peer(Path());
  ASSERT_TRUE(peer.Lock());  // another program in the middle of a command
  test::TraceCapture trace;
  EXPECT_EQ(window.link.WriteData(Area(0x11).data(), 80, 0), 0);
  EXPECT_EQ(window.link.LastFailure().reason, FailureReason::kBusy);
  EXPECT_NE(trace.Text().find("recorder busy"), std::string::npos);
  const RecorderState untouched = Load();
  EXPECT_EQ(untouched.transfers, 0u);
  EXPECT_TRUE(untouched.commits.empty());
  peer.Unlock();
  EXPECT_EQ(window.link.WriteData(Area(0x11).data(), 80, 0), 1);
  EXPECT_EQ(Load().commits, (std::vector<uint32_t>{2}));
}

TEST_F(SimSharingTest, AFileThatNoLongerReadsAsAStateIsLeftAsItIs) {
  Save(RecorderState{});
  Program window(Path());
  ASSERT_EQ(window.link.Attach(), 1);
  dir_.Write("recorder.json", "{\"testResults\": {\"0x1011\": ");  // an edit half done
  std::array<uint8_t, 80> area{};
  EXPECT_EQ(window.link.ReadData(area.data(), 80), 0);
  EXPECT_EQ(window.link.LastFailure().reason, FailureReason::kRefused);
  EXPECT_EQ(dir_.Read("recorder.json"), "{\"testResults\": {\"0x1011\": ");
  dir_.Write("recorder.json", "{\"testResults\": {\"0x1011\": 0}}");  // the edit finished
  uint32_t result = 1;
  EXPECT_EQ(window.link.QueryTestResult(0x1011, &result), 1);
  EXPECT_EQ(result, 0u);
}

TEST_F(SimSharingTest, AnEmptyAnswerFromTheSimulatorIsNoPass) {
  RecorderState state;
  state.faults.rules.push_back(test::Fault().Command(9).OnGet().Status(0));
  Save(state);
  Program window(Path());
  ASSERT_EQ(window.link.Attach(), 1);
  uint32_t result = 1;
  window.link.QueryTestResult(0x1011, &result);
  EXPECT_EQ(result, 0u);
  EXPECT_TRUE(Load().faults.rules[0].spent);
}

}  // namespace
}  // namespace kavrin::sim
