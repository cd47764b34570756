#include "cli/config_loader.h"

#include <filesystem>

#include "config/file_util.h"

namespace kavrin::cli {

std::unique_ptr<ConfigFile> LoadConfigForCommand(const std::string& explicitPath,
                                                 std::string* error) {
  auto config = explicitPath.empty() ? std::make_unique<ConfigFile>()
                                     : std::make_unique<ConfigFile>(PathFromUtf8(explicitPath));
  config->LoadConfiguration();
  const FileOutcome& read = config->ReadOutcome();
  if (config->UsedEmbeddedDefault() &&
      (!explicitPath.empty() || read.fault != FileFault::Missing)) {
    *error = CannotReadText(config->Path(), read);
    if (explicitPath.empty()) *error += " (the window uses the built-in default instead)";
    return nullptr;
  }
  return config;
}

std::string ConfigSourceText(const ConfigFile& config) {
  return config.UsedEmbeddedDefault() ? "built-in default (no " + PathToUtf8(config.Path()) + ")"
                                      : PathToUtf8(config.Path());
}

}  // namespace kavrin::cli
