#pragma once
// Input as the window system queues it while the window's thread is busy (the kavrin
// operation's transfers and pause): posted events, delivered by whatever event loop runs
// next, for the Qt tests of the dialog framework and of the main window.
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace kavrin::test {

// A left click in the middle of widget, waiting in the queue.
inline void QueueClick(QWidget* widget) {
  const QPointF at = widget->rect().center();
  const QPointF global = widget->mapToGlobal(at);
  QCoreApplication::postEvent(
      widget, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier));
  QCoreApplication::postEvent(
      widget, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                              Qt::NoModifier));
}

}  // namespace kavrin::test
