#pragma once
// Every kavrin command reads KAVRIN_CFG.ini the way the window does.
#include <memory>
#include <string>

#include "config/config_file.h"

namespace kavrin::cli {

// explicitPath empty: ./KAVRIN_CFG.ini, else the built-in default. A file named on the command
// line must be read: quietly falling back to the built-in default would show, decode or send
// something other than what was asked for, so that case gives null and *error says why
// ("cannot read configuration x.ini: No such file or directory").
std::unique_ptr<ConfigFile> LoadConfigForCommand(const std::string& explicitPath,
                                                 std::string* error);

// "built-in default (no ./KAVRIN_CFG.ini)" or the file's path, for messages.
std::string ConfigSourceText(const ConfigFile& config);

}  // namespace kavrin::cli
