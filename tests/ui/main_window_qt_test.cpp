// The main window on real Qt widgets, offscreen: the behaviour the headless tests rely on
// holds for the widgets a user sees.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/text_codec.h"
#include "device/sim/recorder.h"
#include "device/sim/sim_backend.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"
#include "tests/ui/main_window_qt_fixture.h"
#include "tests/ui/qt_queued_input.h"
#include "ui/dialog_templates.h"
#include "ui/main_dialog.h"
#include "ui/qt/qt_control.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/qt_window.h"

namespace kavrin::test {
namespace {

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
  } cases[] = {{IDC_SAVE, true},         {IDC_LOAD, false},       {IDC_GET_KAVRIN, false},
               {IDC_SET_DEFAULT, false}, {IDC_KAVRIN, true},      {IDC_PATH_DISPLAY, false},
               {ui::IDC_OK, false},      {ui::IDC_CANCEL, false}, {IDC_READ, false},
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

bool AnyFileDialog() {
  for (QWidget* widget : QApplication::allWidgets())
    if (qobject_cast<QFileDialog*>(widget)) return true;
  return false;
}

// No file dialog is built while the window starts; Load opens one with the block-file filter
// and the chosen file fills the lists, as before.
TEST_F(MainWindowQtTest, LoadBuildsTheFileDialogOnlyWhenClicked) {
  std::vector<unsigned char> block(SettingsBlock::kSize, 0);
  block[2] = 0x02;  // VOLUME "2" (the shipped default is "1")
  dir.Write("chosen.bin", block);
  Open(LOAD_BIN);
  EXPECT_FALSE(AnyFileDialog());
  ASSERT_EQ(Combo(IDC_ITEM_BASE + 6)->currentText(), "1");

  QStringList filters;
  QString selectedFilter;
  QTimer::singleShot(0, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* shown = qobject_cast<QFileDialog*>(modal);
    EXPECT_NE(shown, nullptr);
    if (shown) {
      filters = shown->nameFilters();
      selectedFilter = shown->selectedNameFilter();
      shown->selectFile(QString::fromStdString((dir / "chosen.bin").string()));
      static_cast<QDialog*>(shown)->accept();  // public in QDialog
    } else if (auto* modalDialog = qobject_cast<QDialog*>(modal)) {
      modalDialog->reject();
    }
  });
  QTest::mouseClick(Widget(IDC_LOAD), Qt::LeftButton);
  EXPECT_EQ(filters, (QStringList{"BIN (*.bin)", "All file (*)"}));
  EXPECT_EQ(selectedFilter, "BIN (*.bin)");
  EXPECT_EQ(Combo(IDC_ITEM_BASE + 6)->currentText(), "2");
}

// The drop-down lists' pop-ups (a window and a list view each) are built when first opened,
// not for every list while the window starts; one that opens shows its entries. (Qt builds the
// editable logo box's pop-up together with its edit field.)
TEST_F(MainWindowQtTest, EachDropDownListBuildsItsPopUpWhenFirstOpened) {
  Open();
  std::vector<QComboBox*> lists;
  for (int id = IDC_ITEM_BASE; Combo(id); ++id) lists.push_back(Combo(id));
  ASSERT_EQ(lists.size(), 11u);  // the shipped configuration's items
  for (QComboBox* list : lists) EXPECT_TRUE(list->findChildren<QAbstractItemView*>().isEmpty());

  QComboBox* volume = Combo(IDC_ITEM_BASE + 6);
  volume->showPopup();
  const QList<QAbstractItemView*> views = volume->findChildren<QAbstractItemView*>();
  ASSERT_EQ(views.size(), 1);
  EXPECT_TRUE(views[0]->isVisible());
  EXPECT_EQ(views[0]->model()->rowCount(), 4);
  volume->hidePopup();
  for (QComboBox* list : lists)
    EXPECT_TRUE(list == volume || list->findChildren<QAbstractItemView*>().isEmpty());
}

TEST_F(MainWindowQtTest, KavrinClickWritesTheRecorderAndTheNotificationClosesItself) {
  sim::RecorderState state;
  ASSERT_TRUE(sim::SaveState(statePath, state));
  Open();
  auto* kavrin = qobject_cast<QPushButton*>(Widget(IDC_KAVRIN));
  ASSERT_NE(kavrin, nullptr);
  ASSERT_TRUE(kavrin->isEnabled());

  NotificationWatch watch(Host().Widget());
  bool forcedClosed = false;
  CloseStrayNotificationsAfter(20000, Host().Widget(), forcedClosed);
  QTest::mouseClick(kavrin, Qt::LeftButton);

  EXPECT_EQ(watch.shows, 1);
  EXPECT_FALSE(forcedClosed);
  EXPECT_EQ(watch.title, "Kavrin");
  EXPECT_EQ(watch.texts, QStringList{"Kavrin finish !"});
  // A precise timer: never before the two seconds are up.
  EXPECT_GE(watch.hiddenAt - watch.shownAt, 2000);

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

// The operator's three quick clicks (two of them made while the operation runs), then a click
// and Escape on the main window while the notification shows: one operation, one commit,
// and the main window stays.
TEST_F(MainWindowQtTest, ClicksDuringTheKavrinOperationAreDropped) {
  ASSERT_TRUE(sim::SaveState(statePath, sim::RecorderState{}));
  Open();
  QWidget* kavrin = Widget(IDC_KAVRIN);
  ASSERT_TRUE(kavrin->isEnabled());
  int clockReads = 0;
  window->SetClockSource([&] {
    if (++clockReads == 1) {
      QueueClick(kavrin);
      QueueClick(kavrin);
    }
    return LocalTime::Now();
  });

  NotificationWatch watch(Host().Widget());
  bool notificationWasModal = false;
  watch.whileShown = [&](QDialog& notification) {
    notificationWasModal = QApplication::activeModalWidget() == &notification;
    // Through the main window, as the window system delivers the mouse and the keyboard.
    QWindow* mainWindow = Host().Widget()->windowHandle();
    QTest::mouseClick(mainWindow, Qt::LeftButton, Qt::NoModifier,
                      kavrin->mapTo(Host().Widget(), kavrin->rect().center()));
    QTest::keyClick(mainWindow, Qt::Key_Escape);
  };
  bool forcedClosed = false;
  CloseStrayNotificationsAfter(20000, Host().Widget(), forcedClosed);
  QTest::mouseClick(kavrin, Qt::LeftButton);
  QCoreApplication::processEvents();  // anything still queued would arrive now

  EXPECT_TRUE(notificationWasModal);
  EXPECT_FALSE(forcedClosed);
  EXPECT_EQ(clockReads, 1);
  EXPECT_EQ(watch.shows, 1);
  EXPECT_EQ(sim::LoadState(statePath)->commits, std::vector<uint32_t>{2});
  EXPECT_TRUE(Host().Widget()->isVisible())
      << "Escape reached the main window under the notification";
  EXPECT_EQ(trace.Text().find("BN_CLICKED for 2"), trace.Text().rfind("BN_CLICKED for 2"))
      << "one command reached the window";
}

TEST_F(MainWindowQtTest, FailedKavrinStaysOpenUntilTheOperatorPressesOk) {
  sim::RecorderState state;
  sim::FaultPlan::Rule commit;
  commit.selector = DeviceLink::SELECTOR_COMMIT;
  state.faults.rules = {commit};
  ASSERT_TRUE(sim::SaveState(statePath, state));
  Open();

  NotificationWatch watch(Host().Widget());
  bool stillOpenAfterThreeSeconds = false;
  watch.whileShown = [&](QDialog& notification) {
    QTimer::singleShot(3000, &notification, [&] {
      stillOpenAfterThreeSeconds = notification.isVisible();
      auto* ok = notification.findChild<QPushButton*>();
      ASSERT_NE(ok, nullptr);
      EXPECT_TRUE(ok->isVisible());
      EXPECT_EQ(ok->text(), "OK");
      QTest::mouseClick(ok, Qt::LeftButton);
    });
  };
  bool forcedClosed = false;
  CloseStrayNotificationsAfter(20000, Host().Widget(), forcedClosed);
  QTest::mouseClick(Widget(IDC_KAVRIN), Qt::LeftButton);

  EXPECT_TRUE(stillOpenAfterThreeSeconds);
  EXPECT_FALSE(forcedClosed);
  EXPECT_EQ(watch.texts, QStringList{"Kavrin fail ! (commit)"});
  EXPECT_TRUE(sim::LoadState(statePath)->commits.empty());
  EXPECT_NE(trace.Text().find("\nkavrin fail\n"), std::string::npos);
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
