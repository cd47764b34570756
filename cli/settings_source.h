#pragma once
// Which settings a run will write, said before the first unit: where they come from (a file
// named on the command line, a ./Default.bin picked up from the working folder, or the
// configuration's defaults) with the file's SHA-256, the operator's --set and --logo changes,
// the 80 bytes and their SHA-256, and the decoded items that differ from the configuration's
// defaults. A stale ./Default.bin picked up silently is how a line ships a batch with the
// wrong settings, so every run that programs a batch, and a plan that only shows what would
// be sent, prints this first.
#include <string>
#include <vector>

#include "block/settings_block.h"
#include "cli/command_result.h"
#include "config/config_file.h"

namespace kavrin::cli {

struct SettingsSource {
  enum class Kind { kFile, kDefaultBin, kDefaults };
  Kind kind = Kind::kDefaults;
  std::string path;    // absolute, UTF-8; empty for the defaults
  std::string sha256;  // of the file's bytes; empty for the defaults
};

// "file", "default-bin", "defaults"
const char* SettingsSourceKind(SettingsSource::Kind kind);
// {"kind", "path", "sha256"}; the defaults have only "kind".
Json SettingsSourceJson(const SettingsSource& source);

struct SettingsStatement {
  // For people, one note each: the source, the changes, the bytes' hash, each difference.
  std::vector<std::string> lines;
  // {"source", "changes", "settings", "settingsSha256", "differsFromDefaults"}: fields of the
  // start record.
  Json json;
};

// `block` is what will be sent (after the window's normalisation and the changes); `changes`
// are the --set assignments as given, then "logo=TEXT".
SettingsStatement StateSettings(const ConfigFile& config, const SettingsSource& source,
                                const std::vector<std::string>& changes,
                                const SettingsBlock& block);

// The SHA-256 of the 80 bytes a recorder keeps.
std::string DeviceAreaSha256(const SettingsBlock& block);

}  // namespace kavrin::cli
