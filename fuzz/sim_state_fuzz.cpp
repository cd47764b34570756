// The simulated recorder's state file, of any content: a file the reader accepts is written
// back as a file it accepts again, unchanged (the simulator rewrites it after every transfer).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "device/sim/recorder.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kavrin;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const std::optional<sim::RecorderState> state = sim::StateFromJson(text, &error);
  if (!state) {
    FUZZ_CHECK(!error.empty());  // a refused file always says why
    return 0;
  }
  const std::string written = sim::StateToJson(*state);
  const std::optional<sim::RecorderState> reread = sim::StateFromJson(written, &error);
  FUZZ_CHECK(reread.has_value());
  FUZZ_CHECK(sim::StateToJson(*reread) == written);
  return 0;
}
