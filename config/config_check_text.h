#pragma once
// The part of `kavrin config --check` that looks at the file's text itself: lines whose bytes
// are not valid in the file's encoding, named by their line numbers.
#include <vector>

#include "config/config_check.h"
#include "config/profile_file.h"

namespace kavrin {

void CheckDamagedLines(const ProfileFile& file, std::vector<ConfigFinding>& findings);

}  // namespace kavrin
