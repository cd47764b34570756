#include "cli/config_loader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kavrin::cli {
namespace {

// What the system says about reading the file, for the message.
std::string WhyUnreadable(const std::string& path) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::strerror(errno != 0 ? errno : ENOENT);
  char byte;
  errno = 0;
  const bool failed = std::fread(&byte, 1, 1, file) == 0 && std::ferror(file);
  const int error = errno;
  std::fclose(file);
  if (failed) return std::strerror(error != 0 ? error : EIO);  // a folder: EISDIR
  return "not a configuration the program can read";
}

}  // namespace

std::unique_ptr<ConfigFile> LoadConfigForCommand(const std::string& explicitPath,
                                                 std::string* error) {
  auto config = explicitPath.empty() ? std::make_unique<ConfigFile>()
                                     : std::make_unique<ConfigFile>(std::filesystem::path(explicitPath));
  config->LoadConfiguration();
  if (!explicitPath.empty() && config->UsedEmbeddedDefault()) {
    *error = "cannot read configuration " + explicitPath + ": " + WhyUnreadable(explicitPath);
    return nullptr;
  }
  return config;
}

std::string ConfigSourceText(const ConfigFile& config) {
  return config.UsedEmbeddedDefault() ? "built-in default (no " + config.Path().string() + ")"
                                      : config.Path().string();
}

}  // namespace kavrin::cli
