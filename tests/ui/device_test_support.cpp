#include "tests/ui/device_test_support.h"

namespace kavrin::test {

sim::RecorderState Recorder(std::map<uint32_t, uint32_t> testResults) {
  sim::RecorderState state;
  state.model = "ZK742";
  state.hwVersion = "HW 2.1";
  state.fwVersion = "FW 3.4";
  state.testResults = std::move(testResults);
  for (std::size_t i = 0; i < state.settings.size(); ++i)
    state.settings[i] = static_cast<uint8_t>(0x30 + i);
  return state;
}

sim::FaultPlan::Rule FailOn(std::optional<uint32_t> command, std::optional<bool> isSet,
                            std::optional<uint32_t> selector, std::optional<uint32_t> offset) {
  sim::FaultPlan::Rule rule;
  rule.command = command;
  rule.isSet = isSet;
  rule.selector = selector;
  rule.offset = offset;
  return rule;
}

std::vector<std::u16string> DeviceOperationsTest::InfoTexts() {
  std::vector<std::u16string> texts;
  for (const InfoItem& row : window->infoPanel.rows) texts.push_back(row.contentControl->Text());
  return texts;
}

std::vector<std::u16string> DeviceOperationsTest::Verdicts() {
  std::vector<std::u16string> texts;
  for (const SettingItem& item : window->testItems) texts.push_back(item.resultControl->Text());
  return texts;
}

std::vector<std::u16string> DeviceOperationsTest::Notifications() {
  std::vector<std::u16string> shown;
  for (const ui::headless::WindowSnapshot& w : toolkit.OpenedWindows()) {
    if (w.title != u"Kavrin") continue;
    for (const ui::headless::ControlState& c : w.controls)
      if (c.visible && c.params.type == ui::ControlType::Label) shown.push_back(c.text);
  }
  return shown;
}

std::vector<uint32_t> DeviceOperationsTest::RequestedCommands() {
  std::vector<uint32_t> commands;
  for (const RecordedTransfer& t : backend->transfers) {
    if (t.isSet && t.selector == DeviceLink::SELECTOR_COMMAND) commands.push_back(t.Field(4));
  }
  return commands;
}

}  // namespace kavrin::test
