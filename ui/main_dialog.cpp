// Construction, initialisation, command routing and the device-change settle timer of the
// main window.
#include "ui/main_dialog.h"

#include <algorithm>
#include <utility>

#include "config/file_util.h"
#include "config/resources.h"
#include "config/trace.h"
#include "ui/dialog_templates.h"

namespace kavrin {
namespace {

// A window never gets larger than the screen it shows on: a malformed WINDOW_LAYOUT must not
// ask the platform for a window of gigapixels (its backing store alone would take hundreds of
// megabytes). Without a known screen, a bound that holds the largest screens in use.
constexpr ui::Size kFallbackScreen{7680, 4320};

int WindowExtent(int value, int screen) { return std::clamp(value, 0, std::max(screen, 0)); }

}  // namespace

MainDialog::MainDialog(ui::Toolkit& toolkit, VideoInputBackend& backend)
    : ui::Dialog(toolkit, MainDialogTemplate()),
      ConfigFile(),
      SettingsBlock(),
      defaultFilePath_(MakeLocalPath("Default.bin")),
      deviceLink_(backend),
      openConsole_([] { SetTraceSink(StdoutTraceSink()); }),
      clock_([] { return LocalTime::Now(); }) {
  MapCommands();
}

MainDialog::~MainDialog() = default;

void MainDialog::MapCommands() {
  MapCommand(IDC_LOAD, [this] { OnLoad(); });
  MapCommand(IDC_SAVE, [this] { OnSave(); });
  MapCommand(IDC_SET_DEFAULT, [this] { OnSetDefault(); });
  MapCommand(IDC_GET_KAVRIN, [this] { OnGetKavrin(); });
  MapCommand(IDC_KAVRIN, [this] { OnKavrin(); });
  MapCommand(IDC_READ, [this] { OnRead(); });
  MapCommand(IDC_WRITE, [this] { OnWrite(); });
  // Enter reaches a dialog as its default button, here the template's hidden OK, which would
  // end the window and lose every choice not yet sent to the recorder. The close box and
  // Escape end it; Enter does nothing.
  MapCommand(ui::IDC_OK, [] {});
}

void MainDialog::OpenConsole() {
  if (openConsole_) openConsole_();
}

bool MainDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  ui::WindowHost* window = Window();

  if (auto icon = FindResourceData(kIconResourceId, kIconResourceType); icon && window) {
    window->SetIcon(*icon);
  }
  if (HasFlag(COLSOLE)) OpenConsole();

  if (window) {
    window->SetTitle(std::u16string(u"ZK742 ") + kEdition + u" Kavrin Tool " + kVersion);
  }

  LoadConfiguration();
  for (uint32_t i = 0; i < friendlyNameCount && i < friendlyNames.size(); ++i) {
    deviceLink_.AddDeviceName(friendlyNames[i].c_str());
  }

  Extent extent;
  GetWindowExtent(&extent);
  if (window) {
    ui::Size screen = window->ScreenSize();
    if (screen.width <= 0 || screen.height <= 0) screen = kFallbackScreen;
    window->SetOuterGeometry({0, 0, WindowExtent(extent.right, screen.width),
                              WindowExtent(extent.bottom, screen.height)});
    window->Show();
    window->CenterOnScreen();
  }

  CreateControls();
  ApplyButtonSwitches();
  ControlsToBlock();
  BlockToControls();
  LoadDefaultFile();

  blockFileDialog_ = GetToolkit().CreateFileOpenDialog(kBlockFileFilter);

  OnDevicesChanged();
  return true;
}

bool MainDialog::OnCommand(int id, int notifyCode) {
  if (notifyCode == 0) Trace("OnCommand() get BN_CLICKED for %d\n", id & 0xFFFF);
  return ui::Dialog::OnCommand(id, notifyCode);
}

void MainDialog::OnDeviceChange() {
  ui::WindowHost* window = Window();
  if (!window) return;
  // Restart the wait: only the last event of a burst re-attaches.
  window->KillTimer(kDeviceSettleTimerId);
  window->SetTimer(kDeviceSettleTimerId, kDeviceSettleMs);
}

void MainDialog::OnTimer(int id) {
  if (id != kDeviceSettleTimerId) return;
  if (ui::WindowHost* window = Window()) window->KillTimer(kDeviceSettleTimerId);
  OnDevicesChanged();
}

}  // namespace kavrin
