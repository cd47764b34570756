#include "ops/settings_rules.h"

#include <algorithm>
#include <cstdint>

#include "config/text_codec.h"

namespace kavrin::ops {
namespace {

// A logo list entry has room for 31 UTF-16 units; a longer text is cut to it, never in the
// middle of a surrogate pair.
std::u16string FitLogoEntry(std::u16string text) {
  constexpr std::size_t kRoom = kPanelTextRoom - 1;
  if (text.size() <= kRoom) return text;
  std::size_t length = kRoom;
  const char16_t last = text[length - 1];
  if (last >= 0xD800 && last <= 0xDBFF) --length;
  text.resize(length);
  return text;
}

uint32_t KnownLogoTexts(const LogoPanel& logo) {
  return std::min<uint32_t>(logo.logoCount, LogoPanel::kMaxTexts);
}

}  // namespace

int ListIndexOf(const SettingItem& item, uint32_t value) {
  return value < item.options.size() && value <= static_cast<uint32_t>(INT32_MAX)
             ? static_cast<int>(value)
             : -1;
}

std::u16string LogoTextOf(const LogoPanel& logo, const SettingsBlock& block) {
  const std::string field = block.GetText(logo.startWord, logo.wordLength);
  std::string_view bytes(field);
  bytes = bytes.substr(0, bytes.find('\0'));  // the text ends at its first zero byte
  return FitLogoEntry(AnsiToWide(bytes));
}

int LogoEntryFor(const LogoPanel& logo, std::u16string_view text) {
  const uint32_t known = KnownLogoTexts(logo);
  for (uint32_t i = 0; i < known; ++i) {
    if (logo.logoTexts[i] == text) return static_cast<int>(i);
  }
  return known < LogoPanel::kMaxTexts ? -1 : 0;
}

void NormalizeForSending(const ConfigFile& config, SettingsBlock& block) {
  for (const SettingItem& item : config.items) {
    const uint32_t value = block.GetBits(item.wordIndex, item.startBit, item.bitLength);
    block.SetBits(item.wordIndex, item.startBit, item.bitLength, ListIndexOf(item, value));
  }
  const LogoPanel& logo = config.logoPanel;
  const std::u16string text = LogoTextOf(logo, block);
  const int entry = LogoEntryFor(logo, text);
  const std::u16string shown = entry >= 0 ? logo.logoTexts[static_cast<std::size_t>(entry)] : text;
  const std::string bytes = WideToAnsi(shown);
  block.SetText(logo.startWord, logo.wordLength, bytes.c_str());
}

SettingsBlock DefaultBlock(const ConfigFile& config) {
  SettingsBlock block;
  for (const SettingItem& item : config.items) {
    block.SetBits(item.wordIndex, item.startBit, item.bitLength, ListIndexOf(item, item.option));
  }
  // The logo box starts on entry 0; with no logo texts its face is empty.
  const std::u16string logo =
      config.logoPanel.logoCount > 0 ? config.logoPanel.logoTexts[0] : std::u16string();
  const std::string ansi = WideToAnsi(logo);
  block.SetText(config.logoPanel.startWord, config.logoPanel.wordLength, ansi.c_str());
  return block;
}

}  // namespace kavrin::ops
