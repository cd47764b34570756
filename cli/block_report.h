#pragma once
// Decoding a settings block with a configuration, for `kavrin block show` and `kavrin read`.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "block/settings_block.h"
#include "cli/command_result.h"
#include "config/config_file.h"

namespace kavrin::cli {

// One item as its list shows the block (ops/settings_rules.h).
struct DecodedItem {
  std::string title;
  const SettingItem* item;
  uint32_t value;
  std::optional<std::string> option;  // none: the list shows no selection
};

std::vector<DecodedItem> DecodeItems(const ConfigFile& config, const SettingsBlock& block);
// The logo text as the logo box shows the block (ops/settings_rules.h).
std::string DecodeLogo(const ConfigFile& config, const SettingsBlock& block);

// Prints the block decoded with the configuration: per item its title, field value and
// option text (marked when the value has no option), the logo text, the 40 device words in
// hexadecimal, the note area's text.
void PrintBlockReport(const ConfigFile& config, const SettingsBlock& block, std::ostream& out);
// The items and the logo lines of PrintBlockReport alone: what the settings say.
void PrintBlockSettings(const ConfigFile& config, const SettingsBlock& block, std::ostream& out);
// {"items": [{title, wordIndex, startBit, bitLength, value, hasOption, option}],
//  "logo": {title, startWord, wordLength, text}}: what the settings say.
Json BlockSettingsJson(const ConfigFile& config, const SettingsBlock& block);
// BlockSettingsJson and {"deviceWords": ["8073", ...], "note": "..."}.
Json BlockReportJson(const ConfigFile& config, const SettingsBlock& block);

}  // namespace kavrin::cli
