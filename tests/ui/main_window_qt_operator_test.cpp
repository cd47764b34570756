// The main window on real Qt widgets as an operator meets it: a file chosen by typing its name
// and Return leaves nothing behind that takes the next click, a click on a button's part under
// a label reaches the button, Enter ends nothing, and the busy notification shows its whole
// text.
#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "device/sim/recorder.h"
#include "device/sim/state_store.h"
#include "tests/ui/main_window_qt_fixture.h"
#include "ui/qt/qt_text.h"

namespace kavrin::test {
namespace {

// Visible top-level windows other than the main window (a pop-up list left over, a dialog).
QStringList StrayWindows(QWidget* mainWindow) {
  QStringList stray;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->isVisible() && top != mainWindow)
      stray << QString::fromLatin1(top->metaObject()->className());
  return stray;
}

// Keys as a keyboard types them, through a window (the window system hands them to whatever
// has the focus there, or to an open pop-up).
void TypeInto(QWindow* window, const char* text) {
  for (const char* c = text; *c; ++c) QTest::keyClick(window, *c);
}

// Load, the name typed into the file dialog's name field until its completer offers the
// matches, then Return: the block loads, nothing of the dialog stays on screen, and the next
// click on "Kavrin" is one operation with one commit.
TEST_F(MainWindowQtTest, LoadByATypedNameAndReturnLeavesNothingThatTakesTheNextClick) {
  ASSERT_TRUE(sim::SaveState(statePath, sim::RecorderState{}));
  std::vector<unsigned char> block(SettingsBlock::kSize, 0);
  block[2] = 0x02;  // VOLUME "2"
  dir.Write("block-a.bin", block);
  dir.Write("block-b.bin", block);
  Open(LOAD_BIN);
  bool offered = false;
  QTimer::singleShot(0, [&] {
    auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(files, nullptr);
    files->setDirectory(QString::fromStdString(dir.Path().string()));
    auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    files->activateWindow();
    name->setFocus();
    // Typed as a keyboard types, through the dialog's window.
    TypeInto(files->windowHandle(), "block-");
    QCompleter* completer = name->completer();
    offered = completer && QTest::qWaitFor([&] { return completer->popup()->isVisible(); }, 10000);
    TypeInto(files->windowHandle(), "a.bin");
    QTest::keyClick(files->windowHandle(), Qt::Key_Return);
  });
  QTest::mouseClick(Widget(IDC_LOAD), Qt::LeftButton);
  ASSERT_TRUE(offered) << "the completer never offered the matches: nothing was tested";
  EXPECT_EQ(Combo(IDC_ITEM_BASE + 6)->currentText(), "2");
  // The file system model answers from a thread: anything it would still show, shows now.
  QTest::qWait(500);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(StrayWindows(Host().Widget()), QStringList{});

  NotificationWatch watch(Host().Widget());
  bool forcedClosed = false;
  CloseStrayNotificationsAfter(20000, Host().Widget(), forcedClosed);
  QWidget* kavrin = Widget(IDC_KAVRIN);
  ASSERT_TRUE(kavrin->isEnabled());
  QTest::mouseClick(Host().Widget()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                    kavrin->mapTo(Host().Widget(), kavrin->rect().center()));
  EXPECT_EQ(watch.shows, 1);
  EXPECT_FALSE(forcedClosed);
  EXPECT_EQ(sim::LoadState(statePath)->commits, std::vector<uint32_t>{2});
}

// With the built-in item layout a title runs over the buttons at the foot of its column: a
// click on the covered part of a button, through the window, reaches the button.
TEST_F(MainWindowQtTest, AClickOnAButtonsPartUnderALabelReachesTheButton) {
  dir.Write("KAVRIN_CFG.ini", std::string("[ITEM_LIST]\nITEM_NO=21\n"));
  Open(SET_DEFAULT | GET_DEVICE_KAVRIN | LOAD_BIN | SAVE_BIN);
  int overlaps = 0;
  for (int id : {IDC_SET_DEFAULT, IDC_GET_KAVRIN, IDC_LOAD, IDC_SAVE, IDC_KAVRIN}) {
    QWidget* button = Widget(id);
    if (!button || !button->isVisible()) continue;
    for (auto* label : Host().Widget()->findChildren<QLabel*>()) {
      const QRect common = label->geometry().intersected(button->geometry());
      if (!label->isVisible() || common.isEmpty()) continue;
      SCOPED_TRACE(label->text().toStdString());
      ++overlaps;
      const std::string clicked = "BN_CLICKED for " + std::to_string(id) + "\n";
      const std::size_t before = trace.Text().size();
      // Set Def. asks nothing; the others may open a dialog: ended at once.
      QTimer::singleShot(0, [] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
          modal->reject();
      });
      QTest::mouseClick(Host().Widget()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                        common.center());
      EXPECT_NE(trace.Text().find(clicked, before), std::string::npos)
          << "the label took the click";
    }
  }
  EXPECT_GT(overlaps, 0) << "no label over a button in this layout: nothing was tested";
}

// Enter, wherever the focus is that takes no Enter of its own, leaves the window running;
// Escape then ends it as Cancel.
TEST_F(MainWindowQtTest, EnterOnTheMainWindowLeavesItOpen) {
  const struct {
    const char* where;
    int focus;  // 0: the window itself
  } cases[] = {{"window", 0}, {"drop-down list", IDC_ITEM_BASE + 6}, {"logo box", IDC_LOGO}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    bool openAfterEnter = false;
    QTimer::singleShot(0, [&] {
      QWidget* top = Host().Widget();
      if (QWidget* focus = c.focus ? Widget(c.focus) : nullptr) focus->setFocus();
      QTest::keyClick(top->windowHandle(), Qt::Key_Return);
      QTest::keyClick(top->windowHandle(), Qt::Key_Enter);
      QCoreApplication::processEvents();
      openAfterEnter = top->isVisible();
      QTest::keyClick(top->windowHandle(), Qt::Key_Escape);
    });
    window.reset();
    window = std::make_unique<MainDialog>(toolkit, simulator);
    window->SetConsoleOpener([] {});
    EXPECT_EQ(window->DoModal(), ui::IDC_CANCEL);
    EXPECT_TRUE(openAfterEnter);
  }
}

// Another program holds the recorder: the notification's long reason shows whole, with OK
// below it, inside the window.
TEST_F(MainWindowQtTest, TheBusyNotificationShowsItsWholeText) {
  ASSERT_TRUE(sim::SaveState(statePath, sim::RecorderState{}));
  Open();
  sim::StateStore peer(statePath);
  ASSERT_TRUE(peer.Lock());
  NotificationWatch watch(Host().Widget());
  bool checked = false;
  watch.whileShown = [&](QDialog& notification) {
    auto* text = notification.findChild<QLabel*>();
    auto* ok = notification.findChild<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
    for (auto* button : notification.findChildren<QPushButton*>())
      if (button->isVisible()) ok = button;
    ASSERT_NE(text, nullptr);
    ASSERT_NE(ok, nullptr);
    // The label's own measure of the room its wrapped text needs.
    EXPECT_LE(text->heightForWidth(text->width()), text->height());
    EXPECT_GE(ok->geometry().top(), text->geometry().bottom());
    EXPECT_TRUE(notification.rect().contains(text->geometry()));
    EXPECT_TRUE(notification.rect().contains(ok->geometry()));
    checked = true;
    QTest::mouseClick(ok, Qt::LeftButton);
  };
  bool forcedClosed = false;
  CloseStrayNotificationsAfter(20000, Host().Widget(), forcedClosed);
  QTest::mouseClick(Widget(IDC_KAVRIN), Qt::LeftButton);
  peer.Unlock();
  EXPECT_EQ(watch.texts,
            QStringList{"Kavrin fail ! (clock: recorder busy, settings: recorder busy)"});
  EXPECT_TRUE(checked);
  EXPECT_FALSE(forcedClosed);
}

}  // namespace
}  // namespace kavrin::test
