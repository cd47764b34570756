// The readers of the layout, panel and device sections of KAVRIN_CFG.ini. Every key is read
// with its built-in default, which is the value the record is declared with; the number keys
// come from config/config_tables.h.
#include <algorithm>

#include "config/config_file.h"
#include "config/config_keys.h"
#include "config/config_tables.h"
#include "config/text_codec.h"
#include "config/trace.h"

namespace kavrin {

void ConfigFile::LoadItemLayout() {
  tables::ReadNumbers(*this, keys::kItemLayout, tables::kItemLayout, itemLayout);
}

void ConfigFile::LoadWindowLayout() {
  tables::ReadNumbers(*this, keys::kWindowLayout, tables::kWindowLayout, windowLayout);
}

void ConfigFile::LoadLanguagePanel() {
  const LanguagePanel d;
  const std::u16string_view s = keys::kLanguageLayout;
  tables::ReadNumbers(*this, s, tables::kLanguageLayout, languagePanel);
  // The table has 32 rows; a larger count is capped like the logo texts.
  languagePanel.entryCount = std::min(ReadInt(s, u"No", 0), LanguagePanel::kMaxEntries);
  languagePanel.title = ReadString(s, u"TITLE", d.title, kPanelTextRoom);

  const LanguageEntry row;
  for (uint32_t i = 0; i < languagePanel.entryCount; ++i) {
    const std::u16string key = keys::LanguageRowKey(i);
    LanguageEntry& entry = languagePanel.entries[i];
    entry.title = ReadString(keys::kLanguageTitleList, key, row.title, kPanelTextRoom);
    entry.selectFlag = ReadInt(keys::kLanguageSelectList, key, row.selectFlag);
    entry.enableFlag = ReadInt(keys::kLanguageEnableList, key, row.enableFlag);
  }
}

void ConfigFile::LoadLogoPanel() {
  const LogoPanel d;
  const std::u16string_view s = keys::kLogo;
  tables::ReadNumbers(*this, s, tables::kLogo, logoPanel);
  logoPanel.logoCount = std::min(ReadInt(s, u"NO", 0), LogoPanel::kMaxTexts);
  logoPanel.title = ReadString(s, u"TITLE", d.title, kPanelTextRoom);
  for (uint32_t i = 0; i < logoPanel.logoCount; ++i) {
    logoPanel.logoTexts[i] = ReadString(s, keys::LogoKey(i), u"", kPanelTextRoom);
  }
}

void ConfigFile::LoadInfoPanel() {
  const std::u16string_view s = keys::kInfoLayout;
  tables::ReadNumbers(*this, s, tables::kInfoLayout, infoPanel);

  const std::size_t held = infoPanel.rows.size();
  const uint32_t room = held >= ConfigBounds::kMaxInfoRows
                            ? 0
                            : ConfigBounds::kMaxInfoRows - static_cast<uint32_t>(held);
  const uint32_t count = std::min(ReadInt(s, u"ITEM_NO", 0), room);
  infoPanel.rows.reserve(held + count);
  for (uint32_t i = 0; i < count; ++i) {
    InfoItem row;
    row.title = ReadString(s, keys::InfoTitleKey(i), u"", kPanelTextRoom);
    row.commandCode = CommandCodeOfName(ReadString(s, keys::InfoCommandKey(i), u"", kNameTextRoom));
    infoPanel.rows.push_back(std::move(row));
  }
}

void ConfigFile::LoadDeviceNames() {
  friendlyNameCount = std::min(ReadInt(keys::kDevice, u"NO", 0), ConfigBounds::kMaxDeviceNames);
  for (uint32_t i = 0; i < friendlyNameCount; ++i) {
    friendlyNames[i] = ReadString(keys::kDevice, keys::DeviceNameKey(i), u"", kNameTextRoom);
    Trace("\nDevice %d : %s", static_cast<int>(i), WideToAnsi(friendlyNames[i]).c_str());
  }
  TraceText("\n");
}

}  // namespace kavrin
