#pragma once
// The operator's changes to a block on the command line, `--set ITEM=OPTION` (repeatable) and
// `--logo TEXT`: one set of options and one way of applying them, for `kavrin kavrin`,
// `kavrin station` and `kavrin block new`, so that a block file made ahead of time holds what
// the same options would send.
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "block/settings_block.h"
#include "cli/command_result.h"
#include "config/config_file.h"

namespace kavrin::cli {

// Adds --set and --logo; *logoGiven tells an empty --logo "" from none.
void AddSettingChangeOptions(CLI::App* command, std::vector<std::string>* settings,
                             std::string* logo, bool* logoGiven);

// Applies each --set in order, then the logo (null: none given). False after reporting the
// refusal (invalid-setting or invalid-logo, exit 2 in *exitCode); the block may then be
// partly changed and must not be used.
bool ApplySettingChanges(const ConfigFile& config, const std::vector<std::string>& settings,
                         const std::string* logo, SettingsBlock* block, Reporter& out,
                         int* exitCode);

}  // namespace kavrin::cli
