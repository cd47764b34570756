// kavrin block new / kavrin block show: build and decode block files with a configuration.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "block/settings_block.h"
#include "cli/block_report.h"
#include "cli/commands.h"
#include "cli/config_loader.h"
#include "config/config_file.h"
#include "config/file_util.h"

namespace kavrin::cli {
namespace {

struct BlockOptions {
  std::string configPath;  // --file; empty: ./KAVRIN_CFG.ini, else the embedded default
  std::string blockPath;
  bool json = false;
};


int RunNew(const BlockOptions& options) {
  const std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.configPath);
  if (!config) return kExitFailed;
  const SettingsBlock block = MakeDefaultBlock(*config);
  return SaveBlockForCommand(block, options.blockPath) ? kExitOk : kExitFailed;
}

int RunShow(const BlockOptions& options) {
  const std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.configPath);
  if (!config) return kExitFailed;
  // What the window holds after loading the file into a zero block: a short file leaves the
  // rest zero, a long one counts with its first 112 bytes.
  SettingsBlock block;
  if (!LoadBlockForCommand(options.blockPath, &block)) return kExitFailed;
  PrintBlockReport(*config, block, options.json, std::cout);
  return kExitOk;
}

}  // namespace

void AddBlockCommands(CLI::App& app, int* exitCode) {
  CLI::App* block = app.add_subcommand("block", "Build and decode 112-byte settings block files");
  block->require_subcommand(1);
  auto options = std::make_shared<BlockOptions>();

  CLI::App* create = block->add_subcommand(
      "new", "Write the block the window holds at start-up without Default.bin");
  create->add_option("-o,--output", options->blockPath, "Block file to write")->required();
  create->add_option("--file", options->configPath,
                     "Configuration (default ./KAVRIN_CFG.ini, else the built-in default)");
  create->callback([options, exitCode] { *exitCode = RunNew(*options); });

  CLI::App* show = block->add_subcommand("show", "Decode a block file with the configuration");
  show->add_option("FILE", options->blockPath, "Block file to decode")->required();
  show->add_option("--file", options->configPath,
                   "Configuration (default ./KAVRIN_CFG.ini, else the built-in default)");
  show->add_flag("--json", options->json, "Print one JSON object");
  show->callback([options, exitCode] { *exitCode = RunShow(*options); });
}

}  // namespace kavrin::cli
