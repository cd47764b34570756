// Loading KAVRIN_CFG.ini: the shipped default, and generated files of growing size to show
// that loading stays linear in the file's size.
#include <benchmark/benchmark.h>

#include <span>
#include <string>
#include <vector>

#include "config/config_check.h"
#include "config/config_file.h"
#include "config/resources.h"

namespace kavrin {
namespace {

std::span<const uint8_t> EmbeddedDefault() {
  return *FindResourceData(kDefaultConfigResourceId, kTextResourceType);
}

// A file of `items` setting items with `options` options each, UTF-16LE with BOM and CR LF,
// shaped like the shipped default.
std::vector<uint8_t> GeneratedFile(int items, int options) {
  auto number = [](int n) {
    std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
  };
  std::u16string text = u"\r\n[ITEM_LIST]\r\nITEM_NO=" + number(items) + u"\r\n";
  for (int i = 0; i < items; ++i) {
    std::string key = std::to_string(1000 + i).substr(1);  // 000, 001, ...
    text +=
        u"ITEM_" + std::u16string(key.begin(), key.end()) + u"=ITEM_SECTION_" + number(i) + u"\r\n";
  }
  for (int i = 0; i < items; ++i) {
    text += u"\r\n[ITEM_SECTION_" + number(i) + u"]\r\nTITLE=Generated setting " + number(i) +
            u"\r\nWORD_IDX=" + number(i % 40) + u"\r\nSTART_BIT=0\r\nDATA_LEN=4\r\nOPTION_NO=" +
            number(options) + u"\r\n";
    for (int k = 0; k < options; ++k) {
      text += u"OPTION_" + number(k) + u"=選項 " + number(k) + u"\r\n";
    }
    text += u"DEFAULT_OPTION=1\r\n";
  }
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

void Load(std::span<const uint8_t> bytes) {
  ConfigFile config("unused");
  config.ParseBytes(bytes);
  config.LoadSections();
  benchmark::DoNotOptimize(config.items.data());
}

void BM_ParseEmbeddedDefault(benchmark::State& state) {
  for (auto _ : state) {
    ProfileFile profile;
    profile.ParseBytes(EmbeddedDefault());
    benchmark::DoNotOptimize(&profile);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * EmbeddedDefault().size()));
}
BENCHMARK(BM_ParseEmbeddedDefault);

void BM_LoadEmbeddedDefault(benchmark::State& state) {
  for (auto _ : state) Load(EmbeddedDefault());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * EmbeddedDefault().size()));
}
BENCHMARK(BM_LoadEmbeddedDefault);

void BM_LoadGenerated(benchmark::State& state) {
  const std::vector<uint8_t> file =
      GeneratedFile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) Load(file);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
  state.counters["fileBytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_LoadGenerated)
    ->ArgNames({"items", "options"})
    ->Args({25, 16})
    ->Args({50, 16})
    ->Args({100, 16})
    ->Args({100, 64});

void BM_CheckEmbeddedDefault(benchmark::State& state) {
  ConfigFile config("unused");
  config.ParseBytes(EmbeddedDefault());
  config.LoadSections();
  for (auto _ : state) benchmark::DoNotOptimize(CheckConfiguration(config));
}
BENCHMARK(BM_CheckEmbeddedDefault);

void BM_CheckGenerated(benchmark::State& state) {
  ConfigFile config("unused");
  config.ParseBytes(GeneratedFile(100, 16));
  config.LoadSections();
  for (auto _ : state) benchmark::DoNotOptimize(CheckConfiguration(config));
}
BENCHMARK(BM_CheckGenerated);

}  // namespace
}  // namespace kavrin
