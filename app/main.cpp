// kavrintool: the desktop tool. Qt takes its own arguments (-platform, -style, ...); what
// remains is the tool's switch value. --help and --version, and a missing display, are
// answered first, before anything else starts; --screenshot draws the window into a picture
// instead of running it.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "app/command_line.h"
#include "app/early_options.h"
#include "app/kavrin_app.h"
#include "app/screenshot_qt.h"
#include "app/single_instance.h"
#include "config/resources.h"
#include "config/standard_descriptors.h"
#include "config/text_codec.h"
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
  // Before anything is opened: a closed stdout or stderr must not make the display
  // connection or a side file descriptor 1 or 2, where the trace and Qt's messages would go.
  if (!kavrin::OpenClosedStandardDescriptors()) return 1;
  const std::span<const char* const> arguments(argv + 1,
                                               argc > 1 ? static_cast<std::size_t>(argc - 1) : 0);
  switch (kavrin::FindEarlyRequest(arguments)) {
    case kavrin::EarlyRequest::Help:
      std::fputs(kavrin::UsageText().c_str(), stdout);
      return 0;
    case kavrin::EarlyRequest::Version:
      std::fputs(kavrin::VersionText().c_str(), stdout);
      return 0;
    case kavrin::EarlyRequest::None:
      break;
  }
  // The picture of the window needs no display: it is drawn off screen.
  const std::optional<kavrin::ScreenshotRequest> screenshot =
      kavrin::FindScreenshotRequest(arguments);
  // Qt would abort with a message about plugins; say what is wrong and what works instead.
  if (!screenshot &&
      kavrin::DisplayMissing(arguments, [](const char* name) { return std::getenv(name); })) {
    std::fputs(kavrin::NoDisplayMessage().c_str(), stderr);
    return 1;
  }

  // Every text the tool shows, sends or traces goes through the ANSI code page: one it cannot
  // convert would turn them all into empty text.
  if (const std::string problem = kavrin::CodePageProblem(); !problem.empty()) {
    std::fprintf(stderr, "kavrintool: %s\n", problem.c_str());
    return 1;
  }
  if (screenshot) return kavrin::RunScreenshot(argv[0], *screenshot);
  QApplication application(argc, argv);  // removes the arguments Qt understood
  QApplication::setApplicationName("kavrintool");
  QGuiApplication::setDesktopFileName("kavrintool");
  SetApplicationIcon();

  const std::string commandLine = kavrin::AnsiCommandLine(
      std::span<const char* const>(argv + 1, argc > 1 ? static_cast<std::size_t>(argc - 1) : 0));

  kavrin::ui::QtToolkit toolkit;
  const auto backend = kavrin::MakeVideoInputBackend();
  const auto monitor = kavrin::MakeDeviceChangeMonitor();
  const auto instance = kavrin::MakeSingleInstance();
  kavrin::KavrinApp app(toolkit, *backend, *instance, monitor.get());
  app.InitInstance(commandLine);
  return 0;
}
