#include "cli/block_report.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "config/text_codec.h"
#include "ops/settings_rules.h"

namespace kavrin::cli {

std::vector<DecodedItem> DecodeItems(const ConfigFile& config, const SettingsBlock& block) {
  std::vector<DecodedItem> decoded;
  decoded.reserve(config.items.size());
  for (const SettingItem& item : config.items) {
    const uint32_t value = block.GetBits(item.wordIndex, item.startBit, item.bitLength);
    std::optional<std::string> option;
    if (const int index = ops::ListIndexOf(item, value); index >= 0) {
      option = ToUtf8(item.options[static_cast<std::size_t>(index)]);
    }
    decoded.push_back({ToUtf8(item.title), &item, value, std::move(option)});
  }
  return decoded;
}

std::string DecodeLogo(const ConfigFile& config, const SettingsBlock& block) {
  return ToUtf8(ops::LogoTextOf(config.logoPanel, block));
}

namespace {

constexpr uint32_t kNoteFirstByte = SettingsBlock::kDeviceAreaSize;
constexpr uint32_t kNoteUnits = (SettingsBlock::kSize - kNoteFirstByte) / 2;

// The note area: UTF-16LE, ended by a zero unit when shorter than the area.
std::string DecodeNote(const SettingsBlock& block) {
  std::u16string note;
  for (uint32_t i = 0; i < kNoteUnits; ++i) {
    const uint32_t at = kNoteFirstByte + 2 * i;
    const char16_t unit = static_cast<char16_t>(block.Bytes()[at] | (block.Bytes()[at + 1] << 8));
    if (unit == 0) break;
    note.push_back(unit);
  }
  return ToUtf8(note);
}

std::string Hex4(uint32_t word) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", word & 0xFFFFu);
  return text;
}

// Texts in double quotes with control characters escaped, so a block full of garbage cannot
// upset the terminal.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

Json ItemsJson(const ConfigFile& config, const SettingsBlock& block) {
  Json items = Json::array();
  for (const DecodedItem& d : DecodeItems(config, block)) {
    Json entry;
    entry["title"] = d.title;
    entry["wordIndex"] = d.item->wordIndex;
    entry["startBit"] = d.item->startBit;
    entry["bitLength"] = d.item->bitLength;
    entry["value"] = d.value;
    entry["hasOption"] = d.option.has_value();
    entry["option"] = d.option ? Json(*d.option) : Json();
    items.push_back(std::move(entry));
  }
  return items;
}

}  // namespace

Json BlockSettingsJson(const ConfigFile& config, const SettingsBlock& block) {
  Json report = Json::object();
  report["items"] = ItemsJson(config, block);
  report["logo"] = {{"title", ToUtf8(config.logoPanel.title)},
                    {"startWord", config.logoPanel.startWord},
                    {"wordLength", config.logoPanel.wordLength},
                    {"text", DecodeLogo(config, block)}};
  return report;
}

Json BlockReportJson(const ConfigFile& config, const SettingsBlock& block) {
  Json report = BlockSettingsJson(config, block);
  Json words = Json::array();
  for (uint32_t i = 0; i < SettingsBlock::kDeviceWords; ++i)
    words.push_back(Hex4(block.GetWord(i)));
  report["deviceWords"] = std::move(words);
  report["note"] = DecodeNote(block);
  return report;
}

namespace {

// Columns line up by characters, not bytes ("Roate Video 180°").
std::size_t DisplayWidth(std::string_view utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string PadRight(std::string text, std::size_t width) {
  const std::size_t shown = DisplayWidth(text);
  if (shown < width) text.append(width - shown, ' ');
  return text;
}

}  // namespace

void PrintBlockSettings(const ConfigFile& config, const SettingsBlock& block, std::ostream& out) {
  const std::vector<DecodedItem> decoded = DecodeItems(config, block);
  std::size_t titleWidth = 4;
  for (const DecodedItem& d : decoded) titleWidth = std::max(titleWidth, DisplayWidth(d.title));

  out << "Items (" << decoded.size() << ")\n";
  for (const DecodedItem& d : decoded) {
    char field[64];
    std::snprintf(field, sizeof field, "word %2u bit %2u len %2u", d.item->wordIndex,
                  d.item->startBit, d.item->bitLength);
    out << "  " << PadRight(d.title, titleWidth) << "  " << field << "  "
        << PadRight(std::to_string(d.value), 5) << ' '
        << (d.option ? Quoted(*d.option) : std::string("(no option for this value)")) << '\n';
  }
  out << ToUtf8(config.logoPanel.title) << " (words " << config.logoPanel.startWord << "+"
      << config.logoPanel.wordLength << "): " << Quoted(DecodeLogo(config, block)) << '\n';
}

void PrintBlockReport(const ConfigFile& config, const SettingsBlock& block, std::ostream& out) {
  PrintBlockSettings(config, block, out);
  out << "Device words\n";
  for (uint32_t row = 0; row < SettingsBlock::kDeviceWords; row += 8) {
    char label[16];
    std::snprintf(label, sizeof label, "  %02u:", row);
    out << label;
    for (uint32_t i = row; i < row + 8; ++i) out << ' ' << Hex4(block.GetWord(i));
    out << '\n';
  }
  out << "Note: " << Quoted(DecodeNote(block)) << '\n';
}

}  // namespace kavrin::cli
