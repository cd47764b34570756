// Loading KAVRIN_CFG.ini into the configuration: built-in defaults, bounds, unusual files.
#include "config/config_file.h"

#include <gtest/gtest.h>

#include <functional>

#include "config/text_codec.h"
#include "tests/config/embedded_text.h"
#include "tests/config/ini_bytes.h"

namespace kavrin {
namespace {

using test::EmbeddedDefaultUtf8;
using test::Replaced;

ConfigFile Loaded(std::string_view text) {
  ConfigFile config("unused");
  config.ParseBytes(test::Bytes(text));
  config.LoadSections();
  return config;
}

using Field = std::function<uint32_t(const ConfigFile&)>;

struct FieldCase {
  const char* section;
  const char* key;
  uint32_t builtIn;
  Field field;
};

// Every layout and panel key with the built-in default its reader uses.
const std::vector<FieldCase>& LayoutFields() {
  static const std::vector<FieldCase> fields = {
      {"ITEM_LAYOUT", "START_X", 20, [](const ConfigFile& c) { return c.itemLayout.x; }},
      {"ITEM_LAYOUT", "START_Y", 50, [](const ConfigFile& c) { return c.itemLayout.y; }},
      {"ITEM_LAYOUT", "LINE_SHIFT", 30, [](const ConfigFile& c) { return c.itemLayout.lineShift; }},
      {"ITEM_LAYOUT", "TITLE_SHIFT", 4,
       [](const ConfigFile& c) { return c.itemLayout.titleShift; }},
      {"ITEM_LAYOUT", "TITLE_WIDTH", 140,
       [](const ConfigFile& c) { return c.itemLayout.titleWidth; }},
      {"ITEM_LAYOUT", "OPTION_WIDTH", 120,
       [](const ConfigFile& c) { return c.itemLayout.optionWidth; }},
      {"ITEM_LAYOUT", "TITLE_OPTION_GAP", 4,
       [](const ConfigFile& c) { return c.itemLayout.titleOptionGap; }},
      {"ITEM_LAYOUT", "ITEM_HEIGHT", 16,
       [](const ConfigFile& c) { return c.itemLayout.itemHeight; }},
      {"ITEM_LAYOUT", "OPTION_HEIGHT", 300,
       [](const ConfigFile& c) { return c.itemLayout.optionHeight; }},
      {"ITEM_LAYOUT", "ITEM_PER_COL", 20,
       [](const ConfigFile& c) { return c.itemLayout.itemsPerColumn; }},
      {"WINDOW_LAYOUT", "WIDTH", 320, [](const ConfigFile& c) { return c.windowLayout.width; }},
      {"WINDOW_LAYOUT", "HEIGHT", 440, [](const ConfigFile& c) { return c.windowLayout.height; }},
      {"LANGUAGE_LAYOUT", "START_X", 320, [](const ConfigFile& c) { return c.languagePanel.x; }},
      {"LANGUAGE_LAYOUT", "START_Y", 40, [](const ConfigFile& c) { return c.languagePanel.y; }},
      {"LANGUAGE_LAYOUT", "DISPLAY_WIDTH", 60,
       [](const ConfigFile& c) { return c.languagePanel.width; }},
      {"LANGUAGE_LAYOUT", "DISPLAY_HEIGHT", 20,
       [](const ConfigFile& c) { return c.languagePanel.height; }},
      {"LANGUAGE_LAYOUT", "LIST_BOX_HEIGHT", 300,
       [](const ConfigFile& c) { return c.languagePanel.listHeight; }},
      {"LANGUAGE_LAYOUT", "OPTION_GAP_Y", 2,
       [](const ConfigFile& c) { return c.languagePanel.gap; }},
      {"LANGUAGE_LAYOUT", "No", 0, [](const ConfigFile& c) { return c.languagePanel.entryCount; }},
      {"LANGUAGE_LAYOUT", "WORD_IDX", 1,
       [](const ConfigFile& c) { return c.languagePanel.wordIndex; }},
      {"LANGUAGE_LAYOUT", "START_BIT", 5,
       [](const ConfigFile& c) { return c.languagePanel.startBit; }},
      {"LANGUAGE_LAYOUT", "DATA_LEN", 4,
       [](const ConfigFile& c) { return c.languagePanel.bitLength; }},
      {"LANGUAGE_LAYOUT", "MASK_START_WORD", 5,
       [](const ConfigFile& c) { return c.languagePanel.maskStartWord; }},
      {"DATE_STAMP_LOGO", "START_X", 320, [](const ConfigFile& c) { return c.logoPanel.x; }},
      {"DATE_STAMP_LOGO", "START_Y", 50, [](const ConfigFile& c) { return c.logoPanel.y; }},
      {"DATE_STAMP_LOGO", "DISPLAY_WIDTH", 140,
       [](const ConfigFile& c) { return c.logoPanel.width; }},
      {"DATE_STAMP_LOGO", "DISPLAY_HEIGHT", 20,
       [](const ConfigFile& c) { return c.logoPanel.height; }},
      {"DATE_STAMP_LOGO", "LIST_BOX_HEIGHT", 300,
       [](const ConfigFile& c) { return c.logoPanel.listHeight; }},
      {"DATE_STAMP_LOGO", "OPTION_GAP_Y", 2, [](const ConfigFile& c) { return c.logoPanel.gap; }},
      {"DATE_STAMP_LOGO", "NO", 0, [](const ConfigFile& c) { return c.logoPanel.logoCount; }},
      {"DATE_STAMP_LOGO", "START_WORD", 22,
       [](const ConfigFile& c) { return c.logoPanel.startWord; }},
      {"DATE_STAMP_LOGO", "WORD_LEN", 8,
       [](const ConfigFile& c) { return c.logoPanel.wordLength; }},
      {"INFO_LAYOUT", "START_X", 520, [](const ConfigFile& c) { return c.infoPanel.x; }},
      {"INFO_LAYOUT", "START_Y", 50, [](const ConfigFile& c) { return c.infoPanel.y; }},
      {"INFO_LAYOUT", "TITLE_WIDTH", 120,
       [](const ConfigFile& c) { return c.infoPanel.titleWidth; }},
      {"INFO_LAYOUT", "CONTENT_WIDTH", 140,
       [](const ConfigFile& c) { return c.infoPanel.contentWidth; }},
      {"INFO_LAYOUT", "TITLE_CONTENT_GAP", 4, [](const ConfigFile& c) { return c.infoPanel.gap; }},
      {"INFO_LAYOUT", "ITEM_HEIGHT", 20, [](const ConfigFile& c) { return c.infoPanel.rowHeight; }},
      {"INFO_LAYOUT", "LINE_SHIFT", 20, [](const ConfigFile& c) { return c.infoPanel.lineShift; }},
      {"TEST_ITEM_LAYOUT", "START_X", 520, [](const ConfigFile& c) { return c.testPanel.x; }},
      {"TEST_ITEM_LAYOUT", "START_Y", 120, [](const ConfigFile& c) { return c.testPanel.y; }},
      {"TEST_ITEM_LAYOUT", "ITEM_WIDTH", 120,
       [](const ConfigFile& c) { return c.testPanel.titleWidth; }},
      {"TEST_ITEM_LAYOUT", "CONTENT_WIDTH", 120,
       [](const ConfigFile& c) { return c.testPanel.contentWidth; }},
      {"TEST_ITEM_LAYOUT", "TITLE_CONTENT_GAP", 4,
       [](const ConfigFile& c) { return c.testPanel.gap; }},
      {"TEST_ITEM_LAYOUT", "ITEM_HEIGHT", 20,
       [](const ConfigFile& c) { return c.testPanel.rowHeight; }},
      {"TEST_ITEM_LAYOUT", "LINE_SHIFT", 20,
       [](const ConfigFile& c) { return c.testPanel.lineShift; }},
      {"DEVICE", "NO", 0, [](const ConfigFile& c) { return c.friendlyNameCount; }},
  };
  return fields;
}

TEST(ConfigDefaultsTest, NearlyEmptyFileGivesEveryBuiltInDefault) {
  const ConfigFile config = Loaded("[ITEM_LIST]\nITEM_NO=0\n");
  for (const FieldCase& f : LayoutFields()) {
    EXPECT_EQ(f.field(config), f.builtIn) << f.section << " " << f.key;
  }
  EXPECT_TRUE(config.items.empty());
  EXPECT_TRUE(config.testItems.empty());
  EXPECT_TRUE(config.infoPanel.rows.empty());
  EXPECT_EQ(config.logoPanel.title, u"Date Stamp Logo");
  EXPECT_EQ(config.languagePanel.title, u"Language");
  Extent extent;
  config.GetWindowExtent(&extent);
  EXPECT_EQ(extent.left, 0);
  EXPECT_EQ(extent.top, 0);
  EXPECT_EQ(extent.right, 320);
  EXPECT_EQ(extent.bottom, 440);
  config.GetWindowExtent(nullptr);  // a null rectangle is ignored
}

TEST(ConfigDefaultsTest, EveryKeyLandsInItsOwnField) {
  // Distinct values per key catch a key read into the wrong field or under the wrong name.
  std::string text;
  std::string section;
  for (std::size_t i = 0; i < LayoutFields().size(); ++i) {
    const FieldCase& f = LayoutFields()[i];
    if (section != f.section) text += std::string("[") + f.section + "]\n";
    section = f.section;
    // Counts must stay within their bounds; everything else gets a distinct large number.
    const bool isCount = std::string_view(f.key) == "NO" || std::string_view(f.key) == "No";
    text += std::string(f.key) + "=" + std::to_string(isCount ? i % 10 : 1000 + i) + "\n";
  }
  const ConfigFile config = Loaded(text);
  for (std::size_t i = 0; i < LayoutFields().size(); ++i) {
    const FieldCase& f = LayoutFields()[i];
    const bool isCount = std::string_view(f.key) == "NO" || std::string_view(f.key) == "No";
    EXPECT_EQ(f.field(config), isCount ? i % 10 : 1000 + i) << f.section << " " << f.key;
  }
}

TEST(ConfigDefaultsTest, TitleWidthOfTheTestPanelIsNotRead) {
  const ConfigFile config = Loaded("[TEST_ITEM_LAYOUT]\nTITLE_WIDTH=300\n");
  EXPECT_EQ(config.testPanel.titleWidth, 120u);
}

TEST(ConfigDefaultsTest, HugeWindowSizeIsClampedNotNegative) {
  const ConfigFile config = Loaded("[WINDOW_LAYOUT]\nWIDTH=4294967295\nHEIGHT=-1\n");
  Extent extent;
  config.GetWindowExtent(&extent);
  EXPECT_GT(extent.right, 0);
  EXPECT_GT(extent.bottom, 0);
}

struct BoundCase {
  const char* name;
  const char* file;
  std::function<std::size_t(const ConfigFile&)> count;
  std::size_t expected;
};

void PrintTo(const BoundCase& c, std::ostream* out) { *out << c.name; }

class ConfigBoundsTest : public testing::TestWithParam<BoundCase> {};

TEST_P(ConfigBoundsTest, CountsAreCutToTheirBound) {
  const BoundCase& c = GetParam();
  EXPECT_EQ(c.count(Loaded(c.file)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigBoundsTest,
    testing::Values(
        BoundCase{"items", "[ITEM_LIST]\nITEM_NO=4294967295\n",
                  [](const ConfigFile& c) { return c.items.size(); }, 100},
        BoundCase{"items_negative", "[ITEM_LIST]\nITEM_NO=-1\n",
                  [](const ConfigFile& c) { return c.items.size(); }, 100},
        BoundCase{"items_at_bound", "[ITEM_LIST]\nITEM_NO=100\n",
                  [](const ConfigFile& c) { return c.items.size(); }, 100},
        BoundCase{"options", "[ITEM_LIST]\nITEM_NO=1\nITEM_000=A\n[A]\nOPTION_NO=4294967295\n",
                  [](const ConfigFile& c) { return c.items.at(0).options.size(); }, 1024},
        BoundCase{"test_items", "[TEST_ITEM_LIST]\nITEM_NO=4294967295\n",
                  [](const ConfigFile& c) { return c.testItems.size(); }, 100},
        BoundCase{"info_rows", "[INFO_LAYOUT]\nITEM_NO=4294967295\n",
                  [](const ConfigFile& c) { return c.infoPanel.rows.size(); }, 100},
        BoundCase{"logo_texts", "[DATE_STAMP_LOGO]\nNO=40\n",
                  [](const ConfigFile& c) { return std::size_t{c.logoPanel.logoCount}; }, 32},
        BoundCase{"language_rows", "[LANGUAGE_LAYOUT]\nNO=4294967295\n",
                  [](const ConfigFile& c) { return std::size_t{c.languagePanel.entryCount}; }, 32},
        BoundCase{"device_names", "[DEVICE]\nNO=12\n",
                  [](const ConfigFile& c) { return std::size_t{c.friendlyNameCount}; }, 10}),
    [](const testing::TestParamInfo<BoundCase>& param) { return std::string(param.param.name); });

TEST(ConfigBoundsTest, CappedListsReadTheirLastKeys) {
  std::string text = "[DATE_STAMP_LOGO]\nNO=40\nLOGO_31=last\nLOGO_32=beyond\n[DEVICE]\nNO=12\n";
  for (int i = 0; i < 12; ++i) text += std::to_string(i) + "=name" + std::to_string(i) + "\n";
  const ConfigFile config = Loaded(text);
  EXPECT_EQ(config.logoPanel.logoTexts[31], u"last");
  EXPECT_EQ(config.friendlyNames[9], u"name9");
}

TEST(ConfigBoundsTest, LoadingTwiceAppendsButNeverPastTheBound) {
  ConfigFile config("unused");
  config.ParseBytes(test::Bytes("[ITEM_LIST]\nITEM_NO=60\n[INFO_LAYOUT]\nITEM_NO=60\n"));
  config.LoadSections();
  EXPECT_EQ(config.items.size(), 60u);
  config.LoadSections();
  EXPECT_EQ(config.items.size(), 100u);
  EXPECT_EQ(config.infoPanel.rows.size(), 100u);
}

// The embedded default with one edit, loaded as a file would be.
ConfigFile EditedDefault(std::string_view from, std::string_view to) {
  return Loaded(Replaced(EmbeddedDefaultUtf8(), from, to));
}

std::vector<std::u16string> Titles(const ItemTable& table) {
  std::vector<std::u16string> titles;
  for (const SettingItem& item : table) titles.push_back(item.title);
  return titles;
}

TEST(ConfigItemsTest, RaisingItemNoShowsTheNamedButUnreadItems) {
  const ConfigFile thirteen = EditedDefault("ITEM_NO=11\r\n", "ITEM_NO=13\r\n");
  ASSERT_EQ(thirteen.items.size(), 13u);
  EXPECT_EQ(thirteen.items[10].title, u"Roate Video 180°");
  EXPECT_EQ(thirteen.items[11].title, u"Snap Self Timer");
  EXPECT_EQ(thirteen.items[12].title, u"Snap Count");

  const ConfigFile fourteen = EditedDefault("ITEM_NO=11\r\n", "ITEM_NO=14\r\n");
  ASSERT_EQ(fourteen.items.size(), 14u);
  const SettingItem& empty = fourteen.items[13];
  EXPECT_EQ(empty.title, u"");
  EXPECT_TRUE(empty.options.empty());
  EXPECT_EQ(empty.wordIndex, 0u);
  EXPECT_EQ(empty.startBit, 0u);
  EXPECT_EQ(empty.bitLength, 0u);
  EXPECT_EQ(empty.option, 0u);
}

TEST(ConfigItemsTest, MissingSectionGivesAnAllDefaultItem) {
  const ConfigFile config = Loaded("[ITEM_LIST]\nITEM_NO=1\nITEM_000=NOWHERE\n");
  ASSERT_EQ(config.items.size(), 1u);
  EXPECT_EQ(config.items[0].title, u"");
  EXPECT_TRUE(config.items[0].options.empty());
  EXPECT_EQ(config.items[0].bitLength, 0u);
}

TEST(ConfigItemsTest, EmptyNameDoesNotReadASectionWithAnEmptyName) {
  const ConfigFile config =
      Loaded("[ITEM_LIST]\nITEM_NO=1\nITEM_000=\n[]\nTITLE=odd\nDATA_LEN=3\n");
  ASSERT_EQ(config.items.size(), 1u);
  EXPECT_EQ(config.items[0].title, u"");
  EXPECT_EQ(config.items[0].bitLength, 0u);
}

TEST(ConfigItemsTest, SameSectionTwiceGivesTwoItemsOnTheSameBits) {
  const ConfigFile config = EditedDefault("ITEM_001=TV_SYSTEM", "ITEM_001=CYCLE_TIME");
  ASSERT_GE(config.items.size(), 2u);
  EXPECT_EQ(config.items[0].title, config.items[1].title);
  EXPECT_EQ(config.items[1].wordIndex, 0u);
  EXPECT_EQ(config.items[1].startBit, 4u);
  EXPECT_EQ(config.items[1].bitLength, 4u);
  EXPECT_EQ(config.items[1].options, config.items[0].options);
}

TEST(ConfigItemsTest, AbsentOptionKeyGivesAnEmptyOption) {
  const ConfigFile config = Loaded(
      "[ITEM_LIST]\nITEM_NO=1\nITEM_000=A\n[A]\nOPTION_NO=3\nOPTION_0=x\nOPTION_2=z\nDEFAULT_"
      "OPTION=9\n");
  ASSERT_EQ(config.items.size(), 1u);
  EXPECT_EQ(config.items[0].options, (std::vector<std::u16string>{u"x", u"", u"z"}));
  EXPECT_EQ(config.items[0].option, 9u);  // kept even though it names no option
}

TEST(ConfigItemsTest, LargerIndexTakesMoreDigits) {
  const ConfigFile config = Loaded(
      "[ITEM_LIST]\nITEM_NO=1\nITEM_000=A\n[A]\nOPTION_NO=1001\nOPTION_9=nine\nOPTION_09=not read\n"
      "OPTION_1000=last\n");
  ASSERT_EQ(config.items.at(0).options.size(), 1001u);
  EXPECT_EQ(config.items[0].options[9], u"nine");
  EXPECT_EQ(config.items[0].options[1000], u"last");
}

TEST(ConfigItemsTest, LowerCaseCountKeyIsFound) {
  const ConfigFile config = Loaded("[item_list]\nitem_no=2\n");
  EXPECT_EQ(config.items.size(), 2u);
}

TEST(ConfigItemsTest, TestItemsReadNoOptionsAndGiveTheirTestCodes) {
  const ConfigFile config = EditedDefault("ITEM_NO=0\r\n", "ITEM_NO=5\r\n");
  EXPECT_EQ(Titles(config.testItems),
            (std::vector<std::u16string>{u"Key", u"G sensor", u"RTC", u"TV out", u"Power Key"}));
  const uint16_t codes[] = {0x1011, 0x1021, 0x1031, 0x1041, 0x1051};
  for (std::size_t i = 0; i < config.testItems.size(); ++i) {
    EXPECT_EQ(TestCode(config.testItems[i]), codes[i]) << i;
    EXPECT_TRUE(config.testItems[i].options.empty()) << i;
    EXPECT_EQ(config.testItems[i].option, 0u) << i;
  }
}

TEST(ConfigPanelsTest, LogoTextIsCutTo31Characters) {
  const ConfigFile config =
      Loaded("[DATE_STAMP_LOGO]\nNO=1\nLOGO_00=" + std::string(40, 'L') + "\n");
  EXPECT_EQ(config.logoPanel.logoTexts[0], std::u16string(31, u'L'));
}

TEST(ConfigPanelsTest, CommandNamesMatchExactlyIncludingCase) {
  const ConfigFile config = Loaded(
      "[INFO_LAYOUT]\nITEM_NO=6\nCMD_ID_000=MODEL_NAME\nCMD_ID_001=FW_VERSION\n"
      "CMD_ID_002=FW_UPDATE_NAME\nCMD_ID_003=HW_VERSION\nCMD_ID_004=model_name\nTITLE_005=T\n");
  ASSERT_EQ(config.infoPanel.rows.size(), 6u);
  const uint32_t codes[] = {4, 5, 6, 7, 0, 0};
  for (std::size_t i = 0; i < 6; ++i)
    EXPECT_EQ(config.infoPanel.rows[i].commandCode, codes[i]) << i;
  EXPECT_EQ(config.infoPanel.rows[5].title, u"T");  // a row without a name is still shown
}

TEST(ConfigPanelsTest, FourthInformationRowAppearsWithItemNo4) {
  const ConfigFile config = EditedDefault("ITEM_NO=3\r\n", "ITEM_NO=4\r\n");
  ASSERT_EQ(config.infoPanel.rows.size(), 4u);
  EXPECT_EQ(config.infoPanel.rows[3].title, u"FW Update");
  EXPECT_EQ(config.infoPanel.rows[3].commandCode, 6u);
}

TEST(ConfigPanelsTest, MissingLayoutSectionsFallBackToBuiltIns) {
  std::string text = EmbeddedDefaultUtf8();
  text = Replaced(text, "[WINDOW_LAYOUT]", "[WINDOW_LAYOUT_GONE]");
  text = Replaced(text, "[ITEM_LAYOUT]", "[ITEM_LAYOUT_GONE]");
  const ConfigFile config = Loaded(text);
  Extent extent;
  config.GetWindowExtent(&extent);
  EXPECT_EQ(extent.right, 320);
  EXPECT_EQ(extent.bottom, 440);
  EXPECT_EQ(config.itemLayout.itemsPerColumn, 20u);
  EXPECT_EQ(config.itemLayout.x, 20u);
  EXPECT_EQ(config.items.size(), 11u);  // the rest of the file still reads
}

TEST(ConfigPanelsTest, TestPanelWidthComesFromItemWidth) {
  const ConfigFile config =
      EditedDefault("[TEST_ITEM_LAYOUT]\r\n", "[TEST_ITEM_LAYOUT]\r\nITEM_WIDTH=200\r\n");
  EXPECT_EQ(config.testPanel.titleWidth, 200u);
}

TEST(ConfigPanelsTest, MissingLanguageTitleIsNotDefined) {
  const ConfigFile config = EditedDefault("05=西班牙文\r\n", "");
  ASSERT_EQ(config.languagePanel.entryCount, 16u);
  EXPECT_EQ(config.languagePanel.entries[5].title, u"Not Defined");
  EXPECT_EQ(config.languagePanel.entries[6].title, u"葡萄牙文");
}

}  // namespace
}  // namespace kavrin
