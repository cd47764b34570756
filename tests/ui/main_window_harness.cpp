#include "tests/ui/main_window_harness.h"

#include <chrono>
#include <filesystem>

#include "config/resources.h"
#include "config/text_codec.h"

namespace kavrin::test {
namespace {

class RecordingChannel : public PropertyChannel {
 public:
  RecordingChannel(std::unique_ptr<PropertyChannel> inner, std::vector<RecordedTransfer>& log,
                   const std::function<void()>& before)
      : inner_(std::move(inner)), log_(log), before_(before) {}

  int32_t TransferProperty(const Guid& propertySet, uint32_t nodeId, uint32_t selector, bool isSet,
                           uint8_t* data, uint32_t length) override {
    if (before_) before_();
    RecordedTransfer transfer;
    transfer.selector = selector;
    transfer.isSet = isSet;
    if (isSet && data)
      std::copy(data, data + std::min<uint32_t>(length, 64), transfer.packet.begin());
    transfer.status = inner_->TransferProperty(propertySet, nodeId, selector, isSet, data, length);
    if (!isSet && data)
      std::copy(data, data + std::min<uint32_t>(length, 64), transfer.packet.begin());
    log_.push_back(transfer);
    return transfer.status;
  }
  bool Lock() override { return inner_->Lock(); }
  void Unlock() override { inner_->Unlock(); }

 private:
  std::unique_ptr<PropertyChannel> inner_;
  std::vector<RecordedTransfer>& log_;
  const std::function<void()>& before_;
};

}  // namespace

uint32_t RecordedTransfer::Field(std::size_t at) const {
  return static_cast<uint32_t>(packet[at]) | (static_cast<uint32_t>(packet[at + 1]) << 8) |
         (static_cast<uint32_t>(packet[at + 2]) << 16) |
         (static_cast<uint32_t>(packet[at + 3]) << 24);
}

std::unique_ptr<PropertyChannel> RecordingBackend::Bind(const VideoInput& input) {
  std::unique_ptr<PropertyChannel> channel = inner_.Bind(input);
  if (!channel) return nullptr;
  return std::make_unique<RecordingChannel>(std::move(channel), transfers, duringTransfer);
}

std::string ShippedConfig() {
  const auto bytes = FindResourceData(kDefaultConfigResourceId, kTextResourceType);
  if (!bytes || bytes->size() < 2) return {};
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes->size(); i += 2) {  // after the byte-order mark
    text.push_back(static_cast<char16_t>((*bytes)[i] | ((*bytes)[i + 1] << 8)));
  }
  return ToUtf8(text);
}

LocalTime FixedClock() {
  LocalTime time;
  time.wYear = 2026;
  time.wMonth = 12;
  time.wDay = 5;
  time.wDayOfWeek = 6;
  time.wHour = 14;
  time.wMinute = 3;
  time.wSecond = 9;
  return time;
}

MainWindowTest::MainWindowTest() : statePath((dir / "recorder.json").string()) {
  // Logo texts cross as UTF-8, whatever the machine's locale.
  SetAnsiCharset("UTF-8");
  // A peer that holds the recorder costs a test no more than a short wait.
  simulator = std::make_unique<sim::SimBackend>(statePath, std::chrono::milliseconds(150));
  backend = std::make_unique<RecordingBackend>(*simulator);
}

MainWindowTest::~MainWindowTest() {
  window.reset();
  SetAnsiCharset("");
}

void MainWindowTest::PlugRecorder(const sim::RecorderState& state) {
  ASSERT_TRUE(sim::SaveState(statePath, state));
}

void MainWindowTest::UnplugRecorder() { std::filesystem::remove(statePath); }

sim::RecorderState MainWindowTest::RecorderNow() const {
  std::optional<sim::RecorderState> state = sim::LoadState(statePath);
  EXPECT_TRUE(state.has_value());
  return state.value_or(sim::RecorderState{});
}

MainDialog& MainWindowTest::Open(uint32_t switches) {
  window = std::make_unique<MainDialog>(toolkit, *backend);
  window->Flags().SetFlag(switches);
  window->SetConsoleOpener([] {});  // the trace stays captured
  window->SetClockSource(FixedClock);
  EXPECT_TRUE(window->Create());
  return *window;
}

ui::headless::HeadlessWindow& MainWindowTest::Win() {
  return dynamic_cast<ui::headless::HeadlessWindow&>(*window->Window());
}

ui::headless::HeadlessControl& MainWindowTest::Ctrl(int id) {
  ui::headless::HeadlessControl* control = Win().Find(id);
  if (!control) throw std::runtime_error("no control " + std::to_string(id));
  return *control;
}

std::vector<const ui::headless::HeadlessControl*> MainWindowTest::Labels() {
  std::vector<const ui::headless::HeadlessControl*> labels;
  for (const auto& control : Win().Controls()) {
    if (control->Id() == IDC_STATIC && control->Type() == ui::ControlType::Label)
      labels.push_back(control.get());
  }
  return labels;
}

void MainWindowTest::DeviceChange() {
  window->OnDeviceChange();
  ASSERT_TRUE(Win().HasTimer(MainDialog::kDeviceSettleTimerId));
  ASSERT_TRUE(Win().FireTimer(MainDialog::kDeviceSettleTimerId));
}

std::vector<uint8_t> MainWindowTest::Block() const {
  return {window->Bytes().begin(), window->Bytes().end()};
}

std::vector<uint8_t> MainWindowTest::ReadFile(std::string_view name) const {
  const std::string bytes = dir.Read(name);
  return {bytes.begin(), bytes.end()};
}

}  // namespace kavrin::test
