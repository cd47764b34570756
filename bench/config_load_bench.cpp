// Loading large KAVRIN_CFG.ini files of the shapes that cost most per byte: very many short
// sections, or very many short keys in one section. Time and memory should grow linearly (or
// n log n) with the file; heap/byte is the heap the parsed file holds per byte of the file.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "config/config_file.h"
#include "config/file_io.h"

namespace kavrin {
namespace {

enum Shape { kSections = 0, kKeys = 1 };

// About `bytes` bytes of UTF-8 text without a mark: "[S0]\r\n[S1]\r\n..." or one section of
// "K0=1\r\nK1=1\r\n...".
std::vector<uint8_t> FlatFile(std::size_t bytes, Shape shape) {
  std::string text = shape == kKeys ? "[ITEM_LIST]\r\n" : "";
  for (std::size_t i = 0; text.size() < bytes; ++i) {
    text +=
        shape == kKeys ? "K" + std::to_string(i) + "=1\r\n" : "[S" + std::to_string(i) + "]\r\n";
  }
  return {text.begin(), text.end()};
}

// Heap in use, the large blocks malloc maps on their own included.
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// The heap a loaded configuration holds, measured once outside the timed loop.
std::size_t HeapHeldAfterLoading(const std::vector<uint8_t>& file) {
  const std::size_t before = HeapInUse();
  ConfigFile config("unused");
  config.ParseBytes(file);
  config.LoadSections();
  return HeapInUse() - before;
}

void BM_ParseFlat(benchmark::State& state) {
  const std::vector<uint8_t> file = FlatFile(static_cast<std::size_t>(state.range(0)) * 1000000,
                                             static_cast<Shape>(state.range(1)));
  const std::size_t held = HeapHeldAfterLoading(file);
  for (auto _ : state) {
    ConfigFile config("unused");
    config.ParseBytes(file);
    config.LoadSections();
    benchmark::DoNotOptimize(config.items.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
  state.counters["heap/byte"] = static_cast<double>(held) / static_cast<double>(file.size());
}
BENCHMARK(BM_ParseFlat)
    ->ArgNames({"MB", "keys"})
    ->ArgsProduct({{1, 4, 16}, {kSections, kKeys}})
    ->Unit(benchmark::kMillisecond);

// The same files read from disk the way the window loads KAVRIN_CFG.ini: a file over the
// reader's bound (16 MB) is refused before anything is parsed, and the built-in default is
// used instead.
void BM_LoadFlatFromDisk(benchmark::State& state) {
  const std::vector<uint8_t> file = FlatFile(static_cast<std::size_t>(state.range(0)) * 1000000,
                                             static_cast<Shape>(state.range(1)));
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("kavrin-bench-" + std::to_string(::getpid()) + ".ini");
  if (!WriteFileAtomically(path, file)) {
    state.SkipWithError("cannot write the file");
    return;
  }
  bool refused = false;
  for (auto _ : state) {
    ConfigFile config(path);
    config.LoadConfiguration();
    refused = config.UsedEmbeddedDefault();
    benchmark::DoNotOptimize(config.items.data());
  }
  std::filesystem::remove(path);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
  state.counters["refused"] = refused ? 1 : 0;
}
BENCHMARK(BM_LoadFlatFromDisk)
    ->ArgNames({"MB", "keys"})
    ->ArgsProduct({{1, 4, 16}, {kSections, kKeys}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavrin
