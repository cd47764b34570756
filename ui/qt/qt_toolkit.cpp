#include "ui/qt/qt_toolkit.h"

#include <QSocketNotifier>
#include <QThread>

#include "device/device_change_monitor.h"
#include "ui/qt/qt_file_dialog.h"
#include "ui/qt/qt_style.h"
#include "ui/qt/qt_window.h"

namespace kavrin::ui::qt {

QtToolkit::QtToolkit() { InstallDropDownStyle(); }

QtToolkit::~QtToolkit() { delete notifier_; }

std::unique_ptr<WindowHost> QtToolkit::MakeWindow(Dialog& dialog, const DialogTemplate& tmpl) {
  return std::make_unique<QtWindow>(dialog, tmpl);
}

std::unique_ptr<FileDialog> QtToolkit::CreateFileOpenDialog(std::u16string_view filter) {
  return std::make_unique<QtFileDialog>(filter);
}

void QtToolkit::Pause(int milliseconds) {
  if (milliseconds > 0) QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void QtToolkit::WatchDeviceChanges(DeviceChangeMonitor& monitor, std::function<void()> onChange) {
  StopDeviceChanges();
  const int fd = monitor.Descriptor();
  if (fd < 0) return;
  notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read);
  QObject::connect(notifier_, &QSocketNotifier::activated, notifier_,
                   [&monitor, callback = std::move(onChange)] {
                     if (monitor.ConsumeEvents()) callback();
                   });
}

void QtToolkit::StopDeviceChanges() {
  if (notifier_ == nullptr) return;
  notifier_->setEnabled(false);
  // The handler being run may be the one that stops watching.
  notifier_->deleteLater();
  notifier_ = nullptr;
}

}  // namespace kavrin::ui::qt
