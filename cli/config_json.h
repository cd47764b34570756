#pragma once
// JSON of a loaded configuration, as `kavrin config --json` prints it. Names are the fields
// of the configuration records; numbers are JSON numbers and texts UTF-8 strings. The item
// helpers serve every command that shows items.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "config/config_file.h"

namespace kavrin::cli {

using Json = nlohmann::ordered_json;

Json TextsJson(const std::vector<std::u16string>& texts);
// {title, wordIndex, startBit, bitLength, option, options}
Json ItemJson(const SettingItem& item);
// {title, wordIndex, startBit, bitLength, testCode}
Json TestItemJson(const SettingItem& item);
// {items, testItems, itemLayout, windowLayout, logoPanel, infoPanel, testPanel, languagePanel,
//  friendlyNames}
Json ConfigurationJson(const ConfigFile& config);

}  // namespace kavrin::cli
