#pragma once
// The part of `kavrin config --check` that looks at the window the configuration builds:
// controls that cover each other, controls that lie partly or wholly outside the window's
// client area or beyond any screen, and a window larger than any screen. The rectangles are
// the window's own (config/layout_geometry.h); each finding names the sections and keys that
// place the controls.
#include <vector>

#include "config/config_check.h"
#include "config/config_file.h"

namespace kavrin {

void CheckLayout(const ConfigFile& config, std::vector<ConfigFinding>& findings);

}  // namespace kavrin
