#include "app/kavrin_app.h"

#include "app/command_line.h"
#include "app/console.h"
#include "config/file_util.h"
#include "config/trace.h"
#include "ui/main_dialog.h"

namespace kavrin {

KavrinApp::KavrinApp(ui::Toolkit& toolkit, VideoInputBackend& backend, SingleInstance& instance,
                     DeviceChangeMonitor* monitor)
    : toolkit_(toolkit), backend_(backend), instance_(instance), monitor_(monitor) {}

StartOutcome KavrinApp::InitInstance(std::string_view commandLine) {
  // A lock that cannot be set up at all does not keep the tool from running.
  if (instance_.Claim(kInstanceName) == InstanceClaim::HeldElsewhere) {
    return StartOutcome::SecondInstance;
  }
  MainDialog dialog(toolkit_, backend_);
  // The configuration goes where the window will look for it, fixed when it was constructed.
  SideFilePaths paths = SideFilePaths::InCurrentDirectory();
  paths.configFile = dialog.Path();
  const std::vector<std::string> notes = ApplyCommandLine(commandLine, dialog.Flags(), paths);
  // What the side files met is traced as soon as the console exists.
  dialog.SetConsoleOpener([notes] {
    OpenConsole();
    for (const std::string& note : notes) TraceText(note);
  });
  RunDialog(dialog);
  return StartOutcome::DialogClosed;
}

void KavrinApp::RunDialog(MainDialog& dialog) {
  if (monitor_ != nullptr)
    toolkit_.WatchDeviceChanges(*monitor_, [&dialog] { dialog.OnDeviceChange(); });
  dialog.DoModal();  // its result is not used
  if (monitor_ != nullptr) toolkit_.StopDeviceChanges();
}

}  // namespace kavrin
