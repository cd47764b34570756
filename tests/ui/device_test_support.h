#pragma once
// The window's device side against the simulated recorder: shared recorder states, fault
// rules and a fixture that reads the panels back.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/ui/main_window_harness.h"

namespace kavrin::test {

inline constexpr char kTwoTests[] =
    "[TEST_ITEM_LIST]\nITEM_NO=2\nITEM_000=TEST_KEY\nITEM_001=TEST_RTC\n";
inline constexpr uint32_t kKeyTest = 0x1011;
inline constexpr uint32_t kRtcTest = 0x1031;

// A recorder with its own identification strings and settings bytes 0x30, 0x31, ...
sim::RecorderState Recorder(std::map<uint32_t, uint32_t> testResults = {});

// A fault that fails the matching transfers once.
sim::FaultPlan::Rule FailOn(std::optional<uint32_t> command, std::optional<bool> isSet,
                            std::optional<uint32_t> selector = std::nullopt,
                            std::optional<uint32_t> offset = std::nullopt);

class DeviceOperationsTest : public MainWindowTest {
 protected:
  std::vector<std::u16string> InfoTexts();
  std::vector<std::u16string> Verdicts();
  // The messages of the notification windows opened so far.
  std::vector<std::u16string> Notifications();
  // SETs on the command selector, by command code.
  std::vector<uint32_t> RequestedCommands();
  bool KavrinEnabled() { return Ctrl(IDC_KAVRIN).IsEnabled(); }
};

}  // namespace kavrin::test
