// kavrin.exe end to end on DirectShow: the program started as a user starts it, the fake
// recorders registered in the video input category, and what their state files hold after.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "tests/device/fault_rule.h"
#include "tests/support/run_program.h"
#include "tests/windows/fake_device_registry.h"
#include "tests/windows/recorder_holder.h"

namespace kavrin {
namespace {

using test::ProgramRun;

class KavrinExeTest : public ::testing::Test {
 protected:
  ProgramRun Kavrin(const std::vector<std::string>& args) {
    return test::RunProgram(test::BuiltFile(KAVRIN_BIN), args, work_.Path());
  }
  std::vector<uint8_t> Settings(unsigned index) const {
    const sim::RecorderState state = recorders_.State(index);
    return {state.settings.begin(), state.settings.end()};
  }

  test::FakeRecorders recorders_;
  test::TempDir work_;  // an empty folder: the built-in configuration
};

TEST_F(KavrinExeTest, DevicesListsTheRecorder) {
  recorders_.Add(0, L"ZK742", sim::RecorderState{});
  const ProgramRun run = Kavrin({"devices"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("\"ZK742\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("usable recorder"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("@device:"), std::string::npos) << "the moniker's name as location";

  const ProgramRun json = Kavrin({"devices", "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  const nlohmann::json listing = nlohmann::json::parse(json.out);
  ASSERT_EQ(listing["devices"].size(), 1u);
  EXPECT_EQ(listing["devices"][0]["device"]["name"], "ZK742");
  EXPECT_EQ(listing["devices"][0]["usable"], true);
}

TEST_F(KavrinExeTest, DevicesWithoutARecorderFails) {
  recorders_.Add(0, L"USB Camera", sim::RecorderState{});
  const ProgramRun run = Kavrin({"devices"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("not the recorder"), std::string::npos) << run.out;
}

TEST_F(KavrinExeTest, InfoPrintsTheRecordersStrings) {
  sim::RecorderState state;
  state.model = "ZK742-W";
  state.hwVersion = "HW 2.1";
  state.fwVersion = "FW 3.4";
  recorders_.Add(0, L"ZK742", state);
  const ProgramRun run = Kavrin({"info"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "Model : ZK742-W\nHW Ver : HW 2.1\nFW Ver : FW 3.4\n");
}

TEST_F(KavrinExeTest, TestRunsTheEngineTests) {
  sim::RecorderState state;
  state.testResults[0x1031] = 0;  // RTC fails
  recorders_.Add(0, L"ZK742", state);
  work_.Write("tests.ini",
              "[TEST_ITEM_LIST]\r\nITEM_NO=2\r\nITEM_000=T_KEY\r\nITEM_001=T_RTC\r\n"
              "[T_KEY]\r\nTITLE=Key\r\nWORD_IDX=16\r\nSTART_BIT=1\r\nDATA_LEN=1\r\n"
              "[T_RTC]\r\nTITLE=RTC\r\nWORD_IDX=16\r\nSTART_BIT=3\r\nDATA_LEN=1\r\n"
              "[DEVICE]\r\nNO=1\r\n0=ZK742\r\n");
  const ProgramRun run = Kavrin({"test", "--file", "tests.ini"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.out, "0x1011  Key : OK\n0x1031  RTC : NG\n");
  EXPECT_EQ(recorders_.State(0).transfers, 4u);
}

TEST_F(KavrinExeTest, KavrinSendsTheClockTwoChunksAndTheCommit) {
  recorders_.Add(0, L"ZK742", sim::RecorderState{});
  const ProgramRun run = Kavrin({"kavrin"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Kavrin finish !"), std::string::npos) << run.out;
  const sim::RecorderState state = recorders_.State(0);
  EXPECT_EQ(state.transfers, 4u);
  EXPECT_EQ(std::vector<uint8_t>(state.settings.begin(), state.settings.begin() + 4),
            (std::vector<uint8_t>{0x10, 0xCA, 0x11, 0xA0}));
  EXPECT_EQ(state.commits, std::vector<uint32_t>{2});
  EXPECT_EQ(state.clock.size(), 19u) << state.clock;
}

TEST_F(KavrinExeTest, TheSecondConfiguredNameIsAttachedWhenTheFirstIsAbsent) {
  recorders_.Add(0, L"ZK742", sim::RecorderState{});
  work_.Write("names.ini", "[DEVICE]\r\nNO=2\r\n0=Absent Recorder\r\n1=ZK742\r\n");
  const ProgramRun run = Kavrin({"kavrin", "-v", "--file", "names.ini"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("\nattach ZK742(1)\n"), std::string::npos) << run.err;
  EXPECT_EQ(recorders_.State(0).commits, std::vector<uint32_t>{2});
}

TEST_F(KavrinExeTest, ARefusedBindTracesAndTheNextNameIsUsed) {
  sim::RecorderState refusing;
  refusing.faults.refuseBind = true;
  recorders_.Add(0, L"ZK742", refusing);
  recorders_.Add(1, L"Driving Recorder", sim::RecorderState{});
  const ProgramRun run = Kavrin({"kavrin", "-v"});  // the built-in names: ZK742, Driving Recorder
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("\nBindToObject() faiel\nattach Driving Recorder(1)\n"), std::string::npos)
      << run.err;
  EXPECT_EQ(recorders_.State(0).transfers, 0u);
  EXPECT_EQ(recorders_.State(1).commits, std::vector<uint32_t>{2});
}

TEST_F(KavrinExeTest, AFailedTransferAnywhereFailsTheOperationAndNoFailedChunkIsCommitted) {
  struct Position {
    const char* what;
    uint64_t transfer;
    bool chunkOrCommit;  // the settings must then stay as they were, uncommitted
  } positions[] = {{"clock", 1, false},
                   {"first chunk", 2, true},
                   {"second chunk", 3, true},
                   {"commit", 4, true}};
  for (const Position& p : positions) {
    for (const int32_t status : {sim::kRecorderFail, sim::kRecorderFalse}) {
      SCOPED_TRACE(std::string(p.what) + (status == sim::kRecorderFalse ? " S_FALSE" : " E_FAIL"));
      sim::RecorderState state;
      state.faults.rules.push_back(test::Fault().Transfer(p.transfer).Status(status));
      recorders_.Add(0, L"ZK742", state);
      const ProgramRun run = Kavrin({"kavrin", "-v"});
      EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
      EXPECT_NE(run.out.find("Kavrin fail !"), std::string::npos) << run.out;
      EXPECT_NE(run.err.find("\nkavrin fail\n"), std::string::npos) << run.err;
      const sim::RecorderState after = recorders_.State(0);
      if (p.chunkOrCommit) {
        EXPECT_TRUE(after.commits.empty());
        EXPECT_EQ(std::vector<uint8_t>(after.settings.begin(), after.settings.end()),
                  std::vector<uint8_t>(80, 0));
      }
    }
  }
}

TEST_F(KavrinExeTest, ARecorderInUseByAnotherProgramIsReportedBusy) {
  recorders_.Add(0, L"ZK742", sim::RecorderState{});
  const ProgramRun listing = Kavrin({"devices", "--json"});
  ASSERT_EQ(listing.exitCode, 0) << listing.err;
  const std::string location = nlohmann::json::parse(listing.out)["devices"][0]["device"]["node"];
  test::RecorderHolder peer(location);
  ASSERT_TRUE(peer.Held());
  const ProgramRun run = Kavrin({"read", "-o", "out.bin"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("busy"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(work_ / "out.bin"));
  EXPECT_EQ(recorders_.State(0).transfers, 0u);
}

TEST_F(KavrinExeTest, WaitsForTheRecorderToBePluggedIn) {
  // kavrin starts with no recorder; the recorder is plugged in (registered) while it waits.
  recorders_.Provide(0, sim::RecorderState{});
  std::future<ProgramRun> run = std::async(std::launch::async, [this] {
    return Kavrin({"info", "--wait", "60"});
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  recorders_.Register(0, L"ZK742");
  const ProgramRun waited = run.get();
  EXPECT_EQ(waited.exitCode, 0) << waited.err;
  EXPECT_NE(waited.out.find("Model : ZK742"), std::string::npos) << waited.out;
}

TEST_F(KavrinExeTest, ReadAndWriteMoveTheSettingsBothWays) {
  sim::RecorderState state;
  for (std::size_t i = 0; i < state.settings.size(); ++i)
    state.settings[i] = static_cast<uint8_t>(i + 1);
  recorders_.Add(0, L"ZK742", state);
  const ProgramRun read = Kavrin({"read", "-o", "read.bin"});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  const std::string bytes = work_.Read("read.bin");
  ASSERT_EQ(bytes.size(), 112u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 1);
  EXPECT_EQ(static_cast<uint8_t>(bytes[79]), 80);

  // Cycle Time (bits 4-7 of the first byte) to "15 min"; the bits below are no item's and go
  // out as they are. (A value without an option would go out as all ones, as the window's
  // list would send it.)
  std::string changed = bytes;
  changed[0] = '\x35';
  work_.Write("changed.bin", changed);
  const ProgramRun write = Kavrin({"write", "changed.bin"});
  ASSERT_EQ(write.exitCode, 0) << write.err;
  EXPECT_EQ(Settings(0)[0], 0x35);
  EXPECT_EQ(recorders_.State(0).commits, std::vector<uint32_t>{1});
}

}  // namespace
}  // namespace kavrin
