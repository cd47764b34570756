#include "ui/qt/qt_toolkit.h"

#include <QSocketNotifier>
#include <QThread>

#include "ui/qt/qt_file_dialog.h"
#include "ui/qt/qt_style.h"
#include "ui/qt/qt_window.h"

namespace kavrin::ui::qt {

QtToolkit::QtToolkit() { InstallDropDownStyle(); }

QtToolkit::~QtToolkit() {
  for (auto& [fd, notifier] : notifiers_) delete notifier;
}

std::unique_ptr<WindowHost> QtToolkit::CreateWindow(Dialog& dialog, const DialogTemplate& tmpl) {
  return std::make_unique<QtWindow>(dialog, tmpl);
}

std::unique_ptr<FileDialog> QtToolkit::CreateFileOpenDialog(std::u16string_view filter) {
  return std::make_unique<QtFileDialog>(filter);
}

void QtToolkit::Pause(int milliseconds) {
  if (milliseconds > 0) QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void QtToolkit::WatchDescriptor(int fd, std::function<void()> onReadable) {
  UnwatchDescriptor(fd);
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [callback = std::move(onReadable)] { callback(); });
  notifiers_[fd] = notifier;
}

void QtToolkit::UnwatchDescriptor(int fd) {
  auto it = notifiers_.find(fd);
  if (it == notifiers_.end()) return;
  it->second->setEnabled(false);
  // The callback being run may be the one that stops watching.
  it->second->deleteLater();
  notifiers_.erase(it);
}

}  // namespace kavrin::ui::qt
