#pragma once
// The main window on real Qt widgets, offscreen: the fixture the Qt main-window tests share
// and the watch on the kavrin notification.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

#include "config/text_codec.h"
#include "device/sim/sim_backend.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"
#include "ui/main_dialog.h"
#include "ui/qt/qt_control.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/qt_window.h"

namespace kavrin::test {

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

// Watches for the notification while the kavrin operation runs its nested modal loop: when
// it shows and hides (on the events themselves, not by polling), what it says, and runs a
// test's action once it shows.
class NotificationWatch : public QObject {
 public:
  explicit NotificationWatch(QWidget* mainWindow) : main_(mainWindow) {
    QCoreApplication::instance()->installEventFilter(this);
    clock_.start();
  }
  ~NotificationWatch() override { QCoreApplication::instance()->removeEventFilter(this); }

  // Runs from the event loop just after the notification has shown.
  std::function<void(QDialog&)> whileShown;
  QString title;
  QStringList texts;
  int shows = 0;
  qint64 shownAt = -1, hiddenAt = -1;  // milliseconds on one clock

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    auto* dialog = qobject_cast<QDialog*>(receiver);
    if (!dialog || dialog == main_ || !dialog->isWindow()) return false;
    if (event->type() == QEvent::Show) {
      ++shows;
      shownAt = clock_.elapsed();
      title = dialog->windowTitle();
      texts.clear();
      for (QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
      if (whileShown) QTimer::singleShot(0, dialog, [this, dialog] { whileShown(*dialog); });
    } else if (event->type() == QEvent::Hide) {
      hiddenAt = clock_.elapsed();
    }
    return false;
  }

 private:
  QWidget* main_;
  QElapsedTimer clock_;
};

// A guard against a notification that never closes, not a measure of time.
inline void CloseStrayNotificationsAfter(int ms, QWidget* mainWindow, bool& forced) {
  QTimer::singleShot(ms, [mainWindow, &forced] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QDialog*>(top);
      if (dialog && dialog->isVisible() && dialog != mainWindow) {
        forced = true;
        dialog->reject();
      }
    }
  });
}

}  // namespace kavrin::test
