// `kavrin kavrin --set ITEM=OPTION` of any text, against the built-in configuration or one of
// any content: a refused assignment leaves the block alone, an accepted one changes a single
// word of the device area.
//
// Input: the assignment up to the first newline, then the configuration (empty: the built-in
// default).
#include <cstddef>
#include <cstdint>
#include <string>

#include "block/settings_block.h"
#include "cli/block_report.h"
#include "cli/setting_assignment.h"
#include "config/config_file.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_setup.h"
#include "ops/settings_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kavrin;
  fuzz::SetUpOnce();
  fuzz::FuzzInput input(data, size);
  const std::string assignment(input.TextUntil('\n'));
  ConfigFile own("KAVRIN_CFG.ini");
  const ConfigFile& config = fuzz::ConfigurationFrom(input, own);

  SettingsBlock block = ops::DefaultBlock(config);
  const SettingsBlock before = block;
  const std::string refusal = cli::ApplySettingAssignment(config, assignment, &block);
  int changedWords = 0;
  for (uint32_t word = 0; word < SettingsBlock::kSize / 2; ++word) {
    const bool changed = block.Bytes()[2 * word] != before.Bytes()[2 * word] ||
                         block.Bytes()[2 * word + 1] != before.Bytes()[2 * word + 1];
    if (!changed) continue;
    ++changedWords;
    FUZZ_CHECK(word < SettingsBlock::kDeviceWords);
  }
  if (!refusal.empty()) FUZZ_CHECK(changedWords == 0);
  FUZZ_CHECK(changedWords <= 1);
  return 0;
}
