#pragma once
// The application object: start-up in its fixed order (one instance, the main window, the
// command line's switches and side files, the modal run) with whatever dialog toolkit and
// video-input backend it is given, so the same start-up runs on Qt and in tests.
#include <string_view>

#include "app/single_instance.h"
#include "device/device_change_monitor.h"
#include "device/video_input.h"
#include "ui/framework/toolkit.h"

namespace kavrin {

class MainDialog;

enum class StartOutcome {
  SecondInstance,  // another copy runs: ended at once, no window, no side files
  DialogClosed,    // the window ran and was closed
};

class KavrinApp {
 public:
  // The edition's instance name.
  static constexpr std::string_view kInstanceName = "ZK742_USER";

  // monitor may be null (no device-change notifications).
  KavrinApp(ui::Toolkit& toolkit, VideoInputBackend& backend, SingleInstance& instance,
            DeviceChangeMonitor* monitor = nullptr);

  // commandLine: the program's arguments joined by one blank (JoinCommandLine).
  StartOutcome InitInstance(std::string_view commandLine);

 private:
  void RunDialog(MainDialog& dialog);

  ui::Toolkit& toolkit_;
  VideoInputBackend& backend_;
  SingleInstance& instance_;
  DeviceChangeMonitor* monitor_;
};

}  // namespace kavrin
