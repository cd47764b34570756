// kavrintool: the desktop tool. Qt takes its own arguments (-platform, -style, ...); what
// remains is the tool's switch value.
#include <QApplication>
#include <QIcon>
#include <span>
#include <string>

#include "app/command_line.h"
#include "app/kavrin_app.h"
#include "app/single_instance.h"
#include "config/resources.h"
#include "device/platform_backend.h"
#include "ui/qt/qt_icon.h"
#include "ui/qt/qt_toolkit.h"

namespace {

// The taskbar and window switcher show this until the main window sets its own.
void SetApplicationIcon() {
  const auto png = kavrin::FindResourceData(kavrin::kIconResourceId, kavrin::kIconResourceType);
  if (!png) return;
  // The main window sets the same bytes as its own icon: decoded once for both.
  const QIcon icon = kavrin::ui::qt::IconFromPng(*png);
  if (!icon.isNull()) QApplication::setWindowIcon(icon);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);  // removes the arguments Qt understood
  QApplication::setApplicationName("kavrintool");
  QGuiApplication::setDesktopFileName("kavrintool");
  SetApplicationIcon();

  const std::string commandLine = kavrin::JoinCommandLine(
      std::span<const char* const>(argv + 1, argc > 1 ? static_cast<std::size_t>(argc - 1) : 0));

  kavrin::ui::QtToolkit toolkit;
  const auto backend = kavrin::MakeVideoInputBackend();
  const auto monitor = kavrin::MakeDeviceChangeMonitor();
  const auto instance = kavrin::MakeSingleInstance();
  kavrin::KavrinApp app(toolkit, *backend, *instance, monitor.get());
  app.InitInstance(commandLine);
  return 0;
}
