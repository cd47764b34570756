#include "cli/config_loader.h"

#include <filesystem>
#include <iostream>

namespace kavrin::cli {

std::unique_ptr<ConfigFile> LoadConfigForCommand(const std::string& explicitPath) {
  auto config = explicitPath.empty() ? std::make_unique<ConfigFile>()
                                     : std::make_unique<ConfigFile>(std::filesystem::path(explicitPath));
  config->LoadConfiguration();
  const FileOutcome& read = config->ReadOutcome();
  if (config->UsedEmbeddedDefault() &&
      (!explicitPath.empty() || read.fault != FileFault::Missing)) {
    std::cerr << "kavrin: " << CannotReadText(config->Path(), read);
    if (explicitPath.empty()) std::cerr << " (the window uses the built-in default instead)";
    std::cerr << '\n';
    return nullptr;
  }
  return config;
}

std::string ConfigSourceText(const ConfigFile& config) {
  return config.UsedEmbeddedDefault() ? "built-in default (no " + config.Path().string() + ")"
                                      : config.Path().string();
}

bool LoadBlockForCommand(const std::string& path, SettingsBlock* block) {
  const FileOutcome read = block->LoadFile(path);
  if (read) return true;
  std::cerr << "kavrin: " << CannotReadText(path, read) << '\n';
  return false;
}

bool SaveBlockForCommand(const SettingsBlock& block, const std::string& path) {
  const FileOutcome written = block.SaveFile(path);
  if (written) return true;
  std::cerr << "kavrin: " << CannotWriteText(path, written) << '\n';
  return false;
}

}  // namespace kavrin::cli
