#include "cli/settings_source.h"

#include "cli/block_report.h"
#include "cli/printable_text.h"
#include "cli/unit_operations.h"
#include "config/sha256.h"
#include "config/text_codec.h"
#include "ops/settings_rules.h"

namespace kavrin::cli {
namespace {

// One decoded item, or the logo, that differs from the configuration's defaults. An option
// of null: the value has no option text (the window's list shows no selection).
struct Difference {
  std::string title;
  Json option;
  Json defaultOption;
};

Json OptionOf(const DecodedItem& item) { return item.option ? Json(*item.option) : Json(); }

std::vector<Difference> DifferencesFromDefaults(const ConfigFile& config,
                                                const SettingsBlock& block) {
  const SettingsBlock defaults = ops::DefaultBlock(config);
  const std::vector<DecodedItem> sent = DecodeItems(config, block);
  const std::vector<DecodedItem> reference = DecodeItems(config, defaults);
  std::vector<Difference> differences;
  for (std::size_t i = 0; i < sent.size() && i < reference.size(); ++i) {
    if (sent[i].value == reference[i].value) continue;
    differences.push_back({sent[i].title, OptionOf(sent[i]), OptionOf(reference[i])});
  }
  const std::string logo = DecodeLogo(config, block);
  const std::string defaultLogo = DecodeLogo(config, defaults);
  if (logo != defaultLogo) {
    differences.push_back({ToUtf8(config.logoPanel.title), logo, defaultLogo});
  }
  return differences;
}

std::string OptionText(const Json& option) {
  return option.is_string() ? "\"" + PrintableText(option.get<std::string>()) + "\""
                            : std::string("(a value with no option)");
}

std::string SourceLine(const SettingsSource& source) {
  switch (source.kind) {
    case SettingsSource::Kind::kFile:
      return "settings from " + PrintableText(source.path) + ", sha256 " + source.sha256;
    case SettingsSource::Kind::kDefaultBin:
      return "settings from ./Default.bin found in the working folder (" +
             PrintableText(source.path) + "), sha256 " + source.sha256;
    case SettingsSource::Kind::kDefaults:
      break;
  }
  return "settings from the configuration's defaults (no FILE given, no ./Default.bin)";
}

}  // namespace

const char* SettingsSourceKind(SettingsSource::Kind kind) {
  switch (kind) {
    case SettingsSource::Kind::kFile:
      return "file";
    case SettingsSource::Kind::kDefaultBin:
      return "default-bin";
    case SettingsSource::Kind::kDefaults:
      break;
  }
  return "defaults";
}

Json SettingsSourceJson(const SettingsSource& source) {
  Json json = {{"kind", SettingsSourceKind(source.kind)}};
  if (source.kind != SettingsSource::Kind::kDefaults) {
    json["path"] = source.path;
    json["sha256"] = source.sha256;
  }
  return json;
}

std::string DeviceAreaSha256(const SettingsBlock& block) { return Sha256Hex(block.DeviceArea()); }

SettingsStatement StateSettings(const ConfigFile& config, const SettingsSource& source,
                                const std::vector<std::string>& changes,
                                const SettingsBlock& block) {
  SettingsStatement statement;
  const std::vector<Difference> differences = DifferencesFromDefaults(config, block);
  const std::string sha256 = DeviceAreaSha256(block);

  statement.lines.push_back(SourceLine(source));
  if (!changes.empty()) {
    std::string line = "changed by the command line:";
    for (const std::string& change : changes) line += " " + PrintableText(change) + ";";
    line.pop_back();
    statement.lines.push_back(line);
  }
  statement.lines.push_back(std::to_string(SettingsBlock::kDeviceAreaSize) +
                            " bytes to write, sha256 " + sha256);
  if (differences.empty()) {
    statement.lines.push_back("every item as the configuration's defaults");
  } else {
    statement.lines.push_back(std::to_string(differences.size()) +
                              (differences.size() == 1 ? " item differs" : " items differ") +
                              " from the configuration's defaults:");
    for (const Difference& d : differences) {
      statement.lines.push_back("  " + PrintableText(d.title) + ": " + OptionText(d.option) +
                                " (default " + OptionText(d.defaultOption) + ")");
    }
  }

  Json differs = Json::array();
  for (const Difference& d : differences) {
    differs.push_back({{"title", d.title}, {"option", d.option}, {"default", d.defaultOption}});
  }
  statement.json = {{"source", SettingsSourceJson(source)},
                    {"changes", changes},
                    {"settings", DeviceAreaHex(block, "")},
                    {"settingsSha256", sha256},
                    {"differsFromDefaults", std::move(differs)}};
  return statement;
}

}  // namespace kavrin::cli
