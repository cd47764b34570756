// The values the production line types: `-d/--device` addresses, `--clock` times and
// `--logo` texts, of any bytes. An address that parses matches recorders and names them in
// JSON without throwing; a fixed clock prints back as itself; a logo is either refused with
// the block unchanged or changes the logo field alone.
//
// Input: the address, the clock and the logo, each up to a newline; then the node, serial and
// port of a recorder to match, each up to a newline.
#include <cstddef>
#include <cstdint>
#include <string>

#include "block/settings_block.h"
#include "cli/block_report.h"
#include "cli/clock_choice.h"
#include "cli/recorder_address.h"
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
  const std::string address(input.TextUntil('\n'));
  const std::string clock(input.TextUntil('\n'));
  const std::string logo(input.TextUntil('\n'));
  VideoInput recorder;
  recorder.location = std::string(input.TextUntil('\n'));
  recorder.serial = std::string(input.TextUntil('\n'));
  recorder.port = std::string(input.TextUntil('\n'));

  std::string error;
  if (const auto selector = cli::DeviceSelector::Parse(address, &error)) {
    FUZZ_CHECK(error.empty());
    (void)selector->Matches(recorder);
    // Every report names the recorder; its texts come from the device, not from us.
    const std::string json =
        cli::DeviceJson(recorder).dump(-1, ' ', false, cli::Json::error_handler_t::replace);
    FUZZ_CHECK(cli::Json::accept(json));
    (void)cli::AddressText(recorder);
  } else {
    FUZZ_CHECK(!error.empty());
  }

  if (const auto choice = cli::ClockChoice::Parse(clock)) {
    const std::string text = cli::ClockText(choice->Time());
    FUZZ_CHECK(text.size() == 19);
    // A time given is the time sent, and it reads back as itself.
    if (clock != "now" && clock != "utc" && clock.size() == 19) FUZZ_CHECK(text == clock);
  }

  ConfigFile none("KAVRIN_CFG.ini");
  fuzz::FuzzInput nothingLeft(nullptr, 0);
  const ConfigFile& config = fuzz::ConfigurationFrom(nothingLeft, none);  // the built-in one
  SettingsBlock block = ops::DefaultBlock(config);
  const SettingsBlock before = block;
  const std::string refusal = cli::ApplyLogoText(config, logo, &block);
  const uint64_t logoStart = 2ull * config.logoPanel.startWord;
  const uint64_t logoEnd = logoStart + 2ull * config.logoPanel.wordLength;
  for (uint32_t at = 0; at < SettingsBlock::kSize; ++at) {
    if (block.Bytes()[at] == before.Bytes()[at]) continue;
    FUZZ_CHECK(refusal.empty());
    FUZZ_CHECK(at >= logoStart && at < logoEnd);
  }
  return 0;
}
