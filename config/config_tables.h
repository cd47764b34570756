#pragma once
// The number keys of each KAVRIN_CFG.ini section in one table: how the file spells the key,
// the record's field that holds it (the field's declared value is the key's default) and the
// name `kavrin config --json` gives it. The section readers, the known keys of
// `kavrin config --check` and the JSON all read these tables, so a new key is one line here.
// Counts, texts and indexed keys (NO, TITLE, ITEM_000, ...) are read on their own, with their
// bounds, by the readers in config_file.cpp and config_sections.cpp.
#include <string_view>
#include <vector>

#include "config/panels.h"
#include "config/profile_file.h"
#include "config/setting_item.h"

namespace kavrin::tables {

template <class Record>
struct NumberKey {
  std::u16string_view key;
  uint32_t Record::*field;
  std::string_view jsonName;
};

inline constexpr NumberKey<ItemLayout> kItemLayout[] = {
    {u"START_X", &ItemLayout::x, "x"},
    {u"START_Y", &ItemLayout::y, "y"},
    {u"LINE_SHIFT", &ItemLayout::lineShift, "lineShift"},
    {u"TITLE_SHIFT", &ItemLayout::titleShift, "titleShift"},
    {u"TITLE_WIDTH", &ItemLayout::titleWidth, "titleWidth"},
    {u"OPTION_WIDTH", &ItemLayout::optionWidth, "optionWidth"},
    {u"TITLE_OPTION_GAP", &ItemLayout::titleOptionGap, "titleOptionGap"},
    {u"ITEM_HEIGHT", &ItemLayout::itemHeight, "itemHeight"},
    {u"OPTION_HEIGHT", &ItemLayout::optionHeight, "optionHeight"},
    {u"ITEM_PER_COL", &ItemLayout::itemsPerColumn, "itemsPerColumn"},
};

inline constexpr NumberKey<WindowLayout> kWindowLayout[] = {
    {u"WIDTH", &WindowLayout::width, "width"},
    {u"HEIGHT", &WindowLayout::height, "height"},
};

inline constexpr NumberKey<LanguagePanel> kLanguageLayout[] = {
    {u"START_X", &LanguagePanel::x, "x"},
    {u"START_Y", &LanguagePanel::y, "y"},
    {u"DISPLAY_WIDTH", &LanguagePanel::width, "width"},
    {u"DISPLAY_HEIGHT", &LanguagePanel::height, "height"},
    {u"LIST_BOX_HEIGHT", &LanguagePanel::listHeight, "listHeight"},
    {u"OPTION_GAP_Y", &LanguagePanel::gap, "gap"},
    {u"WORD_IDX", &LanguagePanel::wordIndex, "wordIndex"},
    {u"START_BIT", &LanguagePanel::startBit, "startBit"},
    {u"DATA_LEN", &LanguagePanel::bitLength, "bitLength"},
    {u"MASK_START_WORD", &LanguagePanel::maskStartWord, "maskStartWord"},
};

inline constexpr NumberKey<LogoPanel> kLogo[] = {
    {u"START_X", &LogoPanel::x, "x"},
    {u"START_Y", &LogoPanel::y, "y"},
    {u"DISPLAY_WIDTH", &LogoPanel::width, "width"},
    {u"DISPLAY_HEIGHT", &LogoPanel::height, "height"},
    {u"LIST_BOX_HEIGHT", &LogoPanel::listHeight, "listHeight"},
    {u"OPTION_GAP_Y", &LogoPanel::gap, "gap"},
    {u"START_WORD", &LogoPanel::startWord, "startWord"},
    {u"WORD_LEN", &LogoPanel::wordLength, "wordLength"},
};

inline constexpr NumberKey<InfoPanel> kInfoLayout[] = {
    {u"START_X", &InfoPanel::x, "x"},
    {u"START_Y", &InfoPanel::y, "y"},
    {u"TITLE_WIDTH", &InfoPanel::titleWidth, "titleWidth"},
    {u"CONTENT_WIDTH", &InfoPanel::contentWidth, "contentWidth"},
    {u"TITLE_CONTENT_GAP", &InfoPanel::gap, "gap"},
    {u"ITEM_HEIGHT", &InfoPanel::rowHeight, "rowHeight"},
    {u"LINE_SHIFT", &InfoPanel::lineShift, "lineShift"},
};

// The label width of the engine-test panel is ITEM_WIDTH; a TITLE_WIDTH there is not read.
inline constexpr NumberKey<TestPanel> kTestItemLayout[] = {
    {u"START_X", &TestPanel::x, "x"},
    {u"START_Y", &TestPanel::y, "y"},
    {u"ITEM_WIDTH", &TestPanel::titleWidth, "titleWidth"},
    {u"CONTENT_WIDTH", &TestPanel::contentWidth, "contentWidth"},
    {u"TITLE_CONTENT_GAP", &TestPanel::gap, "gap"},
    {u"ITEM_HEIGHT", &TestPanel::rowHeight, "rowHeight"},
    {u"LINE_SHIFT", &TestPanel::lineShift, "lineShift"},
};

// A setting item's field; a test item has the same but DEFAULT_OPTION. Their defaults are 0.
inline constexpr NumberKey<SettingItem> kTestItem[] = {
    {u"WORD_IDX", &SettingItem::wordIndex, "wordIndex"},
    {u"START_BIT", &SettingItem::startBit, "startBit"},
    {u"DATA_LEN", &SettingItem::bitLength, "bitLength"},
};
inline constexpr NumberKey<SettingItem> kItem[] = {
    {u"WORD_IDX", &SettingItem::wordIndex, "wordIndex"},
    {u"START_BIT", &SettingItem::startBit, "startBit"},
    {u"DATA_LEN", &SettingItem::bitLength, "bitLength"},
    {u"DEFAULT_OPTION", &SettingItem::option, "option"},
};

// Reads every key of the table into the record, each with the record's declared default.
template <class Record, std::size_t N>
void ReadNumbers(const ProfileFile& file, std::u16string_view section,
                 const NumberKey<Record> (&table)[N], Record& record) {
  const Record defaults{};
  for (const NumberKey<Record>& entry : table) {
    record.*entry.field = file.ReadInt(section, entry.key, defaults.*entry.field);
  }
}

// How the file spells the key of a field.
template <class Record, std::size_t N>
constexpr std::u16string_view KeyOf(const NumberKey<Record> (&table)[N], uint32_t Record::*field) {
  for (const NumberKey<Record>& entry : table) {
    if (entry.field == field) return entry.key;
  }
  return {};
}

// The table's keys, then the section's other keys.
template <class Record, std::size_t N>
std::vector<std::u16string_view> KeyNames(const NumberKey<Record> (&table)[N],
                                          std::initializer_list<std::u16string_view> others = {}) {
  std::vector<std::u16string_view> names;
  for (const NumberKey<Record>& entry : table) names.push_back(entry.key);
  names.insert(names.end(), others.begin(), others.end());
  return names;
}

}  // namespace kavrin::tables
