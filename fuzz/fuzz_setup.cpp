#include "fuzz/fuzz_setup.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>

#include "config/text_codec.h"
#include "config/trace.h"

namespace kavrin::fuzz {

void SetUpOnce() {
  static const bool done = [] {
    SetAnsiCharset("BIG5");
    SetTraceSink({});
    return true;
  }();
  (void)done;
}

const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    // Memory-backed where there is one: harnesses write a file on every run.
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path();
    std::filesystem::path made = base / ("kavrin-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(made, error);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    return made;
  }();
  return folder;
}

const ConfigFile& ConfigurationFrom(FuzzInput& input, ConfigFile& own) {
  static const std::unique_ptr<ConfigFile> builtIn = [] {
    auto loaded = std::make_unique<ConfigFile>(ScratchFolder() / "no-such-KAVRIN_CFG.ini");
    loaded->LoadConfiguration();
    return loaded;
  }();
  if (input.Empty()) return *builtIn;
  own.ParseBytes(input.Rest());
  own.LoadSections();
  return own;
}

}  // namespace kavrin::fuzz
