#pragma once
// The part of `kavrin config --check` that looks at names rather than values: sections and
// keys given twice (only the first is read), and sections and keys that no reader takes,
// which is what a misspelt name in a hand-edited file looks like.
#include <vector>

#include "config/config_check.h"
#include "config/panels.h"
#include "config/profile_file.h"

namespace kavrin {

void CheckNames(const ProfileFile& file, const TestPanel& testPanel,
                std::vector<ConfigFinding>& findings);

}  // namespace kavrin
