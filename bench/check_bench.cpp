// `kavrin config --check` on large files: load and check of 1, 4 and 16 MB, in the shapes
// that cost most per byte (many short sections, or one section of many short keys), to show
// that checking stays linear in the file's size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/config_check.h"
#include "config/config_file.h"

namespace kavrin {
namespace {

constexpr std::size_t kMegabyte = std::size_t{1} << 20;

// Short sections, each with one key: "[S0000001]\nKEY=1\n", UTF-8 without a mark. Every
// third section has the name of an earlier one, and every section's key is repeated, so that
// the checks for repeated names have work to do.
std::vector<uint8_t> ManySections(std::size_t bytes) {
  std::string text;
  text.reserve(bytes + 64);
  for (uint32_t i = 0; text.size() < bytes; ++i) {
    const uint32_t name = i % 3 == 2 ? i / 2 : i;
    text += "[S" + std::to_string(name) + "]\nKEY=1\nkey=2\n";
  }
  return {text.begin(), text.end()};
}

// One item section of many short keys, named by the item list.
std::vector<uint8_t> ManyKeys(std::size_t bytes) {
  std::string text =
      "[ITEM_LIST]\nITEM_NO=1\nITEM_000=BIG\n[BIG]\nTITLE=Big\nDATA_LEN=2\nOPTION_NO=2\n";
  text.reserve(bytes + 64);
  for (uint32_t i = 0; text.size() < bytes; ++i) text += "K" + std::to_string(i) + "=1\n";
  return {text.begin(), text.end()};
}

void LoadAndCheck(benchmark::State& state, const std::vector<uint8_t>& file) {
  std::size_t findings = 0;
  for (auto _ : state) {
    ConfigFile config("unused");
    config.ParseBytes(file);
    config.LoadSections();
    findings = CheckConfiguration(config).size();
    benchmark::DoNotOptimize(findings);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
  state.counters["findings"] = static_cast<double>(findings);
}

// The checks alone, on a configuration loaded once.
void CheckOnly(benchmark::State& state, const std::vector<uint8_t>& file) {
  ConfigFile config("unused");
  config.ParseBytes(file);
  config.LoadSections();
  for (auto _ : state) benchmark::DoNotOptimize(CheckConfiguration(config));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

std::size_t Megabytes(const benchmark::State& state) {
  return static_cast<std::size_t>(state.range(0)) * kMegabyte;
}

void BM_LoadAndCheckManySections(benchmark::State& state) {
  LoadAndCheck(state, ManySections(Megabytes(state)));
}
void BM_LoadAndCheckManyKeys(benchmark::State& state) {
  LoadAndCheck(state, ManyKeys(Megabytes(state)));
}
void BM_CheckManySections(benchmark::State& state) {
  CheckOnly(state, ManySections(Megabytes(state)));
}
void BM_CheckManyKeys(benchmark::State& state) { CheckOnly(state, ManyKeys(Megabytes(state))); }

void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgName("MB")->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_LoadAndCheckManySections)->Apply(Sizes);
BENCHMARK(BM_LoadAndCheckManyKeys)->Apply(Sizes);
BENCHMARK(BM_CheckManySections)->Apply(Sizes);
BENCHMARK(BM_CheckManyKeys)->Apply(Sizes);

// The count the slow checker was measured at: 40,000 sections of one key each.
void BM_LoadAndCheckSections(benchmark::State& state) {
  std::string text;
  for (int64_t i = 0; i < state.range(0); ++i)
    text += "[SECTION_" + std::to_string(i) + "]\nKEY=1\n";
  LoadAndCheck(state, {text.begin(), text.end()});
}
BENCHMARK(BM_LoadAndCheckSections)->ArgName("sections")->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavrin
