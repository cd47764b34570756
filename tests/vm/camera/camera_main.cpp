// zk742_camera: the emulated ZK742 USB camera for the virtual-machine test. Runs as a
// gadgetfs user-space device on dummy_hcd, so the guest's real uvcvideo driver sees a USB
// camera whose extension unit is answered by the simulated recorder.
//
//   zk742_camera --state FILE [--gadget /dev/gadget/dummy_udc] [--mode sound|wrong-answers|wrong-length]
//                [--report FILE]
//
// The recorder's state is read from FILE at start and rewritten after every transfer that
// reaches it; the report (what the camera saw) is rewritten with it.
#include <sched.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "device/sim/recorder.h"
#include "tests/vm/camera/gadget_ep0.h"
#include "tests/vm/camera/zk742_camera.h"
#include "tests/vm/camera/zk742_descriptors.h"

namespace {

struct Options {
  std::string gadget = "/dev/gadget/dummy_udc";
  std::string state;
  std::string report;
  kavrin::vm::CameraMode mode = kavrin::vm::CameraMode::kSound;
  std::string function;  // the interface association's name; empty: none
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
// the camera has not collected yet is dropped when the next one arrives. Running ahead of the
// host's programs keeps every request collected before the host can send the next.
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
                 "[--report FILE]\n");
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
  kavrin::vm::Zk742Camera camera(*state, options.mode, strings);
  camera.TraceTo(stderr);
  WriteReport(options, camera);

  RunAheadOfTheHost();
  std::unique_ptr<kavrin::vm::GadgetEp0> ep0 =
      kavrin::vm::GadgetEp0::Open(options.gadget, kavrin::vm::GadgetfsDescriptors(!strings.function.empty()), &error);
  if (!ep0) {
    std::fprintf(stderr, "zk742: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "zk742: on the bus as \"%s\", mode %s\n", strings.product.c_str(),
               std::string(kavrin::vm::CameraModeName(options.mode)).c_str());

  std::vector<kavrin::vm::GadgetEvent> events;
  while (ep0->NextEvents(&events)) {
    for (const kavrin::vm::GadgetEvent& event : events) {
      if (event.type != kavrin::vm::GadgetEvent::Type::kSetup) continue;
      if (camera.HandleSetup(event.setup, *ep0)) {
        if (!kavrin::sim::SaveState(options.state, *state)) {
          std::fprintf(stderr, "zk742: cannot save %s\n", options.state.c_str());
        }
      }
      WriteReport(options, camera);
      if (camera.Vanished()) {
        std::fprintf(stderr, "zk742: the recorder has vanished; leaving the bus\n");
        return 0;  // closing ep0 removes the device
      }
    }
  }
  return 1;
}
