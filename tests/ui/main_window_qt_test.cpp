// The main window on real Qt widgets, offscreen: the behaviour the headless tests rely on
// holds for the widgets a user sees.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "config/text_codec.h"
#include "device/sim/recorder.h"
#include "device/sim/sim_backend.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"
#include "ui/dialog_templates.h"
#include "ui/main_dialog.h"
#include "ui/qt/qt_control.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/qt_window.h"

namespace kavrin::test {
namespace {

class MainWindowQtTest : public ::testing::Test {
 protected:
  MainWindowQtTest() : statePath((dir / "recorder.json").string()), simulator(statePath) {}

  void SetUp() override { SetAnsiCharset("UTF-8"); }
  void TearDown() override {
    window.reset();
    SetAnsiCharset("");
  }

  MainDialog& Open(uint32_t switches = 0) {
    window = std::make_unique<MainDialog>(toolkit, simulator);
    window->Flags().SetFlag(switches);
    window->SetConsoleOpener([] {});
    EXPECT_TRUE(window->Create());
    Host().Widget()->show();
    return *window;
  }
  ui::qt::QtWindow& Host() { return static_cast<ui::qt::QtWindow&>(*window->Window()); }
  QWidget* Widget(int id) {
    ui::qt::QtControl* control = Host().Find(id);
    return control ? control->Widget() : nullptr;
  }
  QComboBox* Combo(int id) { return qobject_cast<QComboBox*>(Widget(id)); }

  TempDir dir;
  ScopedCurrentDir cwd{dir.Path()};
  TraceCapture trace;
  ui::qt::QtToolkit toolkit;
  std::string statePath;
  sim::SimBackend simulator;
  std::unique_ptr<MainDialog> window;
};

TEST_F(MainWindowQtTest, FieldWithoutAnOptionShowsAnEmptyList) {
  std::vector<unsigned char> block(SettingsBlock::kSize, 0);
  block[2] = 0x07;  // VOLUME 7 of four options
  dir.Write("Default.bin", block);
  Open();
  QComboBox* volume = Combo(IDC_ITEM_BASE + 6);
  ASSERT_NE(volume, nullptr);
  EXPECT_FALSE(volume->isEditable());
  EXPECT_EQ(volume->count(), 4);
  EXPECT_EQ(volume->currentIndex(), -1);
  EXPECT_TRUE(volume->currentText().isEmpty());
  window->ControlsToBlock();
  EXPECT_EQ(window->GetBits(1, 0, 4), 15u);
  // A field in range shows its option: EV holds 0 in this block.
  EXPECT_EQ(Combo(IDC_ITEM_BASE + 9)->currentText(), "-1");  // EV 0
}

TEST_F(MainWindowQtTest, TypedLogoTextReachesTheBlock) {
  Open();
  QComboBox* logo = Combo(IDC_LOGO);
  ASSERT_NE(logo, nullptr);
  ASSERT_TRUE(logo->isEditable());
  Host().Widget()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Host().Widget()));
  logo->lineEdit()->setFocus();
  logo->lineEdit()->selectAll();
  QTest::keyClicks(logo->lineEdit(), "NIGHT RIDER 2013");
  window->ControlsToBlock();
  // Sixteen bytes of field: the text fills it without a terminator.
  EXPECT_EQ(window->GetText(22, 8), "NIGHT RIDER 2013");
}

TEST_F(MainWindowQtTest, OnlySwitchedButtonsShow) {
  Open(SAVE_BIN);
  const struct {
    int id;
    bool shown;
  } cases[] = {{IDC_SAVE, true},         {IDC_LOAD, false},   {IDC_GET_KAVRIN, false},
               {IDC_SET_DEFAULT, false}, {IDC_KAVRIN, true},  {IDC_PATH_DISPLAY, false},
               {ui::IDOK, false},        {ui::IDCANCEL, false}, {IDC_READ, false},
               {IDC_WRITE, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    QWidget* widget = Widget(c.id);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->isVisible(), c.shown);
  }
  EXPECT_EQ(Host().Widget()->windowTitle(), "ZK742 User Kavrin Tool 20130418-1");
  EXPECT_FALSE(Widget(IDC_KAVRIN)->isEnabled());  // no recorder
}

TEST_F(MainWindowQtTest, ValuesAtTheEndOfTheRangeOpenAWindowNoLargerThanTheScreen) {
  // Sums past INT_MAX in the information row and the item lists, and a window far larger
  // than any screen: the window opens, every widget has a geometry a window system takes.
  dir.Write("KAVRIN_CFG.ini", std::string("[INFO_LAYOUT]\nSTART_X=2147483647\nITEM_NO=1\n"
                                          "[ITEM_LAYOUT]\nSTART_X=2147483000\nOPTION_WIDTH=4000\n"
                                          "[WINDOW_LAYOUT]\nWIDTH=4000000000\nHEIGHT=3000000\n"
                                          "[ITEM_LIST]\nITEM_NO=1\nITEM_000=EV\n"
                                          "[EV]\nTITLE=EV\nOPTION_NO=1\nOPTION_0=0\n"));
  Open();
  QApplication::processEvents();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QWidget* dialog = Host().Widget();
  EXPECT_LE(dialog->frameGeometry().width(), screen.width());
  EXPECT_LE(dialog->frameGeometry().height(), screen.height());
  for (int id : {IDC_INFO_CONTENT_BASE, IDC_ITEM_BASE}) {
    SCOPED_TRACE(id);
    QWidget* widget = Widget(id);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->x(), 32767);
    EXPECT_GE(widget->width(), 0);
  }
  for (const QWidget* child : dialog->findChildren<QWidget*>()) {
    const QRect g = child->geometry();
    EXPECT_LE(std::abs(g.x()), 32767);
    EXPECT_LE(std::abs(g.y()), 32767);
    EXPECT_LE(g.width(), 65534);
    EXPECT_LE(g.height(), 65534);
  }
}

// Watches for the notification while the kavrin operation runs its nested modal loop.
struct NotificationWatch {
  QString title;
  QStringList texts;
  bool seen = false;
  bool forcedClosed = false;
};

TEST_F(MainWindowQtTest, KavrinClickWritesTheRecorderAndTheNotificationClosesItself) {
  sim::RecorderState state;
  ASSERT_TRUE(sim::SaveState(statePath, state));
  Open();
  auto* kavrin = qobject_cast<QPushButton*>(Widget(IDC_KAVRIN));
  ASSERT_NE(kavrin, nullptr);
  ASSERT_TRUE(kavrin->isEnabled());

  NotificationWatch watch;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QDialog*>(top);
      if (!dialog || !dialog->isVisible() || dialog == Host().Widget()) continue;
      watch.seen = true;
      watch.title = dialog->windowTitle();
      watch.texts.clear();
      for (QLabel* label : dialog->findChildren<QLabel*>())
        if (label->isVisible()) watch.texts << label->text();
    }
  });
  poll.start(50);
  // A guard against a notification that never closes, not a measure of time.
  QTimer::singleShot(20000, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QDialog*>(top);
      if (dialog && dialog->isVisible() && dialog != Host().Widget()) {
        watch.forcedClosed = true;
        dialog->reject();
      }
    }
  });

  QTest::mouseClick(kavrin, Qt::LeftButton);
  poll.stop();

  EXPECT_TRUE(watch.seen);
  EXPECT_FALSE(watch.forcedClosed);
  EXPECT_EQ(watch.title, "Kavrin");
  EXPECT_EQ(watch.texts, QStringList{"Kavrin finish !"});

  const std::optional<sim::RecorderState> after = sim::LoadState(statePath);
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->commits, std::vector<uint32_t>{2});
  EXPECT_FALSE(after->clock.empty());
  EXPECT_EQ(after->settings[0], 0x10);
  EXPECT_EQ(after->settings[1], 0xCA);
  EXPECT_EQ(after->settings[2], 0x11);
  EXPECT_EQ(after->settings[3], 0xA0);
  const std::string& text = trace.Text();
  EXPECT_NE(text.find("OnCommand() get BN_CLICKED for 2404\n"), std::string::npos);
  EXPECT_LT(text.find("\nkavrin finish\n"), text.find("\nnotify user\n"));
}

}  // namespace
}  // namespace kavrin::test

int main(int argc, char** argv) {
  // Real widgets without a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
