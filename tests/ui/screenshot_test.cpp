// kavrintool --screenshot: the window drawn off screen with no display, for the authors of a
// configuration. The picture's controls stand where the layout puts them (their frames at the
// rectangles the headless window records), at any scale; nothing else is written or touched.
#include <gtest/gtest.h>
#include <QColor>
#include <QImage>

#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/ui/main_window_harness.h"

namespace kavrin {
namespace {

namespace fs = std::filesystem;
using ui::ControlType;

// Generous: a loaded machine may take long to start Qt; a run that works ends long before.
constexpr auto kDeadline = std::chrono::seconds(90);

std::string ReadSourceFile(const std::string& relative) {
  std::ifstream in(fs::path(KAVRIN_SOURCE_DIR) / relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ShotCase {
  const char* name;
  const char* example;       // resources/examples/NAME, or null for the built-in configuration
  bool throughConfigOption;  // --config PATH instead of ./KAVRIN_CFG.ini
  uint32_t switches;
  double scale;
};

void PrintTo(const ShotCase& c, std::ostream* out) { *out << c.name; }

class ScreenshotTest : public test::MainWindowTest, public testing::WithParamInterface<ShotCase> {
 protected:
  // Runs kavrintool in the test's folder with no display of any kind; its exit status, or -1
  // when it did not end in time.
  int Shoot(const std::vector<std::string>& arguments) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(dir.Path().c_str()) != 0) ::_exit(126);
      ::unsetenv("DISPLAY");
      ::unsetenv("WAYLAND_DISPLAY");
      ::unsetenv("QT_QPA_PLATFORM");
      ::unsetenv("KAVRIN_SIMULATOR");
      std::vector<char*> argv{const_cast<char*>(KAVRINTOOL_PATH)};
      for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      ::execv(KAVRINTOOL_PATH, argv.data());
      ::_exit(127);
    }
    const auto until = std::chrono::steady_clock::now() + kDeadline;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > until) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

// Whether any pixel of the row y between x0 and x1 (inclusive) differs from the background.
bool DrawnBetween(const QImage& image, int x0, int x1, int y, QRgb background) {
  for (int x = std::max(x0, 0); x <= x1 && x < image.width(); ++x) {
    if (image.pixel(x, y) != background) return true;
  }
  return false;
}

TEST_P(ScreenshotTest, ControlsStandWhereTheLayoutPutsThem) {
  const ShotCase& c = GetParam();
  const std::string config = c.example != nullptr
                                 ? ReadSourceFile(std::string("resources/examples/") + c.example)
                                 : std::string();
  std::vector<std::string> arguments{"--screenshot", "window.png"};
  if (c.scale != 1.0) arguments.insert(arguments.end(), {"--scale", std::to_string(c.scale)});
  if (c.example != nullptr && c.throughConfigOption) {
    dir.Write("authored.ini", config);
    arguments.insert(arguments.end(), {"--config", "authored.ini"});
  } else if (c.example != nullptr) {
    WriteConfig(config);
  }
  char switches[16];
  std::snprintf(switches, sizeof switches, "%X", c.switches);
  arguments.emplace_back(switches);

  ASSERT_EQ(Shoot(arguments), 0);
  // The picture and nothing else: the side-file switches write nothing here.
  std::vector<std::string> expectedFiles{"window.png"};
  if (c.example != nullptr)
    expectedFiles.push_back(c.throughConfigOption ? "authored.ini" : "KAVRIN_CFG.ini");
  std::sort(expectedFiles.begin(), expectedFiles.end());
  EXPECT_EQ(dir.List(), expectedFiles);

  const QImage image(QString::fromStdString((dir.Path() / "window.png").string()));
  ASSERT_FALSE(image.isNull());

  // The same window on the headless backend: the rectangles the layout gives, in window pixels.
  if (c.example != nullptr && c.throughConfigOption) WriteConfig(config);
  Open(c.switches & ~0x80000006u);
  // The picture is the client area: the layout's outer size less the frame the platform draws
  // around it (a few pixels, a caption at most), times the scale.
  const ui::Rect outer = Win().OuterGeometry();
  EXPECT_LE(image.width(), outer.Width() * c.scale + 1);
  EXPECT_GE(image.width(), (outer.Width() - 16) * c.scale);
  EXPECT_LE(image.height(), outer.Height() * c.scale + 1);
  EXPECT_GE(image.height(), (outer.Height() - 40) * c.scale);

  const auto at = [&](int pixels) { return static_cast<int>(std::lround(pixels * c.scale)); };
  const QRgb background = image.pixel(at(2), at(2));
  int checked = 0;
  for (const auto& control : Win().Controls()) {
    if (!control->IsVisible()) continue;
    const ControlType type = control->Type();
    if (type != ControlType::DropDownList && type != ControlType::DropDownBox &&
        type != ControlType::PushButton)
      continue;
    const ui::Rect r = control->Geometry();
    const int middle = at(r.top + std::min(r.Height(), 20) / 2);
    SCOPED_TRACE("control " + std::to_string(control->Id()) + " at x " + std::to_string(r.left) +
                 ", y " + std::to_string(r.top));
    // Its frame begins at its left edge, and the gap before it is empty.
    EXPECT_TRUE(DrawnBetween(image, at(r.left), at(r.left + 2), middle, background));
    if (type != ControlType::PushButton) {
      EXPECT_FALSE(DrawnBetween(image, at(r.left - 4), at(r.left) - 2, middle, background));
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Shots, ScreenshotTest,
    testing::Values(ShotCase{"built_in_every_button", nullptr, false, 0x80041716, 1.0},
                    ShotCase{"built_in_at_150_percent", nullptr, false, 0x1700, 1.5},
                    ShotCase{"engine_tests_through_config_at_200_percent", "engine-tests.ini", true,
                             0, 2.0},
                    ShotCase{"many_items", "many-items.ini", false, 0x41700, 1.0}),
    [](const testing::TestParamInfo<ShotCase>& param) { return std::string(param.param.name); });

TEST_F(ScreenshotTest, ARequestThatCannotBeCarriedOutSaysWhyAndWritesNothing) {
  EXPECT_EQ(Shoot({"--screenshot"}), 2);
  EXPECT_EQ(Shoot({"--screenshot", "w.png", "--scale", "0"}), 2);
  EXPECT_EQ(Shoot({"--screenshot", "no-such-folder/w.png"}), 1);
  EXPECT_TRUE(dir.List().empty());
}

}  // namespace
}  // namespace kavrin
