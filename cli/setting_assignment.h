#pragma once
// `--set ITEM=OPTION` of `kavrin kavrin`: one setting item changed in a block, the item named
// by its section name or title, the option by its text or index.
#include <string>
#include <string_view>

#include "block/settings_block.h"
#include "config/config_file.h"

namespace kavrin::cli {

// Stores the option in the item's bit field. Returns an empty text on success, else why the
// assignment cannot be made (no such item, an ambiguous name, no such option, a value the
// field cannot hold); the block is then unchanged.
std::string ApplySettingAssignment(const ConfigFile& config, std::string_view assignment,
                                   SettingsBlock* block);

}  // namespace kavrin::cli
