#include "cli/config_loader.h"

#include <filesystem>
#include <iostream>

namespace kavrin::cli {

std::unique_ptr<ConfigFile> LoadConfigForCommand(const std::string& explicitPath) {
  auto config = explicitPath.empty() ? std::make_unique<ConfigFile>()
                                     : std::make_unique<ConfigFile>(std::filesystem::path(explicitPath));
  config->LoadConfiguration();
  if (!explicitPath.empty() && config->UsedEmbeddedDefault()) {
    std::cerr << "kavrin: cannot read configuration " << explicitPath << '\n';
    return nullptr;
  }
  return config;
}

std::string ConfigSourceText(const ConfigFile& config) {
  return config.UsedEmbeddedDefault() ? "built-in default (no " + config.Path().string() + ")"
                                      : config.Path().string();
}

bool LoadBlockForCommand(const std::string& path, SettingsBlock* block) {
  if (block->LoadFile(path)) return true;
  std::cerr << "kavrin: cannot read " << path << '\n';
  return false;
}

}  // namespace kavrin::cli
