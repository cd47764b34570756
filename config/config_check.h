#pragma once
// What the author of a KAVRIN_CFG.ini needs to know before shipping it to a production line:
// fields the recorder cannot hold, items that overwrite each other, names that lead nowhere,
// counts and texts that get cut, keys and sections that nothing reads. Each finding names the
// section and the key it is about; a clean file gives none.
#include <string>
#include <vector>

#include "config/config_file.h"

namespace kavrin {

struct ConfigFinding {
  std::u16string section;
  std::u16string key;   // empty when the finding is about the whole section
  std::string message;  // UTF-8
};

// Checks a loaded configuration (loaded once) against the file it was read from, in the order
// the readers take the sections.
std::vector<ConfigFinding> CheckConfiguration(const ConfigFile& config);

// "[SECTION] KEY: message", or "[SECTION]: message" for a whole section; UTF-8.
std::string FormatFinding(const ConfigFinding& finding);

}  // namespace kavrin
