#pragma once
// The readable listing of a loaded configuration that `kavrin config` prints: every item with
// its field and options, the test items with their test codes, the panels, the device names.
#include <ostream>
#include <string>

#include "config/config_file.h"

namespace kavrin::cli {

// `source` says where the configuration came from (a path, or the built-in default).
void PrintConfiguration(const ConfigFile& config, const std::string& source, std::ostream& out);

// "bit 8", "bits 4-7", "no bits": where a field lies inside its word.
std::string BitsText(uint32_t startBit, uint32_t bitLength);

}  // namespace kavrin::cli
