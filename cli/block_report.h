#pragma once
// Decoding a settings block with a configuration, for `kavrin block show` and `kavrin read`.
#include <ostream>

#include "block/settings_block.h"
#include "config/config_file.h"

namespace kavrin::cli {

// Prints the block decoded with the configuration: per item its title, field value and
// option text (marked when the value has no option), the logo text, the 40 device words in
// hexadecimal, the note area's text. json=true prints one JSON object instead.
void PrintBlockReport(const ConfigFile& config, const SettingsBlock& block, bool json,
                      std::ostream& out);

// The block the window holds at start-up without Default.bin: zero block, each item's
// DEFAULT_OPTION stored with SetBits (all ones when it names no option), the first logo
// text with SetText.
SettingsBlock MakeDefaultBlock(const ConfigFile& config);

}  // namespace kavrin::cli
