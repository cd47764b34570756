#pragma once
// The Qt 6 Widgets backend of the dialog framework. Construct it after the QApplication and
// before any widget: it puts the application on the backend's style (ui/qt/qt_style.h).
#include <functional>
#include <map>
#include <memory>

#include "ui/framework/toolkit.h"

class QSocketNotifier;

namespace kavrin::ui::qt {

class QtToolkit : public Toolkit {
 public:
  QtToolkit();
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  std::unique_ptr<WindowHost> CreateWindow(Dialog& dialog, const DialogTemplate& tmpl) override;
  std::unique_ptr<FileDialog> CreateFileOpenDialog(std::u16string_view filter) override;
  // Sleeps on the window's thread: the windows do not respond meanwhile.
  void Pause(int milliseconds) override;
  void WatchDescriptor(int fd, std::function<void()> onReadable) override;
  void UnwatchDescriptor(int fd) override;

 private:
  std::map<int, QSocketNotifier*> notifiers_;
};

}  // namespace kavrin::ui::qt

// Short names for the start-up code: kavrin::ui::QtToolkit and kavrin::QtToolkit.
namespace kavrin::ui {
using qt::QtToolkit;
}  // namespace kavrin::ui
namespace kavrin {
using ui::qt::QtToolkit;
}  // namespace kavrin
