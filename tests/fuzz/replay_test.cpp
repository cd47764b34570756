// Runs a fuzz target's entry point on every seed and every kept crash input, so that the
// ordinary test run (and its sanitizer build) checks what the fuzzer once found.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace kavrin::fuzz {

struct PropertyBroken {
  std::string what;
};

void CheckFailed(const char* condition, const char* file, int line) {
  throw PropertyBroken{std::string(file) + ":" + std::to_string(line) + ": " + condition};
}

namespace {

std::vector<std::filesystem::path> InputsIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> inputs;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.is_regular_file() && entry.path().filename().string().front() != '.') {
      inputs.push_back(entry.path());
    }
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

void Replay(const std::filesystem::path& input) {
  SCOPED_TRACE(input.string());
  std::ifstream in(input, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
  try {
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  } catch (const PropertyBroken& broken) {
    ADD_FAILURE() << "property broken at " << broken.what;
  }
}

TEST(KAVRIN_FUZZ_SUITE, SeedsAndKeptCrashInputs) {
  const std::vector<std::filesystem::path> seeds = InputsIn(KAVRIN_FUZZ_CORPUS);
  EXPECT_FALSE(seeds.empty()) << "no seed inputs in " << KAVRIN_FUZZ_CORPUS;
  for (const auto& seed : seeds) Replay(seed);
  for (const auto& input : InputsIn(KAVRIN_FUZZ_REGRESSIONS)) Replay(input);
}

}  // namespace
}  // namespace kavrin::fuzz
