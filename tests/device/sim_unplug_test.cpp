// A simulated recorder unplugged (its state file removed) while another program is in the
// middle of a transfer: the save of that transfer must not bring the recorder back, and when
// the user puts a copy of their own in its place, no save made from the old file may
// overwrite it. Every cycle races a busy program against the user; bounded in cycles.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "device/sim/recorder.h"
#include "device/sim/state_store.h"
#include "tests/support/param_name.h"
#include "tests/support/temp_dir.h"

namespace kavrin::sim {
namespace {

constexpr int kCycles = 300;

struct UnplugCase {
  const char* name;
  bool putBack;  // the user puts a copy of their own in place after removing the file
};

void PrintTo(const UnplugCase& c, std::ostream* out) { *out << c.name; }

class SimUnplugTest : public testing::TestWithParam<UnplugCase> {
 protected:
  std::string Path() const { return (dir_ / "recorder.json").string(); }
  test::TempDir dir_;
};

// Waits (bounded) until the condition holds; false when it never did.
template <typename Condition>
bool WaitUntil(const Condition& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

TEST_P(SimUnplugTest, ASaveNeverUndoesTheUser) {
  int undone = 0;
  int lost = 0;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    RecorderState old;
    old.serial = "old";
    ASSERT_TRUE(SaveState(Path(), old));
    std::atomic<int> updates{0};
    std::atomic<int> saves{0};
    std::atomic<bool> stop{false};
    int savedOnUsersCopy = 0;
    std::thread program([&] {
      StateStore store(Path(), std::chrono::milliseconds(200));
      while (!stop) {
        std::string seen;
        const StateStore::Outcome outcome = store.Update([&](RecorderState& state) {
          seen = state.serial;
          state.commits.push_back(1);
          return true;
        });
        if (outcome == StateStore::Outcome::kSaved) {
          ++saves;
          if (seen == "user") ++savedOnUsersCopy;
        }
        ++updates;
        if (outcome == StateStore::Outcome::kAbsent && !GetParam().putBack) break;
      }
    });
    ASSERT_TRUE(WaitUntil([&] { return saves > 0; }));
    std::filesystem::remove(Path());
    if (GetParam().putBack) {
      RecorderState users;
      users.serial = "user";
      EXPECT_TRUE(SaveState(Path(), users));
      const int now = updates;
      EXPECT_TRUE(WaitUntil([&] { return updates >= now + 3; }));
    }
    stop = true;
    program.join();
    if (!GetParam().putBack) {
      if (StateFilePresent(Path())) ++undone;
      continue;
    }
    const std::optional<RecorderState> state = LoadState(Path());
    ASSERT_TRUE(state);
    if (state->serial != "user" ||
        state->commits.size() != static_cast<std::size_t>(savedOnUsersCopy)) {
      ++lost;
    }
    std::filesystem::remove(Path());
  }
  EXPECT_EQ(undone, 0) << "unplugs undone by a save of " << kCycles;
  EXPECT_EQ(lost, 0) << "cycles where the user's copy or a reported commit was lost, of "
                     << kCycles;
}

INSTANTIATE_TEST_SUITE_P(User, SimUnplugTest,
                         testing::Values(UnplugCase{"Unplugs", false},
                                         UnplugCase{"PutsACopyBack", true}),
                         [](const auto& testCase) { return test::ParamName(testCase.param.name); });

}  // namespace
}  // namespace kavrin::sim
