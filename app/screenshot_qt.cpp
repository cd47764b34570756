// The window drawn off screen: built as at start-up, from the configuration and Default.bin of
// the current folder (or --config), but without a recorder, the single-instance lock, the
// side files or the trace console, so that a review or a CI job can run it anywhere, also
// beside a running tool.
#include "app/screenshot_qt.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTemporaryFile>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "config/text_codec.h"
#include "config/trace.h"
#include "device/video_input.h"
#include "ui/main_dialog.h"
#include "ui/qt/qt_toolkit.h"

namespace kavrin {
namespace {

constexpr ui::Size kPictureScreen{3840, 2400};

// No video input at all: the window shows as it does with no recorder plugged in.
class NoRecorderBackend : public VideoInputBackend {
 public:
  std::optional<std::vector<VideoInput>> ListVideoInputs() override {
    return std::vector<VideoInput>{};
  }
  std::unique_ptr<PropertyChannel> Bind(const VideoInput&) override { return nullptr; }
};

bool SavePicture(QWidget* window, const std::string& output, std::string* problem) {
  if (window == nullptr) {
    *problem = "the window did not show";
    return false;
  }
  const QPixmap picture = window->grab();
  if (picture.isNull()) {
    *problem = "the window could not be drawn";
    return false;
  }
  if (!picture.toImage().save(QString::fromLocal8Bit(output.c_str()), "PNG")) {
    *problem = "cannot write " + output;
    return false;
  }
  return true;
}

// The offscreen platform's screen: large enough that no window of a sane configuration is cut
// to it (the window never gets larger than its screen), drawn at the requested device pixel
// ratio. The platform reads it from a file named in its options.
bool WriteScreenDescription(QTemporaryFile& file, double scale) {
  if (!file.open()) return false;
  const QByteArray json =
      QStringLiteral(
          R"({"windowFrameMargins": true, "screens": [{"name": "picture", "x": 0, "y": 0,)"
          R"( "width": %1, "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": %3}]})")
          .arg(static_cast<int>(kPictureScreen.width * scale))
          .arg(static_cast<int>(kPictureScreen.height * scale))
          .arg(scale)
          .toUtf8();
  const bool written = file.write(json) == json.size() && file.flush();
  file.close();
  return written;
}

// The toolkit's chatter about the offscreen platform is no news to the user of a picture.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

int RunScreenshot(const char* argv0, const ScreenshotRequest& request) {
  if (!request.problem.empty()) {
    std::fprintf(stderr, "kavrintool: %s\n", request.problem.c_str());
    return 2;
  }
  // Drawn in memory, whatever display there is or is not.
  QTemporaryFile screen;
  if (!WriteScreenDescription(screen, request.scale)) {
    std::fprintf(stderr, "kavrintool: cannot write a temporary file for the picture's screen\n");
    return 1;
  }
  ::setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screen.fileName().toStdString()).c_str(),
           1);
  ::unsetenv("QT_SCALE_FACTOR");  // the screen's own ratio is the one asked for
  qInstallMessageHandler(QuietMessages);

  std::vector<std::string> storage{argv0 != nullptr ? argv0 : "kavrintool"};
  storage.insert(storage.end(), request.rest.begin(), request.rest.end());
  std::vector<char*> argv;
  for (std::string& argument : storage) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(storage.size());
  QApplication application(argc, argv.data());  // takes the arguments Qt understands

  // What remains is the switch value, read as at start-up; its side files are not written.
  const std::string commandLine = AnsiCommandLine(std::span<const char* const>(
      argv.data() + 1, argc > 1 ? static_cast<std::size_t>(argc - 1) : 0));

  ui::QtToolkit toolkit;
  NoRecorderBackend backend;
  MainDialog dialog(toolkit, backend);
  if (!request.config.empty()) dialog.SetPath(std::filesystem::path(request.config));
  ApplySwitchFlags(commandLine, dialog.Flags());
  dialog.SetConsoleOpener([] { SetTraceSink(nullptr); });

  std::string problem;
  bool saved = false;
  // Runs in the window's modal loop, once the window has been built and shown.
  QTimer::singleShot(0, &application, [&] {
    saved = SavePicture(QApplication::activeModalWidget(), request.output, &problem);
    dialog.EndDialog(0);
  });
  dialog.DoModal();
  if (!saved) {
    std::fprintf(stderr, "kavrintool: %s\n",
                 problem.empty() ? "no picture taken" : problem.c_str());
    return 1;
  }
  return 0;
}

}  // namespace kavrin
