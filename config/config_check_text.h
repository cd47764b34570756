#pragma once
// The part of `kavrin config --check` that looks at the file's text itself: lines whose bytes
// are not valid in the file's encoding, and numbers that do not read as written, named by their
// line numbers.
#include <vector>

#include "config/config_check.h"
#include "config/profile_file.h"

namespace kavrin {

void CheckDamagedLines(const ProfileFile& file, std::vector<ConfigFinding>& findings);
// A file without a byte-order mark that reads both as UTF-8 (the reading taken) and as the ANSI
// code page: which one its author meant cannot be told from the bytes.
void CheckEncodingChoice(const ProfileFile& file, std::vector<ConfigFinding>& findings);
// Integer keys whose text is not a plain decimal number ("0x5", "four", empty): what they read as.
void CheckNumberTexts(const ProfileFile& file, std::vector<ConfigFinding>& findings);

}  // namespace kavrin
