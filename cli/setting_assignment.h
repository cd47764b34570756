#pragma once
// `--set ITEM=OPTION` and `--logo TEXT` of `kavrin kavrin`: one setting item changed in a
// block, the item named by its section name or title, the option by its text (trimmed, letters
// in any case) or as "#N" by its index; the date-stamp logo text.
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

// Stores the logo text (UTF-8) in the configuration's logo field, in the recorder's code page.
// Returns an empty text on success, else why not: a character the code page cannot encode,
// more bytes than the field holds, a field outside the settings the recorder keeps. Nothing
// is cut or replaced; the block is then unchanged.
std::string ApplyLogoText(const ConfigFile& config, std::string_view text, SettingsBlock* block);

}  // namespace kavrin::cli
