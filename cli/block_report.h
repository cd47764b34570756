#pragma once
// Decoding a settings block with a configuration, for `kavrin block show` and `kavrin read`.
#include <ostream>

#include "block/settings_block.h"
#include "cli/command_result.h"
#include "config/config_file.h"

namespace kavrin::cli {

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
