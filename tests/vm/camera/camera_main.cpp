// zk742_camera: the emulated ZK742 USB camera for the virtual-machine test. Runs as a
// gadgetfs user-space device on dummy_hcd, or as a USB/IP device on a port of vhci_hcd (any
// number of cameras at once), so the guest's real uvcvideo driver sees a USB camera whose
// extension unit is answered by the simulated recorder.
//
//   zk742_camera --state FILE [--gadget /dev/gadget/dummy_udc | --usbip PORT]
//                [--mode sound|wrong-answers|wrong-length] [--function NAME] [--serial TEXT]
//                [--report FILE] [--vanish-inside N] [--answer-late MS] [--commit-late MS]
//
// --vanish-inside N: the camera leaves the bus while the Nth transfer to the recorder is in
// flight, without answering it (a recorder unplugged in the middle of a GET or, over USB/IP
// where the camera completes the request itself, a SET).
// --answer-late MS: every GET on the recorder's command selector is answered MS milliseconds
// late (a reply that is not ready for a while). --commit-late MS: every commit (a SET on the
// commit selector) is completed MS milliseconds late, over USB/IP only (gadgetfs completes a
// SET before the camera sees it); more than uvcvideo's 5 s makes the driver give up on it.
//
// The recorder's state is read from FILE at start and rewritten after every transfer that
// reaches it; the report (what the camera saw) is rewritten with it.
#include <sched.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

#include "device/sim/recorder.h"
#include "tests/vm/camera/gadget_ep0.h"
#include "tests/vm/camera/usbip_link.h"
#include "tests/vm/camera/zk742_camera.h"
#include "tests/vm/camera/zk742_descriptors.h"

namespace {

constexpr int kDriverWaitsMs = 5000;  // uvcvideo's control time-out

struct Options {
  std::string gadget = "/dev/gadget/dummy_udc";
  std::string state;
  std::string report;
  kavrin::vm::CameraMode mode = kavrin::vm::CameraMode::kSound;
  std::string function;       // the interface association's name; empty: none
  std::string serial;         // the USB serial string; empty: the descriptors' own
  int usbipPort = -1;         // vhci_hcd's port; -1: gadgetfs
  uint64_t vanishInside = 0;  // leave the bus inside this recorder transfer; 0: never
  int answerLateMs = 0;       // delay before answering a GET on the command selector
  int commitLateMs = 0;       // delay before completing a commit (USB/IP)
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--gadget") {
      options->gadget = value;
    } else if (name == "--state") {
      options->state = value;
    } else if (name == "--report") {
      options->report = value;
    } else if (name == "--function") {
      options->function = value;
    } else if (name == "--serial") {
      options->serial = value;
    } else if (name == "--usbip") {
      options->usbipPort = std::atoi(value);
      if (options->usbipPort < 0 || options->usbipPort > 7) return false;
    } else if (name == "--vanish-inside") {
      options->vanishInside = std::strtoull(value, nullptr, 10);
    } else if (name == "--answer-late") {
      options->answerLateMs = std::atoi(value);
    } else if (name == "--commit-late") {
      options->commitLateMs = std::atoi(value);
    } else if (name == "--mode") {
      auto mode = kavrin::vm::ParseCameraMode(value);
      if (!mode) return false;
      options->mode = *mode;
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && !options->state.empty();
}

// gadgetfs acknowledges the data stage of a SET before the camera has read it, and a request
// the camera has not collected yet is dropped when the next one arrives; on either transport
// the host's driver gives up on a request the camera has not answered within 5 s. Running
// ahead of the host's programs keeps every request collected before the host can send the
// next, even when the guest gets little time from a loaded machine.
void RunAheadOfTheHost() {
  sched_param param{};
  param.sched_priority = 50;
  if (sched_setscheduler(0, SCHED_FIFO, &param) != 0) {
    std::perror("zk742: real-time scheduling refused; requests sent back to back may be lost");
  }
}

void WriteReport(const Options& options, const kavrin::vm::Zk742Camera& camera) {
  if (options.report.empty()) return;
  const std::string temporary = options.report + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << camera.Report().ToJson(camera.Mode());
  }
  std::rename(temporary.c_str(), options.report.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: zk742_camera --state FILE [--gadget PATH] "
                 "[--mode sound|wrong-answers|wrong-length] [--function NAME] "
                 "[--serial TEXT] [--usbip PORT] [--report FILE] [--vanish-inside N] "
                 "[--answer-late MS] [--commit-late MS]\n");
    return 2;
  }
  std::string error;
  std::optional<kavrin::sim::RecorderState> state = kavrin::sim::LoadState(options.state, &error);
  if (!state) {
    std::fprintf(stderr, "zk742: %s: %s\n", options.state.c_str(), error.c_str());
    return 1;
  }
  kavrin::vm::CameraStrings strings;
  strings.product = state->friendlyName;
  strings.function = options.function;
  if (!options.serial.empty()) strings.serial = options.serial;
  kavrin::vm::Zk742Camera camera(*state, options.mode, strings);
  camera.TraceTo(stderr);
  WriteReport(options, camera);

  // One request: the recorder's state is saved whenever it may have changed. False once the
  // recorder has left the bus.
  uint64_t recorderTransfers = 0;
  bool lateOnPurpose = false;  // the last request was answered after the driver gave up on it
  auto serve = [&](const kavrin::vm::SetupPacket& setup, kavrin::vm::ControlPipe& pipe) {
    if (kavrin::vm::IsRecorderTransfer(setup) && ++recorderTransfers == options.vanishInside) {
      std::fprintf(stderr, "zk742: leaving the bus inside recorder transfer %llu, unanswered\n",
                   static_cast<unsigned long long>(recorderTransfers));
      return false;
    }
    const int lateMs =
        kavrin::vm::RecorderTransferDelay(setup, options.answerLateMs, options.commitLateMs);
    if (lateMs > 0) {
      std::fprintf(stderr, "zk742: answering %d ms late\n", lateMs);
      std::this_thread::sleep_for(std::chrono::milliseconds(lateMs));
    }
    lateOnPurpose = lateMs >= kDriverWaitsMs;
    if (camera.HandleSetup(setup, pipe) && !kavrin::sim::SaveState(options.state, *state)) {
      std::fprintf(stderr, "zk742: cannot save %s\n", options.state.c_str());
    }
    WriteReport(options, camera);
    if (!camera.Vanished()) return true;
    std::fprintf(stderr, "zk742: the recorder has vanished; leaving the bus\n");
    return false;
  };

  RunAheadOfTheHost();
  if (options.usbipPort >= 0) {
    std::unique_ptr<kavrin::vm::UsbipLink> link =
        kavrin::vm::UsbipLink::Attach(static_cast<unsigned>(options.usbipPort), &error);
    if (!link) {
      std::fprintf(stderr, "zk742: %s\n", error.c_str());
      return 1;
    }
    std::fprintf(stderr, "zk742: on vhci_hcd port %d as \"%s\", serial \"%s\", mode %s\n",
                 options.usbipPort, strings.product.c_str(), strings.serial.c_str(),
                 std::string(kavrin::vm::CameraModeName(options.mode)).c_str());
    kavrin::vm::SetupPacket setup;
    uint64_t lostCounted = 0;
    while (link->NextControl(&setup)) {
      // A request answered late on purpose was given up by the host as planned: not lost.
      for (; lostCounted < link->LostRequests(); ++lostCounted) {
        if (!lateOnPurpose) camera.NoteLostRequest();
      }
      // Without gadgetfs the device answers its device and configuration descriptors too.
      if (setup.IsIn() && setup.IsStandard() && setup.request == 0x06 &&
          (setup.value >> 8) == 0x01) {
        link->Reply(kavrin::vm::DeviceDescriptor());
      } else if (setup.IsIn() && setup.IsStandard() && setup.request == 0x06 &&
                 (setup.value >> 8) == 0x02) {
        link->Reply(kavrin::vm::ConfigurationDescriptor(512, !strings.function.empty()));
      } else if (!serve(setup, *link)) {
        return 0;  // closing the link unplugs the device
      }
    }
    return 0;
  }

  std::unique_ptr<kavrin::vm::GadgetEp0> ep0 = kavrin::vm::GadgetEp0::Open(
      options.gadget, kavrin::vm::GadgetfsDescriptors(!strings.function.empty()), &error);
  if (!ep0) {
    std::fprintf(stderr, "zk742: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "zk742: on the bus as \"%s\", mode %s\n", strings.product.c_str(),
               std::string(kavrin::vm::CameraModeName(options.mode)).c_str());

  std::vector<kavrin::vm::GadgetEvent> events;
  while (ep0->NextEvents(&events)) {
    for (const kavrin::vm::GadgetEvent& event : events) {
      if (event.type == kavrin::vm::GadgetEvent::Type::kLost) {
        std::fprintf(stderr, "zk742: gadgetfs dropped a request (EIDRM): it was lost\n");
        camera.NoteLostRequest();
        WriteReport(options, camera);
      }
      if (event.type != kavrin::vm::GadgetEvent::Type::kSetup) continue;
      if (!serve(event.setup, *ep0)) return 0;  // closing ep0 removes the device
    }
  }
  return 1;
}
