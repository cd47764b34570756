#pragma once
// What every harness needs once per process: a fixed ANSI charset (a multi-byte one, so the
// conversions see lead and trail bytes), no trace output, a scratch folder for harnesses
// that go through files, and the configuration to decode with.
#include <filesystem>

#include "config/config_file.h"
#include "fuzz/fuzz_input.h"

namespace kavrin::fuzz {

void SetUpOnce();
// A folder of this process's own, removed at exit.
const std::filesystem::path& ScratchFolder();
// The rest of the input read as a KAVRIN_CFG.ini into `own`; the built-in default when
// nothing is left.
const ConfigFile& ConfigurationFrom(FuzzInput& input, ConfigFile& own);

}  // namespace kavrin::fuzz
