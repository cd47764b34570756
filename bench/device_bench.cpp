// The host-side cost of one kavrin operation (attach, engine tests, clock, settings, commit)
// against the simulated recorder: in memory, where only the protocol is measured, and on its
// state file as `kavrin kavrin` runs it, where every transfer rewrites the file. Each case
// also reports the transfers it made: the protocol's minimum is 2 per engine test and 4 for
// the clock and the write.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <array>
#include <filesystem>
#include <span>
#include <string>

#include "device/device_link.h"
#include "device/sim/recorder.h"
#include "device/sim/sim_backend.h"

namespace kavrin {
namespace {

// The recorder behind the seam without any file: the protocol alone.
class MemoryChannel : public PropertyChannel {
 public:
  explicit MemoryChannel(sim::Recorder& recorder) : recorder_(recorder) {}
  int32_t TransferProperty(const Guid&, uint32_t, uint32_t selector, bool isSet, uint8_t* data,
                           uint32_t) override {
    return recorder_.HandleTransfer(selector, isSet, std::span<uint8_t, 64>(data, 64));
  }

 private:
  sim::Recorder& recorder_;
};

class MemoryBackend : public VideoInputBackend {
 public:
  std::optional<std::vector<VideoInput>> ListVideoInputs() override {
    return std::vector<VideoInput>{{u"Webcam", "a"}, {u"ZK742", "b"}};
  }
  std::unique_ptr<PropertyChannel> Bind(const VideoInput&) override {
    return std::make_unique<MemoryChannel>(recorder);
  }
  sim::RecorderState state;
  sim::Recorder recorder{state};
};

// The operation as the command line performs it, returning whether it all succeeded.
bool KavrinOperation(DeviceLink& link, int testCount, const std::array<uint8_t, 80>& settings) {
  if (link.Attach() != 1) return false;
  bool ready = true;
  for (int i = 0; i < testCount; ++i) {
    uint32_t answer = 0;
    ready = link.QueryTestResult(0x1011 + 0x10 * static_cast<uint32_t>(i), &answer) == 1 &&
            answer == 1 && ready;
  }
  const bool done =
      ready && link.SetClock(LocalTime::Now()) == 1 && link.WriteData(settings.data(), 80, 0) == 1;
  link.Detach();
  return done;
}

std::array<uint8_t, 80> Settings() {
  std::array<uint8_t, 80> settings{};
  settings[0] = 0x10;
  settings[1] = 0xCA;
  settings[2] = 0x11;
  settings[3] = 0xA0;
  return settings;
}

void BM_KavrinInMemory(benchmark::State& benchState) {
  const int tests = static_cast<int>(benchState.range(0));
  MemoryBackend backend;
  DeviceLink link(backend);
  link.AddDeviceName(u"Driving Recorder");
  link.AddDeviceName(u"ZK742");
  const std::array<uint8_t, 80> settings = Settings();
  for (auto _ : benchState) {
    if (!KavrinOperation(link, tests, settings)) benchState.SkipWithError("operation failed");
  }
  benchState.counters["transfers/op"] = benchmark::Counter(
      static_cast<double>(backend.state.transfers), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_KavrinInMemory)->Arg(0)->Arg(5);

void BM_KavrinOnStateFile(benchmark::State& benchState) {
  const int tests = static_cast<int>(benchState.range(0));
  std::string folder = (std::filesystem::temp_directory_path() / "kavrin-bench-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) {
    benchState.SkipWithError("no temporary folder");
    return;
  }
  const std::string path = folder + "/recorder.json";
  sim::SaveState(path, sim::RecorderState{});
  sim::SimBackend backend(path);
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  const std::array<uint8_t, 80> settings = Settings();
  for (auto _ : benchState) {
    if (!KavrinOperation(link, tests, settings)) benchState.SkipWithError("operation failed");
  }
  const std::optional<sim::RecorderState> state = sim::LoadState(path);
  benchState.counters["transfers/op"] = benchmark::Counter(
      state ? static_cast<double>(state->transfers) : 0.0, benchmark::Counter::kAvgIterations);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_KavrinOnStateFile)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavrin
