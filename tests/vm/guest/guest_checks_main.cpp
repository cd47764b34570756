// vm_guest_checks: runs inside the virtual machine. Plugs the emulated camera in once per mode
// and checks the project's V4L2 backend, CaptureDevice, DeviceLink and the kavrin command
// against the real uvcvideo driver. Prints "N passed, N failed"; exit 0 only when all passed.
//
//   vm_guest_checks --camera PROGRAM --kavrin PROGRAM --state FILE --work FOLDER --rule FILE
//                   [--gadget EP0]
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "tests/vm/guest/driver_timeouts.h"
#include "tests/vm/guest/scenarios.h"

namespace {

bool ParseOptions(int argc, char** argv, kavrin::vm::GuestSetup* setup) {
  setup->gadget = "/dev/gadget/dummy_udc";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view name = argv[i];
    if (name == "--camera")
      setup->cameraProgram = argv[i + 1];
    else if (name == "--kavrin")
      setup->kavrinProgram = argv[i + 1];
    else if (name == "--state")
      setup->stateTemplate = argv[i + 1];
    else if (name == "--work")
      setup->work = argv[i + 1];
    else if (name == "--gadget")
      setup->gadget = argv[i + 1];
    else if (name == "--rule")
      setup->udevRule = argv[i + 1];
    else
      return false;
  }
  return argc % 2 == 1 && !setup->cameraProgram.empty() && !setup->kavrinProgram.empty() &&
         !setup->stateTemplate.empty() && !setup->work.empty() && !setup->udevRule.empty();
}

// Runs one scenario on a freshly plugged camera; shows the camera's log when it went wrong.
template <typename Checks>
void OnCamera(const kavrin::vm::GuestSetup& setup, const kavrin::vm::CameraPlug& plug,
              kavrin::vm::CheckLog& log, Checks checks) {
  log.Section("camera plugged in, mode " + std::string(kavrin::vm::CameraModeName(plug.mode)) +
              (plug.label.empty() ? "" : " (" + plug.label + ")"));
  const int failedBefore = log.Failed();
  kavrin::vm::PluggedCamera camera(setup, plug, log);
  if (camera.Present()) checks(camera);
  if (log.Failed() != failedBefore) camera.ShowLog();
}

// Runs each scenario, once more when the rig lost a request in it: a request the camera lost
// or one the driver gave up on makes the scenario's results worthless either way (a SET that
// never reached the recorder can fail a sound tool or pass a broken one). A failure with
// nothing lost is the tool's and never runs again; a second loss in a row fails the scenario.
class ScenarioRunner {
 public:
  explicit ScenarioRunner(kavrin::vm::CheckLog& log) : log_(log) {}

  // `plannedTimeouts`: driver time-outs the scenario causes on purpose (a camera made to
  // answer later than the driver waits), which are not the rig's losses.
  template <typename Scenario>
  void Run(Scenario scenario, uint64_t plannedTimeouts = 0) {
    for (int attempt = 1;; ++attempt) {
      log_.BeginAttempt();
      kavrin::vm::DriverTimeouts timeouts;
      scenario();
      const uint64_t timedOut = timeouts.Take();
      log_.AddRigLosses(timedOut > plannedTimeouts ? timedOut - plannedTimeouts : 0);
      const uint64_t lost = log_.AttemptRigLosses();
      if (lost == 0) return;
      const std::string what =
          "the rig lost " + std::to_string(lost) + " request(s) in this scenario";
      if (attempt == 2) {
        log_.Check(false, what + " again: its results stand, and the rig did not keep up");
        return;
      }
      log_.DiscardAttempt();
      ++reruns_;
      log_.Note("rig: " + what + "; the checks above are not counted, and it runs once more");
    }
  }
  // "rig: N requests lost, N scenarios run again", before the summary.
  void Summary() const {
    log_.Note("rig: " + std::to_string(log_.RigLosses()) + " requests lost, " +
              std::to_string(reruns_) + " scenarios run again");
  }

 private:
  kavrin::vm::CheckLog& log_;
  int reruns_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace kavrin::vm;
  GuestSetup setup;
  if (!ParseOptions(argc, argv, &setup)) {
    std::fprintf(stderr,
                 "usage: vm_guest_checks --camera PROGRAM --kavrin PROGRAM --state FILE "
                 "--work FOLDER --rule FILE [--gadget EP0]\n");
    return 2;
  }
  CheckLog log;
  ScenarioRunner scenarios(log);
  scenarios.Run([&] {
    OnCamera(setup, {.mode = CameraMode::kSound}, log, [&](PluggedCamera& camera) {
      CheckDiscovery(camera, log);
      CheckCommands(camera, log);
      CheckKavrinCommand(setup, camera, log);
    });
  });
  scenarios.Run([&] {
    OnCamera(setup, {.mode = CameraMode::kWrongAnswers}, log,
             [&](PluggedCamera& camera) { CheckWrongAnswers(setup, camera, log); });
  });
  scenarios.Run([&] {
    OnCamera(setup, {.mode = CameraMode::kWrongLength}, log,
             [&](PluggedCamera& camera) { CheckWrongLength(setup, camera, log); });
  });
  // A generic product string; the camera function carries the recorder's name.
  const CameraPlug named{.mode = CameraMode::kSound,
                         .label = "function-named",
                         .stateTemplate = PrepareStateWithProduct(setup, "USB Camera"),
                         .function = "Driving Recorder",
                         .listedAs = u"Driving Recorder"};
  scenarios.Run([&] {
    OnCamera(setup, named, log, [&](PluggedCamera& camera) { CheckFunctionName(camera, log); });
  });
  // The clock and the first chunk reach the recorder, then it is gone.
  const CameraPlug vanishing{.mode = CameraMode::kSound,
                             .label = "vanishing",
                             .stateTemplate = PrepareVanishingState(setup, 2)};
  scenarios.Run([&] {
    OnCamera(setup, vanishing, log,
             [&](PluggedCamera& camera) { CheckVanishing(setup, camera, log); });
  });
  // Gone while the recorder's second transfer is in flight: kavrin read's GET, kavrin
  // kavrin's first chunk (after the clock).
  const CameraPlug goneInsideGet{
      .mode = CameraMode::kSound, .label = "gone-inside-get", .vanishInside = 2};
  scenarios.Run([&] {
    OnCamera(setup, goneInsideGet, log,
             [&](PluggedCamera& camera) { CheckVanishingInsideGet(setup, camera, log); });
  });
  const CameraPlug goneInsideSet{
      .mode = CameraMode::kSound, .label = "gone-inside-set", .usbipPort = 0, .vanishInside = 2};
  scenarios.Run([&] {
    OnCamera(setup, goneInsideSet, log,
             [&](PluggedCamera& camera) { CheckVanishingInsideSet(setup, camera, log); });
  });
  // A slow recorder: every GET answered 1.5 s late, then a commit completed 6 s late, past
  // uvcvideo's 5 s (over USB/IP, where the camera completes a SET itself): one planned
  // time-out.
  const CameraPlug slow{.mode = CameraMode::kSound,
                        .label = "slow",
                        .usbipPort = 0,
                        .answerLateMs = 1500,
                        .commitLateMs = 6000};
  scenarios.Run(
      [&] {
        OnCamera(setup, slow, log,
                 [&](PluggedCamera& camera) { CheckSlowRecorder(setup, camera, log); });
      },
      1);
  scenarios.Run([&] { CheckSeveralRecorders(setup, log); });
  const CameraPlug permissions{.mode = CameraMode::kSound, .label = "permissions"};
  scenarios.Run([&] {
    OnCamera(setup, permissions, log,
             [&](PluggedCamera& camera) { CheckPermissions(setup, camera, log); });
  });
  scenarios.Summary();
  log.Summary();
  return log.Failed() == 0 && log.Passed() > 0 ? 0 : 1;
}
