// kavrin block new / kavrin block show: build and decode block files with a configuration.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "block/settings_block.h"
#include "cli/block_file.h"
#include "cli/block_report.h"
#include "cli/command_result.h"
#include "cli/commands.h"
#include "cli/config_loader.h"
#include "cli/setting_options.h"
#include "config/config_file.h"
#include "config/file_util.h"
#include "ops/settings_rules.h"

namespace kavrin::cli {
namespace {

struct BlockOptions {
  std::string configPath;  // --config; empty: ./KAVRIN_CFG.ini, else the embedded default
  std::string blockPath;
  bool json = false;
  std::vector<std::string> settings;  // block new --set ITEM=OPTION
  std::string logo;                   // block new --logo TEXT
  bool logoGiven = false;
};

std::unique_ptr<ConfigFile> Load(const BlockOptions& options, Reporter& out, int* exitCode) {
  std::string error;
  std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.configPath, &error);
  if (!config) *exitCode = out.Fail(Reason::kConfigUnreadable, error, kExitFailed);
  return config;
}

int RunNew(const BlockOptions& options) {
  Reporter out("block new", options.json, std::cout, std::cerr);
  int exitCode = kExitFailed;
  const std::unique_ptr<ConfigFile> config = Load(options, out, &exitCode);
  if (!config) return exitCode;
  // The block the window starts with, changed as `kavrin kavrin` changes it.
  SettingsBlock block = ops::DefaultBlock(*config);
  if (!ApplySettingChanges(*config, options.settings, options.logoGiven ? &options.logo : nullptr,
                           &block, out, &exitCode)) {
    return exitCode;
  }
  const FileOutcome written = block.SaveFile(PathFromUtf8(options.blockPath));
  if (!written) {
    return out.Fail(Reason::kOutputUnwritable,
                    CannotWriteText(PathFromUtf8(options.blockPath), written), kExitFailed);
  }
  if (options.json) {
    Json document = DocumentHead(out.Command(), true);
    document["file"] = options.blockPath;
    MergeFields(document, BlockReportJson(*config, block));
    out.Document(document);
  }
  return kExitOk;
}

int RunShow(const BlockOptions& options) {
  Reporter out("block show", options.json, std::cout, std::cerr);
  int exitCode = kExitFailed;
  const std::unique_ptr<ConfigFile> config = Load(options, out, &exitCode);
  if (!config) return exitCode;
  // What the window holds after loading the file into a zero block: a short file leaves the
  // rest zero, a long one counts with its first 112 bytes.
  std::string error;
  const std::optional<BlockFile> file = ReadBlockFile(options.blockPath, &error);
  if (!file) return out.Fail(Reason::kBlockFile, error, kExitFailed);
  const std::string warning = file->SizeProblem(options.blockPath);
  if (!warning.empty())
    out.Note("warning: " + warning + "; its first bytes decoded over a zero block");
  if (options.json) {
    Json document = DocumentHead(out.Command(), true);
    document["file"] = options.blockPath;
    // Bytes read, counting at most one past a block: 113 means longer.
    document["size"] = file->size.bytes + (file->size.longer ? 1 : 0);
    document["wholeBlock"] = file->WholeBlock();
    if (!warning.empty()) document["warning"] = warning;
    MergeFields(document, BlockReportJson(*config, file->block));
    out.Document(document);
  } else {
    std::ostringstream text;
    PrintBlockReport(*config, file->block, text);
    out.Text(text.str());
  }
  return kExitOk;
}

}  // namespace

void AddBlockCommands(CLI::App& app, int* exitCode) {
  CLI::App* block = app.add_subcommand("block", "Build and decode 112-byte settings block files");
  block->require_subcommand(1);
  auto options = std::make_shared<BlockOptions>();

  CLI::App* create = block->add_subcommand(
      "new",
      "Write the block the window holds at start-up without Default.bin, with the --set and "
      "--logo changes");
  create->add_option("-o,--output", options->blockPath, "Block file to write")->required();
  AddSettingChangeOptions(create, &options->settings, &options->logo, &options->logoGiven);
  AddConfigOption(create, &options->configPath);
  create->add_flag("--json", options->json, "Print one JSON document");
  create->callback([options, exitCode] { *exitCode = RunNew(*options); });

  CLI::App* show = block->add_subcommand("show", "Decode a block file with the configuration");
  show->add_option("FILE", options->blockPath, "Block file to decode")->required();
  AddConfigOption(show, &options->configPath);
  show->add_flag("--json", options->json, "Print one JSON document");
  show->callback([options, exitCode] { *exitCode = RunShow(*options); });
}

}  // namespace kavrin::cli
