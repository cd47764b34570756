// The readers of the layout, panel and device sections of KAVRIN_CFG.ini. Every key is read
// with its built-in default, which is the value the record is declared with.
#include <algorithm>

#include "config/config_file.h"
#include "config/config_keys.h"
#include "config/text_codec.h"
#include "config/trace.h"

namespace kavrin {

void ConfigFile::LoadItemLayout() {
  const ItemLayout d;
  const std::u16string_view s = keys::kItemLayout;
  itemLayout.x = ReadInt(s, u"START_X", d.x);
  itemLayout.y = ReadInt(s, u"START_Y", d.y);
  itemLayout.lineShift = ReadInt(s, u"LINE_SHIFT", d.lineShift);
  itemLayout.titleShift = ReadInt(s, u"TITLE_SHIFT", d.titleShift);
  itemLayout.titleWidth = ReadInt(s, u"TITLE_WIDTH", d.titleWidth);
  itemLayout.optionWidth = ReadInt(s, u"OPTION_WIDTH", d.optionWidth);
  itemLayout.titleOptionGap = ReadInt(s, u"TITLE_OPTION_GAP", d.titleOptionGap);
  itemLayout.itemHeight = ReadInt(s, u"ITEM_HEIGHT", d.itemHeight);
  itemLayout.optionHeight = ReadInt(s, u"OPTION_HEIGHT", d.optionHeight);
  itemLayout.itemsPerColumn = ReadInt(s, u"ITEM_PER_COL", d.itemsPerColumn);
}

void ConfigFile::LoadWindowLayout() {
  const WindowLayout d;
  windowLayout.width = ReadInt(keys::kWindowLayout, u"WIDTH", d.width);
  windowLayout.height = ReadInt(keys::kWindowLayout, u"HEIGHT", d.height);
}

void ConfigFile::LoadLanguagePanel() {
  const LanguagePanel d;
  const std::u16string_view s = keys::kLanguageLayout;
  languagePanel.x = ReadInt(s, u"START_X", d.x);
  languagePanel.y = ReadInt(s, u"START_Y", d.y);
  languagePanel.width = ReadInt(s, u"DISPLAY_WIDTH", d.width);
  languagePanel.height = ReadInt(s, u"DISPLAY_HEIGHT", d.height);
  languagePanel.gap = ReadInt(s, u"OPTION_GAP_Y", d.gap);
  languagePanel.listHeight = ReadInt(s, u"LIST_BOX_HEIGHT", d.listHeight);
  // The table has 32 rows; a larger count is capped like the logo texts.
  languagePanel.entryCount = std::min(ReadInt(s, u"No", 0), LanguagePanel::kMaxEntries);
  languagePanel.wordIndex = ReadInt(s, u"WORD_IDX", d.wordIndex);
  languagePanel.startBit = ReadInt(s, u"START_BIT", d.startBit);
  languagePanel.bitLength = ReadInt(s, u"DATA_LEN", d.bitLength);
  languagePanel.maskStartWord = ReadInt(s, u"MASK_START_WORD", d.maskStartWord);
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
  logoPanel.x = ReadInt(s, u"START_X", d.x);
  logoPanel.y = ReadInt(s, u"START_Y", d.y);
  logoPanel.width = ReadInt(s, u"DISPLAY_WIDTH", d.width);
  logoPanel.height = ReadInt(s, u"DISPLAY_HEIGHT", d.height);
  logoPanel.listHeight = ReadInt(s, u"LIST_BOX_HEIGHT", d.listHeight);
  logoPanel.gap = ReadInt(s, u"OPTION_GAP_Y", d.gap);
  logoPanel.logoCount = std::min(ReadInt(s, u"NO", 0), LogoPanel::kMaxTexts);
  logoPanel.startWord = ReadInt(s, u"START_WORD", d.startWord);
  logoPanel.wordLength = ReadInt(s, u"WORD_LEN", d.wordLength);
  logoPanel.title = ReadString(s, u"TITLE", d.title, kPanelTextRoom);
  for (uint32_t i = 0; i < logoPanel.logoCount; ++i) {
    logoPanel.logoTexts[i] = ReadString(s, keys::LogoKey(i), u"", kPanelTextRoom);
  }
}

void ConfigFile::LoadInfoPanel() {
  const InfoPanel d;
  const std::u16string_view s = keys::kInfoLayout;
  infoPanel.x = ReadInt(s, u"START_X", d.x);
  infoPanel.y = ReadInt(s, u"START_Y", d.y);
  infoPanel.titleWidth = ReadInt(s, u"TITLE_WIDTH", d.titleWidth);
  infoPanel.contentWidth = ReadInt(s, u"CONTENT_WIDTH", d.contentWidth);
  infoPanel.gap = ReadInt(s, u"TITLE_CONTENT_GAP", d.gap);
  infoPanel.rowHeight = ReadInt(s, u"ITEM_HEIGHT", d.rowHeight);
  infoPanel.lineShift = ReadInt(s, u"LINE_SHIFT", d.lineShift);

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
