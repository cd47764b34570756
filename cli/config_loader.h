#pragma once
// Every kavrin command reads KAVRIN_CFG.ini the way the window does.
#include <memory>
#include <string>

#include "block/settings_block.h"
#include "config/config_file.h"

namespace kavrin::cli {

// explicitPath empty: ./KAVRIN_CFG.ini, else (when there is none) the built-in default. A file
// named on the command line, or a ./KAVRIN_CFG.ini that is there, must be read: quietly
// falling back to the built-in default would show, decode or send something other than what
// the file says, so then the reason is printed ("cannot read ...: Permission denied") and the
// result is null. (The window, which cannot ask, falls back and says so on its trace.)
std::unique_ptr<ConfigFile> LoadConfigForCommand(const std::string& explicitPath);

// "built-in default (no ./KAVRIN_CFG.ini)" or the file's path, for messages.
std::string ConfigSourceText(const ConfigFile& config);

// Loads a block file named on the command line over *block; prints the reason and gives
// false when it cannot be read.
bool LoadBlockForCommand(const std::string& path, SettingsBlock* block);

// Writes the block to a file named on the command line; prints the reason and gives false
// when it cannot be written.
bool SaveBlockForCommand(const SettingsBlock& block, const std::string& path);

}  // namespace kavrin::cli
