#pragma once
// The tool's main window. It is at once the dialog, the loaded configuration and the
// settings image: every run-time control is built from the configuration, values move between
// the controls and the block only at the start or end of an operation, and the device side
// keeps the recorder attached as devices come and go.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "block/settings_block.h"
#include "config/config_file.h"
#include "device/device_link.h"
#include "ui/framework/dialog.h"
#include "ui/mode_flags.h"

namespace kavrin {

// Run-time control ids.
inline constexpr int IDC_ITEM_BASE = 2000;  // + item index; the config bounds keep it below 2100
inline constexpr int IDC_LOGO = 2100;
inline constexpr int IDC_TEST_RESULT_BASE = 2200;
inline constexpr int IDC_INFO_CONTENT_BASE = 2300;
inline constexpr int IDC_SAVE = 2400;
inline constexpr int IDC_LOAD = 2401;
inline constexpr int IDC_GET_KAVRIN = 2402;
inline constexpr int IDC_SET_DEFAULT = 2403;
inline constexpr int IDC_KAVRIN = 2404;
inline constexpr int IDC_PATH_DISPLAY = 2502;

class MainDialog : public ui::Dialog, public ConfigFile, public SettingsBlock {
 public:
  static constexpr const char16_t* kEdition = u"User";
  static constexpr const char16_t* kVersion = u"20130418-1";
  static constexpr const char16_t* kBlockFileFilter = u"BIN (*.bin)|*.bin|All file (*.*)|*.*|";
  static constexpr int kKavrinPauseMs = 2000;
  // A burst of device events settles before the recorder is looked for again.
  static constexpr int kDeviceSettleTimerId = 2;
  static constexpr int kDeviceSettleMs = 100;

  MainDialog(ui::Toolkit& toolkit, VideoInputBackend& backend);
  ~MainDialog() override;

  // The switch word; the start-up code adds the command line's switches before DoModal.
  ModeFlags& Flags() { return modeFlags_; }
  const ModeFlags& Flags() const { return modeFlags_; }
  int HasFlag(uint32_t bits) const { return modeFlags_.HasFlag(bits); }

  DeviceLink& Link() { return deviceLink_; }
  const std::filesystem::path& DefaultFilePath() const { return defaultFilePath_; }
  uint32_t TestFailed() const { return testFailed_; }

  // What opens the trace console when COLSOLE is on (standard output by default).
  void SetConsoleOpener(std::function<void()> opener) { openConsole_ = std::move(opener); }
  // Where the kavrin operation takes the recorder's new clock from (local time by default).
  void SetClockSource(std::function<LocalTime()> clock) { clock_ = std::move(clock); }

  // Framework entry points.
  bool OnInitDialog() override;
  bool OnCommand(int id, int notifyCode) override;
  void OnTimer(int id) override;
  // A raw device-change notification: (re)starts the settle timer.
  void OnDeviceChange() override;

  // Construction (main_dialog_controls.cpp).
  void CreateControls();
  void CreateCommandButtons();
  void CreatePathDisplay();
  void CreateItemControls();
  void CreateLogoPanel();
  void CreateInfoPanel();
  void CreateTestPanel();
  void ApplyButtonSwitches();
  void ShowAndEnable(int id, bool on);

  // Copies between the controls and the block (item_sync.cpp).
  void BlockToControls();
  void ControlsToBlock();

  // Block files (main_dialog_files.cpp).
  void OnLoad();
  void OnSave();
  void OnSetDefault();
  int LoadDefaultFile();

  // Device operations (main_dialog_device.cpp).
  void OnDevicesChanged();
  void RefreshDevicePanels(int attached);
  void RefreshDeviceInfo(int attached);
  void RefreshTestItems(int attached);
  int IsKavrinReady();
  void UpdateKavrinButton();
  void OnRead();
  void OnWrite();
  void OnGetKavrin();
  void OnKavrin();

 private:
  void MapCommands();
  void OpenConsole();
  ui::Control* MakeControl(const ui::ControlSpec& params);
  // Get Kavrin and Read: the device area into the block and the lists.
  void ReadSettingsIntoControls();

  ModeFlags modeFlags_;
  std::filesystem::path defaultFilePath_;
  DeviceLink deviceLink_;
  std::unique_ptr<ui::FileDialog> blockFileDialog_;
  ui::Control* pathDisplay_ = nullptr;
  uint32_t testFailed_ = 0;
  std::function<void()> openConsole_;
  std::function<LocalTime()> clock_;
};

}  // namespace kavrin
