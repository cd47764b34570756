#pragma once
// The main window on the headless backend, in a fresh current directory, with the simulated
// recorder behind a backend that records every transfer the window makes.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/sim/recorder.h"
#include "device/sim/sim_backend.h"
#include "device/video_input.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"
#include "ui/dialog_templates.h"
#include "ui/headless/headless_toolkit.h"
#include "ui/main_dialog.h"

namespace kavrin::test {

struct RecordedTransfer {
  uint32_t selector = 0;
  bool isSet = false;
  std::array<uint8_t, 64> packet{};  // as sent, or as received
  int32_t status = 0;

  uint32_t Field(std::size_t at) const;  // little-endian 32-bit word of the packet
};

// Passes everything to the simulator and keeps a log of the transfers.
class RecordingBackend : public VideoInputBackend {
 public:
  explicit RecordingBackend(VideoInputBackend& inner) : inner_(inner) {}
  std::optional<std::vector<VideoInput>> ListVideoInputs() override {
    return inner_.ListVideoInputs();
  }
  std::unique_ptr<PropertyChannel> Bind(const VideoInput& input) override;

  std::vector<RecordedTransfer> transfers;
  // Runs before each transfer: what the operator does while the window waits on the recorder.
  std::function<void()> duringTransfer;

 private:
  VideoInputBackend& inner_;
};

// The shipped KAVRIN_CFG.ini as UTF-8 text. Sections put in front of it win over its own,
// since the first section of a name is the one read.
std::string ShippedConfig();

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest();
  ~MainWindowTest() override;

  void WriteConfig(std::string_view utf8) { dir.Write("KAVRIN_CFG.ini", utf8); }
  // The shipped configuration with the given sections in front.
  void WriteShippedConfigWith(std::string_view sections) {
    WriteConfig(std::string(sections) + ShippedConfig());
  }

  void PlugRecorder(const sim::RecorderState& state = {});
  void UnplugRecorder();
  sim::RecorderState RecorderNow() const;

  // Constructs the window with the switches added to the defaults and initialises it.
  MainDialog& Open(uint32_t switches = 0);
  ui::headless::HeadlessWindow& Win();
  ui::headless::HeadlessControl& Ctrl(int id);
  // Labels (id 0xFFFF) in creation order.
  std::vector<const ui::headless::HeadlessControl*> Labels();

  // A device-change notification as the platform delivers it, settled by its timer.
  void DeviceChange();

  std::vector<uint8_t> Block() const;
  void WriteBlockFile(std::string_view name, const std::vector<uint8_t>& bytes) {
    dir.Write(name, bytes);
  }
  std::vector<uint8_t> ReadFile(std::string_view name) const;

  TempDir dir;
  ScopedCurrentDir cwd{dir.Path()};
  TraceCapture trace;
  ui::headless::HeadlessToolkit toolkit;
  std::string statePath;
  std::unique_ptr<sim::SimBackend> simulator;
  std::unique_ptr<RecordingBackend> backend;
  std::unique_ptr<MainDialog> window;
};

// 2026-12-05 14:03:09, the clock the tests give the window.
LocalTime FixedClock();

}  // namespace kavrin::test
