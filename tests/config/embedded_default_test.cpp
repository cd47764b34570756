// The default KAVRIN_CFG.ini the program carries: its form and every value it ships.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "config/config_file.h"
#include "config/resources.h"
#include "config/text_codec.h"
#include "tests/config/embedded_text.h"

namespace kavrin {
namespace {

const ProfileFile& EmbeddedProfile() {
  static const ProfileFile profile = [] {
    ProfileFile p;
    p.ParseBytes(*FindResourceData(kDefaultConfigResourceId, kTextResourceType));
    return p;
  }();
  return profile;
}

const ConfigFile& EmbeddedConfig() {
  static const ConfigFile config = [] {
    ConfigFile c("unused");
    c.ParseBytes(*FindResourceData(kDefaultConfigResourceId, kTextResourceType));
    c.LoadSections();
    return c;
  }();
  return config;
}

TEST(EmbeddedDefaultTest, IsUtf16LeWithMarkStartingWithAnEmptyCrLfLine) {
  const auto data = FindResourceData(kDefaultConfigResourceId, kTextResourceType);
  ASSERT_TRUE(data.has_value());
  ASSERT_GE(data->size(), 6u);
  EXPECT_EQ((std::vector<uint8_t>(data->begin(), data->begin() + 6)),
            (std::vector<uint8_t>{0xFF, 0xFE, '\r', 0, '\n', 0}));
  EXPECT_EQ(data->size() % 2, 0u);
  // Every line ends in CR LF: no LF without its CR.
  const std::string text = test::EmbeddedDefaultUtf8();
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
    ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << "bare LF at " << at;
  }
}

TEST(EmbeddedDefaultTest, KeepsTheBlanksAfterLayoutNumbers) {
  const std::string text = test::EmbeddedDefaultUtf8();
  EXPECT_NE(text.find("START_X=350 \r\n"), std::string::npos);
  EXPECT_NE(text.find("START_X=20  \r\n"), std::string::npos);
}

TEST(EmbeddedDefaultTest, SectionsComeInFileOrder) {
  const std::vector<std::u16string> expected = {u"DEVICE",
                                                u"DATE_STAMP_LOGO",
                                                u"LANGUAGE_LAYOUT",
                                                u"LANGUAGE_TITLE_LIST",
                                                u"LANGUAGE_SELECT_LIST",
                                                u"LANGUAGE_ENABLE_LIST",
                                                u"VIDEO_RESOLUTION",
                                                u"CYCLE_TIME",
                                                u"TV_SYSTEM",
                                                u"SLIDESHOW",
                                                u"BOOT_PIC",
                                                u"POWER_SAVING",
                                                u"BEEP",
                                                u"DATE_STAMP",
                                                u"FLICKER",
                                                u"VOLUME",
                                                u"VOICE_RECORDING",
                                                u"LANGUAGE",
                                                u"RECORD_LED_OFF",
                                                u"EV",
                                                u"FLIP",
                                                u"SNAP_SELF_TIMER",
                                                u"USB_MODE",
                                                u"SNAP_CNT",
                                                u"WAIT_CHARGE",
                                                u"SHOW_LOGO_TIME",
                                                u"DEBUG_LEVEL",
                                                u"USE_USB_POWER",
                                                u"TEST_MODE",
                                                u"AE_LOG_FILE",
                                                u"DISABLE_OSD_INFO",
                                                u"NON_LCD_PREVIEW",
                                                u"TEST_KAVRIN",
                                                u"TEST_KEY",
                                                u"TEST_G_SENSOR",
                                                u"TEST_RTC",
                                                u"TEST_TV_OUT",
                                                u"TEST_POWER_KEY",
                                                u"TEST_ITEM_LIST",
                                                u"ITEM_LIST",
                                                u"ITEM_LAYOUT",
                                                u"INFO_LAYOUT",
                                                u"TEST_ITEM_LAYOUT",
                                                u"WINDOW_LAYOUT"};
  EXPECT_EQ(EmbeddedProfile().SectionNames(), expected);
}

struct ItemSection {
  std::u16string_view name;
  std::u16string_view title;
  uint32_t word, start, length;
  std::vector<std::u16string> options;
  uint32_t defaultOption;
};

const std::vector<ItemSection>& ItemSections() {
  static const std::vector<ItemSection> sections = {
      {u"VIDEO_RESOLUTION", u"Video Resolution", 0, 0, 4, {u"1080@30", u"720@60", u"720@30"}, 0},
      {u"CYCLE_TIME", u"Cycle Time", 0, 4, 4, {u"3 min", u"5 min", u"10 min", u"15 min"}, 1},
      {u"TV_SYSTEM", u"TV System", 0, 8, 1, {u"NTSC", u"PAL"}, 0},
      {u"SLIDESHOW", u"Slideshow", 0, 9, 1, {u"OFF", u"ON"}, 1},
      {u"BOOT_PIC", u"Boot Pic", 0, 10, 1, {u"OFF", u"ON"}, 1},
      {u"POWER_SAVING", u"Power Saving", 0, 11, 2, {u"OFF", u"1 min", u"3 min"}, 1},
      {u"BEEP", u"Beep", 0, 13, 1, {u"OFF", u"ON"}, 1},
      {u"DATE_STAMP", u"Date Stamp", 0, 14, 1, {u"OFF", u"ON"}, 1},
      {u"FLICKER", u"Flicker", 0, 15, 1, {u"50 Hz", u"60 Hz"}, 1},
      {u"VOLUME", u"Volume", 1, 0, 4, {u"Off", u"1", u"2", u"3"}, 1},
      {u"VOICE_RECORDING", u"Voice Recording", 1, 4, 1, {u"OFF", u"ON"}, 1},
      {u"LANGUAGE", u"Language", 1, 5, 4, {u"English", u"繁中", u"簡中"}, 0},
      {u"RECORD_LED_OFF", u"Record LED Off", 1, 9, 1, {u"ON", u"OFF"}, 0},
      {u"EV", u"EV", 1, 12, 3, {u"-1", u"-0.5", u"0", u"+0.5", u"+1", u"+1.5", u"+2"}, 2},
      {u"FLIP", u"Roate Video 180°", 1, 15, 1, {u"OFF", u"ON"}, 1},
      {u"SNAP_SELF_TIMER",
       u"Snap Self Timer",
       2,
       0,
       3,
       {u"OFF", u"5 sec", u"10 sec", u"15 sec"},
       0},
      {u"USB_MODE", u"USB Mode", 2, 3, 2, {u"Disk", u"PC Cam"}, 0},
      {u"SNAP_CNT", u"Snap Count", 2, 5, 3, {u"1", u"2", u"3"}, 0},
      {u"WAIT_CHARGE", u"Wait Charge", 10, 0, 1, {u"Off", u"On"}, 0},
      {u"SHOW_LOGO_TIME",
       u"Show Logo Time",
       10,
       1,
       4,
       {u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"10"},
       3},
      {u"DEBUG_LEVEL", u"Debug Level", 14, 0, 2, {u"0", u"1", u"2", u"3"}, 0},
      {u"USE_USB_POWER", u"Use USB Power", 14, 2, 1, {u"Off", u"On"}, 0},
      {u"TEST_MODE", u"Test Mode", 14, 3, 2, {u"0", u"1", u"2", u"3"}, 0},
      {u"AE_LOG_FILE", u"AE Log FILE", 14, 5, 1, {u"Off", u"On"}, 0},
      {u"DISABLE_OSD_INFO", u"Disable OSD Info", 14, 6, 1, {u"Off", u"On"}, 0},
      {u"NON_LCD_PREVIEW", u"Non LCD Preview", 14, 7, 1, {u"Off", u"On"}, 0},
      {u"TEST_KAVRIN", u"Kavrin", 16, 0, 1, {u"Off", u"On"}, 0},
      {u"TEST_KEY", u"Key", 16, 1, 1, {u"Off", u"On"}, 0},
      {u"TEST_G_SENSOR", u"G sensor", 16, 2, 1, {u"Off", u"On"}, 0},
      {u"TEST_RTC", u"RTC", 16, 3, 1, {u"Off", u"On"}, 0},
      {u"TEST_TV_OUT", u"TV out", 16, 4, 1, {u"Off", u"On"}, 0},
      {u"TEST_POWER_KEY", u"Power Key", 16, 5, 1, {u"Off", u"On"}, 0},
  };
  return sections;
}

std::u16string Key(std::string_view ascii) { return FromUtf8(ascii); }

void PrintTo(const ItemSection& s, std::ostream* out) { *out << ToUtf8(s.name); }

class EmbeddedItemSectionTest : public testing::TestWithParam<ItemSection> {};

TEST_P(EmbeddedItemSectionTest, HoldsItsValuesWithKeysInOrder) {
  const ItemSection& s = GetParam();
  const ProfileFile& p = EmbeddedProfile();
  EXPECT_EQ(p.ReadString(s.name, u"TITLE", u"?", 260), s.title);
  EXPECT_EQ(p.ReadInt(s.name, u"WORD_IDX", 999), s.word);
  EXPECT_EQ(p.ReadInt(s.name, u"START_BIT", 999), s.start);
  EXPECT_EQ(p.ReadInt(s.name, u"DATA_LEN", 999), s.length);
  EXPECT_EQ(p.ReadInt(s.name, u"OPTION_NO", 999), s.options.size());
  std::vector<std::u16string> keys = {u"TITLE", u"WORD_IDX", u"START_BIT", u"DATA_LEN",
                                      u"OPTION_NO"};
  for (std::size_t k = 0; k < s.options.size(); ++k) {
    const std::u16string key = Key("OPTION_" + std::to_string(k));
    EXPECT_EQ(p.ReadString(s.name, key, u"?", 260), s.options[k]) << k;
    keys.push_back(key);
  }
  keys.push_back(u"DEFAULT_OPTION");
  EXPECT_EQ(p.ReadInt(s.name, u"DEFAULT_OPTION", 999), s.defaultOption);
  EXPECT_EQ(p.KeyNames(s.name), keys);
}

INSTANTIATE_TEST_SUITE_P(Sections, EmbeddedItemSectionTest, testing::ValuesIn(ItemSections()),
                         [](const testing::TestParamInfo<ItemSection>& param) {
                           return ToUtf8(param.param.name);
                         });

struct PanelSection {
  std::u16string_view name;
  std::vector<std::pair<std::u16string, std::u16string>> entries;  // key order as shipped
};

std::vector<std::pair<std::u16string, std::u16string>> ListKeys(
    const std::vector<std::u16string_view>& names, std::u16string_view countKey, uint32_t count) {
  std::vector<std::pair<std::u16string, std::u16string>> entries = {
      {std::u16string(countKey), FromUtf8(std::to_string(count))}};
  for (std::size_t i = 0; i < names.size(); ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "ITEM_%03zu", i);
    entries.emplace_back(Key(key), std::u16string(names[i]));
  }
  return entries;
}

const std::vector<PanelSection>& PanelSections() {
  static const std::vector<PanelSection> sections = [] {
    std::vector<std::u16string_view> itemNames = {
        u"CYCLE_TIME", u"TV_SYSTEM",       u"SLIDESHOW",       u"POWER_SAVING",   u"DATE_STAMP",
        u"FLICKER",    u"VOLUME",          u"VOICE_RECORDING", u"RECORD_LED_OFF", u"EV",
        u"FLIP",       u"SNAP_SELF_TIMER", u"SNAP_CNT"};
    itemNames.resize(30, u"");
    const std::vector<std::u16string_view> languages = {
        u"英文", u"德文", u"法文", u"義大利文", u"荷蘭文", u"西班牙文", u"葡萄牙文", u"簡中",
        u"繁中", u"日文", u"韓文", u"俄文",     u"泰文",   u"土耳其文", u"瑞典文",   u"巴西文"};
    const int select[] = {1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 1, 0, 0, 0};
    const int enable[] = {1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 1, 1, 0, 0, 0};
    PanelSection titles{u"LANGUAGE_TITLE_LIST", {}};
    PanelSection selects{u"LANGUAGE_SELECT_LIST", {}};
    PanelSection enables{u"LANGUAGE_ENABLE_LIST", {}};
    for (int i = 0; i < 16; ++i) {
      char key[8];
      std::snprintf(key, sizeof key, "%02d", i);
      titles.entries.emplace_back(Key(key), std::u16string(languages[i]));
      selects.entries.emplace_back(Key(key), Key(std::to_string(select[i])));
      enables.entries.emplace_back(Key(key), Key(std::to_string(enable[i])));
    }
    return std::vector<PanelSection>{
        {u"DEVICE", {{u"NO", u"2"}, {u"0", u"ZK742"}, {u"1", u"Driving Recorder"}}},
        {u"DATE_STAMP_LOGO",
         {{u"START_X", u"350"},
          {u"START_Y", u"180"},
          {u"DISPLAY_WIDTH", u"160"},
          {u"DISPLAY_HEIGHT", u"20"},
          {u"LIST_BOX_HEIGHT", u"300"},
          {u"OPTION_GAP_Y", u"2"},
          {u"TITLE", u"Date Stamp Logo"},
          {u"START_WORD", u"22"},
          {u"WORD_LEN", u"8"},
          {u"NO", u"1"},
          {u"LOGO_00", u""},
          {u"LOGO_01", u""},
          {u"LOGO_02", u""},
          {u"LOGO_03", u""}}},
        {u"LANGUAGE_LAYOUT",
         {{u"START_X", u"656"},
          {u"START_Y", u"140"},
          {u"DISPLAY_WIDTH", u"160"},
          {u"DISPLAY_HEIGHT", u"20"},
          {u"LIST_BOX_HEIGHT", u"300"},
          {u"OPTION_GAP_Y", u"2"},
          {u"NO", u"16"},
          {u"TITLE", u"支援語言"},
          {u"WORD_IDX", u"1"},
          {u"START_BIT", u"5"},
          {u"DATA_LEN", u"4"},
          {u"MASK_START_WORD", u"5"}}},
        titles,
        selects,
        enables,
        {u"TEST_ITEM_LIST",
         ListKeys({u"TEST_KEY", u"TEST_G_SENSOR", u"TEST_RTC", u"TEST_TV_OUT", u"TEST_POWER_KEY"},
                  u"ITEM_NO", 0)},
        {u"ITEM_LIST", ListKeys(itemNames, u"ITEM_NO", 11)},
        {u"ITEM_LAYOUT",
         {{u"START_X", u"20"},
          {u"START_Y", u"90"},
          {u"LINE_SHIFT", u"30"},
          {u"TITLE_SHIFT", u"4"},
          {u"TITLE_WIDTH", u"180"},
          {u"OPTION_WIDTH", u"120"},
          {u"TITLE_OPTION_GAP", u"6"},
          {u"ITEM_HEIGHT", u"20"},
          {u"OPTION_HEIGHT", u"300"},
          {u"ITEM_PER_COL", u"18"}}},
        {u"INFO_LAYOUT",
         {{u"START_X", u"350"},
          {u"START_Y", u"100"},
          {u"TITLE_WIDTH", u"120"},
          {u"CONTENT_WIDTH", u"140"},
          {u"TITLE_CONTENT_GAP", u"4"},
          {u"ITEM_HEIGHT", u"20"},
          {u"LINE_SHIFT", u"20"},
          {u"ITEM_NO", u"3"},
          {u"TITLE_000", u"Model"},
          {u"TITLE_001", u"HW Ver"},
          {u"TITLE_002", u"FW Ver"},
          {u"TITLE_003", u"FW Update"},
          {u"CMD_ID_000", u"MODEL_NAME"},
          {u"CMD_ID_001", u"HW_VERSION"},
          {u"CMD_ID_002", u"FW_VERSION"},
          {u"CMD_ID_003", u"FW_UPDATE_NAME"}}},
        {u"TEST_ITEM_LAYOUT",
         {{u"START_X", u"350"},
          {u"START_Y", u"200"},
          {u"TITLE_WIDTH", u"120"},
          {u"CONTENT_WIDTH", u"120"},
          {u"TITLE_CONTENT_GAP", u"4"},
          {u"ITEM_HEIGHT", u"20"},
          {u"LINE_SHIFT", u"20"}}},
        {u"WINDOW_LAYOUT", {{u"WIDTH", u"600"}, {u"HEIGHT", u"500"}}},
    };
  }();
  return sections;
}

void PrintTo(const PanelSection& s, std::ostream* out) { *out << ToUtf8(s.name); }

class EmbeddedPanelSectionTest : public testing::TestWithParam<PanelSection> {};

TEST_P(EmbeddedPanelSectionTest, HoldsItsValuesWithKeysInOrder) {
  const PanelSection& s = GetParam();
  const ProfileFile& p = EmbeddedProfile();
  std::vector<std::u16string> keys;
  for (const auto& [key, value] : s.entries) {
    EXPECT_EQ(p.ReadString(s.name, key, u"?", 260), value) << ToUtf8(key);
    keys.push_back(key);
  }
  EXPECT_EQ(p.KeyNames(s.name), keys);
}

INSTANTIATE_TEST_SUITE_P(Sections, EmbeddedPanelSectionTest, testing::ValuesIn(PanelSections()),
                         [](const testing::TestParamInfo<PanelSection>& param) {
                           return ToUtf8(param.param.name);
                         });

TEST(EmbeddedDefaultLoadTest, ShowsElevenItemsCycleTimeToFlip) {
  const ConfigFile& c = EmbeddedConfig();
  const std::vector<std::u16string_view> names = {
      u"CYCLE_TIME",     u"TV_SYSTEM", u"SLIDESHOW", u"POWER_SAVING",
      u"DATE_STAMP",     u"FLICKER",   u"VOLUME",    u"VOICE_RECORDING",
      u"RECORD_LED_OFF", u"EV",        u"FLIP"};
  ASSERT_EQ(c.items.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto shipped = std::find_if(ItemSections().begin(), ItemSections().end(),
                                      [&](const ItemSection& s) { return s.name == names[i]; });
    ASSERT_NE(shipped, ItemSections().end());
    const SettingItem& item = c.items[i];
    EXPECT_EQ(item.title, shipped->title) << i;
    EXPECT_EQ(item.wordIndex, shipped->word) << i;
    EXPECT_EQ(item.startBit, shipped->start) << i;
    EXPECT_EQ(item.bitLength, shipped->length) << i;
    EXPECT_EQ(item.option, shipped->defaultOption) << i;
    EXPECT_EQ(item.options, shipped->options) << i;
  }
  EXPECT_EQ(c.items[9].options.size(), 7u);  // EV
  EXPECT_EQ(c.items[9].options[c.items[9].option], u"0");
  EXPECT_TRUE(c.testItems.empty());
}

TEST(EmbeddedDefaultLoadTest, PanelsAndNames) {
  const ConfigFile& c = EmbeddedConfig();
  ASSERT_EQ(c.infoPanel.rows.size(), 3u);
  EXPECT_EQ(c.infoPanel.rows[0].title, u"Model");
  EXPECT_EQ(c.infoPanel.rows[0].commandCode, 4u);
  EXPECT_EQ(c.infoPanel.rows[1].title, u"HW Ver");
  EXPECT_EQ(c.infoPanel.rows[1].commandCode, 7u);
  EXPECT_EQ(c.infoPanel.rows[2].title, u"FW Ver");
  EXPECT_EQ(c.infoPanel.rows[2].commandCode, 5u);
  EXPECT_EQ(c.logoPanel.logoCount, 1u);
  EXPECT_EQ(c.logoPanel.logoTexts[0], u"");
  EXPECT_EQ(c.testPanel.titleWidth, 120u);  // TITLE_WIDTH there is not read; built-in 120
  EXPECT_EQ(c.languagePanel.entryCount, 16u);
  EXPECT_EQ(c.languagePanel.title, u"支援語言");
  EXPECT_EQ(c.languagePanel.entries[11].title, u"俄文");
  EXPECT_EQ(c.languagePanel.entries[11].selectFlag, 0u);
  EXPECT_EQ(c.languagePanel.entries[11].enableFlag, 1u);
  EXPECT_EQ(c.languagePanel.entries[16].title, u"Not Defined");  // beyond the count: unread
  ASSERT_EQ(c.friendlyNameCount, 2u);
  EXPECT_EQ(c.friendlyNames[0], u"ZK742");
  EXPECT_EQ(c.friendlyNames[1], u"Driving Recorder");
  Extent extent;
  c.GetWindowExtent(&extent);
  EXPECT_EQ(extent.right, 600);
  EXPECT_EQ(extent.bottom, 500);
}

}  // namespace
}  // namespace kavrin
