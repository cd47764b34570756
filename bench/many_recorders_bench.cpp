// `kavrin kavrin --all` on 1, 4, 16 and 64 simulated recorders held in memory (no state files):
// the whole command as a production line runs it — configuration, listing, selection, one
// thread per recorder with its own backend and lock, the results printed — so that the host
// time per recorder shows whether anything grows faster than the number of recorders.
#include <benchmark/benchmark.h>

#include <iostream>
#include <memory>
#include <mutex>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "device/sim/recorder.h"

namespace kavrin {
namespace {

// The recorders every backend of one run shares, each behind its own lock.
class MemoryRecorders {
 public:
  explicit MemoryRecorders(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) units_.push_back(std::make_unique<Unit>());
  }
  struct Unit {
    sim::RecorderState state;
    sim::Recorder recorder{state};
    std::mutex mutex;
  };
  std::size_t Count() const { return units_.size(); }
  Unit& At(std::size_t index) { return *units_[index]; }
  uint64_t Transfers() const {
    uint64_t total = 0;
    for (const auto& unit : units_) total += unit->state.transfers;
    return total;
  }

 private:
  std::vector<std::unique_ptr<Unit>> units_;
};

class MemoryChannel : public PropertyChannel {
 public:
  explicit MemoryChannel(MemoryRecorders::Unit& unit) : unit_(unit) {}
  int32_t TransferProperty(const Guid&, uint32_t, uint32_t selector, bool isSet, uint8_t* data,
                           uint32_t) override {
    return unit_.recorder.HandleTransfer(selector, isSet, std::span<uint8_t, 64>(data, 64));
  }
  bool Lock() override {
    unit_.mutex.lock();
    return true;
  }
  void Unlock() override { unit_.mutex.unlock(); }

 private:
  MemoryRecorders::Unit& unit_;
};

class MemoryBackend : public VideoInputBackend {
 public:
  explicit MemoryBackend(MemoryRecorders& recorders) : recorders_(recorders) {}
  std::optional<std::vector<VideoInput>> ListVideoInputs() override {
    std::vector<VideoInput> inputs;
    for (std::size_t i = 0; i < recorders_.Count(); ++i) {
      VideoInput input{u"ZK742", std::to_string(i)};
      input.serial = "SN" + std::to_string(i);
      input.port = "1-" + std::to_string(i + 1);
      inputs.push_back(std::move(input));
    }
    return inputs;
  }
  std::unique_ptr<PropertyChannel> Bind(const VideoInput& input) override {
    return std::make_unique<MemoryChannel>(recorders_.At(std::stoul(input.location)));
  }
  InputDiagnosis Diagnose(const VideoInput&) override {
    InputDiagnosis diagnosis;
    diagnosis.opened = diagnosis.unitFound = true;
    return diagnosis;
  }

 private:
  MemoryRecorders& recorders_;
};

void BM_KavrinAll(benchmark::State& benchState) {
  const std::size_t units = static_cast<std::size_t>(benchState.range(0));
  MemoryRecorders recorders(units);
  cli::DeviceEnvironment environment;
  environment.makeBackend = [&recorders] { return std::make_unique<MemoryBackend>(recorders); };
  const char* const argv[] = {"kavrin", "kavrin",  "--all",
                              "--json", "--clock", "2026-12-05T14:03:09"};
  std::ostringstream sink;
  std::streambuf* previous = std::cout.rdbuf(sink.rdbuf());
  for (auto _ : benchState) {
    sink.str({});
    if (cli::RunCommandLine(6, argv, environment) != 0) benchState.SkipWithError("a unit failed");
  }
  std::cout.rdbuf(previous);
  benchState.counters["units"] = static_cast<double>(units);
  // Host time per recorder: the figure that must stay flat as the recorders grow.
  benchState.counters["time/unit"] =
      benchmark::Counter(static_cast<double>(units), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
  benchState.counters["transfers/unit"] =
      benchmark::Counter(static_cast<double>(recorders.Transfers()) / static_cast<double>(units),
                         benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_KavrinAll)
    ->Arg(1)
    ->Arg(4)
    ->Arg(16)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
}  // namespace kavrin
