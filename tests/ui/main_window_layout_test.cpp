// Where the main window puts every run-time control, and which switches show which buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "tests/ui/main_window_harness.h"
#include "ui/dialog_templates.h"

namespace kavrin::test {
namespace {

using ui::ControlType;
using ui::Rect;
using ui::TextAlign;

struct ItemPlacement {
  uint32_t item;
  Rect label;
  Rect list;
};

struct LayoutCase {
  const char* name;
  std::string config;  // empty: no KAVRIN_CFG.ini at all
  std::size_t itemCount;
  std::size_t columns;
  std::vector<ItemPlacement> placements;
};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

std::string NamedItems(int count, int itemsPerColumn) {
  std::string text = "[ITEM_LIST]\nITEM_NO=" + std::to_string(count) + "\n";
  for (int i = 0; i < count; ++i)
    text += "ITEM_" + std::string(i < 10 ? "00" : "0") + std::to_string(i) + "=EV\n";
  if (itemsPerColumn >= 0) {
    text +=
        "[ITEM_LAYOUT]\nSTART_X=20\nSTART_Y=90\nLINE_SHIFT=30\nTITLE_SHIFT=4\nTITLE_WIDTH=180\n"
        "OPTION_WIDTH=120\nTITLE_OPTION_GAP=6\nITEM_HEIGHT=20\nOPTION_HEIGHT=300\nITEM_PER_COL=" +
        std::to_string(itemsPerColumn) + "\n";
  }
  return text;
}

std::vector<LayoutCase> LayoutCases() {
  return {
      {"Shipped",
       "",
       11,
       1,
       {{0, {20, 98, 200, 118}, {206, 94, 326, 394}},
        {1, {20, 128, 200, 148}, {206, 124, 326, 424}},
        {10, {20, 398, 200, 418}, {206, 394, 326, 694}}}},
      {"ShippedSecondColumn",
       NamedItems(19, -1) + ShippedConfig(),
       19,
       2,
       {{17, {20, 608, 200, 628}, {206, 604, 326, 904}},
        {18, {326, 98, 506, 118}, {512, 94, 632, 394}}}},
      // Only the list: every ITEM_LAYOUT key takes its built-in value.
      {"AllDefaults",
       "[ITEM_LIST]\nITEM_NO=21\n",
       21,
       2,
       {{0, {20, 58, 160, 74}, {164, 54, 284, 354}},
        {19, {20, 628, 160, 644}, {164, 624, 284, 924}},
        {20, {284, 58, 424, 74}, {428, 54, 548, 354}}}},
      // Exactly one column's worth: the last row stays in the first column.
      {"FullColumn",
       NamedItems(11, 11) + ShippedConfig(),
       11,
       1,
       {{10, {20, 398, 200, 418}, {206, 394, 326, 694}}}},
      // No column break at all rather than a division by zero.
      {"ZeroPerColumnIsOneColumn",
       NamedItems(25, 0) + ShippedConfig(),
       25,
       1,
       {{24, {20, 818, 200, 838}, {206, 814, 326, 1114}}}},
  };
}

class ItemPlacementTest : public MainWindowTest,
                          public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ItemPlacementTest, LabelsAndListsStandAtTheirRects) {
  const LayoutCase& c = GetParam();
  if (!c.config.empty()) WriteConfig(c.config);
  MainDialog& w = Open();
  ASSERT_EQ(w.items.size(), c.itemCount);
  for (const ItemPlacement& p : c.placements) {
    SCOPED_TRACE(p.item);
    const SettingItem& item = w.items[p.item];
    ASSERT_NE(item.labelControl, nullptr);
    ASSERT_NE(item.selectControl, nullptr);
    EXPECT_EQ(item.labelControl->Geometry(), p.label);
    EXPECT_EQ(item.selectControl->Geometry(), p.list);
    EXPECT_EQ(item.selectControl->Id(), IDC_ITEM_BASE + static_cast<int>(p.item));
  }
  // A full column never opens the next one.
  std::set<int> columnLefts;
  for (const SettingItem& item : w.items) columnLefts.insert(item.labelControl->Geometry().left);
  EXPECT_EQ(columnLefts.size(), c.columns);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ItemPlacementTest, ::testing::ValuesIn(LayoutCases()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(MainWindowTest, ItemRowsCarryTheirTitlesOptionsAndDefaultSelection) {
  MainDialog& w = Open();
  const SettingItem& ev = w.items[9];
  EXPECT_EQ(ev.labelControl->Text(), u"EV");
  auto& label = *dynamic_cast<ui::headless::HeadlessControl*>(ev.labelControl);
  EXPECT_EQ(label.State().params.align, TextAlign::Right);
  EXPECT_TRUE(label.IsVisible());
  ui::headless::HeadlessControl& list = Ctrl(IDC_ITEM_BASE + 9);
  EXPECT_EQ(list.Type(), ControlType::DropDownList);
  EXPECT_TRUE(list.State().params.autoHScroll);
  EXPECT_EQ(list.State().entries,
            (std::vector<std::u16string>{u"-1", u"-0.5", u"0", u"+0.5", u"+1", u"+1.5", u"+2"}));
  EXPECT_EQ(list.GetCurSel(), 2);
  EXPECT_EQ(list.Text(), u"0");
  EXPECT_TRUE(list.IsVisible());
  EXPECT_EQ(list.Font(), ui::FontChoice::ControlDefault);
  EXPECT_EQ(w.items[10].labelControl->Text(), u"Roate Video 180°");
}

TEST_F(MainWindowTest, DefaultOptionBeyondTheOptionsShowsAnEmptyList) {
  WriteShippedConfigWith(
      "[ITEM_LIST]\nITEM_NO=1\nITEM_000=ODD\n[ODD]\nTITLE=Odd\nWORD_IDX=2\nSTART_BIT=0\n"
      "DATA_LEN=4\nOPTION_NO=2\nOPTION_0=a\nOPTION_1=b\nDEFAULT_OPTION=5\n");
  Open();
  EXPECT_EQ(Ctrl(IDC_ITEM_BASE).GetCurSel(), -1);
  EXPECT_EQ(Ctrl(IDC_ITEM_BASE).Text(), u"");
  // The start-up copy stores "no selection" as all ones in the 4-bit field.
  EXPECT_EQ(window->GetBits(2, 0, 4), 15u);
}

TEST_F(MainWindowTest, LogoInfoAndTestPanelsStandAtTheirRects) {
  WriteShippedConfigWith("[TEST_ITEM_LIST]\nITEM_NO=2\nITEM_000=TEST_KEY\nITEM_001=TEST_RTC\n");
  MainDialog& w = Open();

  auto* logoLabel = dynamic_cast<ui::headless::HeadlessControl*>(w.logoPanel.labelControl);
  ASSERT_NE(logoLabel, nullptr);
  EXPECT_EQ(logoLabel->Geometry(), (Rect{350, 180, 510, 200}));
  EXPECT_EQ(logoLabel->Text(), u"Date Stamp Logo");
  EXPECT_EQ(logoLabel->State().params.align, TextAlign::Left);
  ui::headless::HeadlessControl& logo = Ctrl(IDC_LOGO);
  EXPECT_EQ(w.logoPanel.selectControl, &logo);
  EXPECT_EQ(logo.Type(), ControlType::DropDownBox);
  EXPECT_EQ(logo.Geometry(), (Rect{350, 202, 510, 502}));
  EXPECT_EQ(logo.State().entries, (std::vector<std::u16string>{u""}));
  EXPECT_EQ(logo.GetCurSel(), 0);

  const char16_t* infoTitles[] = {u"Model : ", u"HW Ver : ", u"FW Ver : "};
  ASSERT_EQ(w.infoPanel.rows.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const int y = 100 + 20 * i;
    const InfoItem& row = w.infoPanel.rows[i];
    EXPECT_EQ(row.labelControl->Geometry(), (Rect{350, y, 470, y + 20}));
    EXPECT_EQ(row.labelControl->Text(), infoTitles[i]);
    ui::headless::HeadlessControl& content = Ctrl(IDC_INFO_CONTENT_BASE + i);
    EXPECT_EQ(row.contentControl, &content);
    EXPECT_EQ(content.Geometry(), (Rect{474, y, 614, y + 20}));
    EXPECT_EQ(content.Type(), ControlType::Edit);
    EXPECT_TRUE(content.State().params.readOnly);
    EXPECT_FALSE(content.State().params.border);
    EXPECT_TRUE(content.IsVisible());
  }

  const char16_t* testTitles[] = {u"Key : ", u"RTC : "};
  ASSERT_EQ(w.testItems.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const int y = 200 + 20 * i;
    // The shipped TEST_ITEM_LAYOUT writes TITLE_WIDTH, which the section does not read: the
    // label keeps the built-in width of 120.
    EXPECT_EQ(w.testItems[i].labelControl->Geometry(), (Rect{350, y, 470, y + 20}));
    EXPECT_EQ(w.testItems[i].labelControl->Text(), testTitles[i]);
    ui::headless::HeadlessControl& result = Ctrl(IDC_TEST_RESULT_BASE + i);
    EXPECT_EQ(w.testItems[i].resultControl, &result);
    EXPECT_EQ(result.Type(), ControlType::Label);
    EXPECT_EQ(result.State().params.align, TextAlign::Left);
    EXPECT_EQ(result.Geometry(), (Rect{474, y, 594, y + 20}));
    EXPECT_EQ(result.Text(), u"");  // no recorder
  }
}

TEST_F(MainWindowTest, CommandButtonsAndPathDisplayUseTheDefaultGuiFont) {
  Open();
  const struct {
    int id;
    const char16_t* label;
    Rect rect;
  } buttons[] = {{IDC_SAVE, u"Save", {8, 12, 88, 42}},
                 {IDC_LOAD, u"Load", {95, 12, 175, 42}},
                 {IDC_GET_KAVRIN, u"Get Kavrin", {8, 45, 88, 75}},
                 {IDC_SET_DEFAULT, u"Set Def.", {95, 45, 175, 75}},
                 {IDC_KAVRIN, u"Kavrin", {410, 12, 490, 42}}};
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.id);
    ui::headless::HeadlessControl& button = Ctrl(b.id);
    EXPECT_EQ(button.Type(), ControlType::PushButton);
    EXPECT_EQ(button.Text(), b.label);
    EXPECT_EQ(button.Geometry(), b.rect);
    EXPECT_EQ(button.Font(), ui::FontChoice::DefaultGui);
  }
  ui::headless::HeadlessControl& path = Ctrl(IDC_PATH_DISPLAY);
  EXPECT_EQ(path.Geometry(), (Rect{180, 12, 400, 42}));
  EXPECT_TRUE(path.State().params.multiLine);
  EXPECT_TRUE(path.State().params.readOnly);
  EXPECT_TRUE(path.State().params.clientEdge);
  EXPECT_EQ(path.Font(), ui::FontChoice::DefaultGui);
  // The one line is moved down to the vertical middle of the box.
  const Rect client = path.ClientRect();
  EXPECT_EQ(path.TextRect().top - client.top, (client.Height() - path.FontHeight()) / 2);
  EXPECT_GT(path.TextRect().top, client.top);
}

TEST_F(MainWindowTest, CaptionSizeAndCentring) {
  Open();
  ui::headless::WindowSnapshot shot = Win().Snapshot();
  EXPECT_EQ(shot.title, u"ZK742 User Kavrin Tool 20130418-1");
  // WINDOW_LAYOUT 600 x 500 is the outer size, centred on the 1920 x 1080 screen.
  EXPECT_EQ(shot.outerGeometry, (Rect{660, 290, 1260, 790}));
  EXPECT_EQ(shot.centreCount, 1);
  EXPECT_TRUE(shot.shown);
  EXPECT_FALSE(shot.icon.empty());
}

TEST_F(MainWindowTest, AbsurdWindowLayoutIsKeptWithinReason) {
  WriteShippedConfigWith("[WINDOW_LAYOUT]\nWIDTH=4000000000\nHEIGHT=3000000\n");
  Open();
  const Rect outer = Win().OuterGeometry();
  EXPECT_GE(outer.Width(), 0);
  EXPECT_LE(outer.Width(), ui::headless::HeadlessToolkit::kScreenSize.width);
  EXPECT_LE(outer.Height(), ui::headless::HeadlessToolkit::kScreenSize.height);
}

TEST_F(MainWindowTest, FriendlyNamesGoToTheDeviceLinkInOrder) {
  MainDialog& w = Open();
  ASSERT_EQ(w.Link().NameCount(), 2u);
  EXPECT_EQ(w.Link().DeviceName(0), u"ZK742");
  EXPECT_EQ(w.Link().DeviceName(1), u"Driving Recorder");
}

TEST_F(MainWindowTest, OversizedListsCannotMakeTwoControlsShareAnId) {
  // Far more rows than the id ranges hold: the configuration's bounds keep every range apart.
  WriteShippedConfigWith(
      "[ITEM_LIST]\nITEM_NO=150\n[TEST_ITEM_LIST]\nITEM_NO=150\n"
      "[INFO_LAYOUT]\nSTART_X=350\nSTART_Y=100\nITEM_NO=150\n");
  MainDialog& w = Open();
  EXPECT_LE(w.items.size(), 100u);
  EXPECT_LE(w.testItems.size(), 100u);
  EXPECT_LE(w.infoPanel.rows.size(), 100u);
  std::set<int> ids;
  for (const auto& control : Win().Controls()) {
    if (control->Id() == IDC_STATIC) continue;
    EXPECT_TRUE(ids.insert(control->Id()).second) << "id " << control->Id() << " twice";
  }
  EXPECT_EQ(Ctrl(IDC_LOGO).Type(), ui::ControlType::DropDownBox);
  EXPECT_EQ(Ctrl(IDC_SAVE).Type(), ui::ControlType::PushButton);
}

struct SwitchCase {
  const char* name;
  uint32_t switches;
  std::vector<int> shown;
};
void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }

class SwitchTableTest : public MainWindowTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SwitchTableTest, ShowsExactlyTheSwitchedControls) {
  const SwitchCase& c = GetParam();
  Open(c.switches);
  for (int id :
       {IDC_SAVE, IDC_LOAD, IDC_GET_KAVRIN, IDC_SET_DEFAULT, IDC_KAVRIN, IDC_PATH_DISPLAY}) {
    SCOPED_TRACE(id);
    const bool shown = std::find(c.shown.begin(), c.shown.end(), id) != c.shown.end();
    EXPECT_EQ(Ctrl(id).IsVisible(), shown);
    // Kavrin's enabled state follows the recorder (none here); the others follow the switch.
    EXPECT_EQ(Ctrl(id).IsEnabled(), shown && id != IDC_KAVRIN);
  }
  for (int id : {ui::IDC_OK, ui::IDC_CANCEL, IDC_READ, IDC_WRITE}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(Ctrl(id).IsVisible());
    EXPECT_FALSE(Win().Click(id));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SwitchTableTest,
    ::testing::Values(
        SwitchCase{"Defaults", 0, {IDC_KAVRIN}},
        SwitchCase{"SaveBin", SAVE_BIN, {IDC_KAVRIN, IDC_SAVE}},
        SwitchCase{"LoadBin", LOAD_BIN, {IDC_KAVRIN, IDC_LOAD}},
        SwitchCase{"GetDeviceKavrin", GET_DEVICE_KAVRIN, {IDC_KAVRIN, IDC_GET_KAVRIN}},
        SwitchCase{"SetDefault", SET_DEFAULT, {IDC_KAVRIN, IDC_SET_DEFAULT}},
        SwitchCase{"DisplayFilePath", DISPLAY_FILE_PATH, {IDC_KAVRIN, IDC_PATH_DISPLAY}},
        SwitchCase{
            "ForceAndFlagShowNothingMore", FORCE_KAVRIN | SET_KAVRIN_FLAG | COLSOLE, {IDC_KAVRIN}},
        SwitchCase{
            "Demo",
            0x41710,
            {IDC_KAVRIN, IDC_SAVE, IDC_LOAD, IDC_GET_KAVRIN, IDC_SET_DEFAULT, IDC_PATH_DISPLAY}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(MainWindowTest, ConsoleOpensOnlyWithColsole) {
  for (uint32_t switches : {0u, static_cast<uint32_t>(COLSOLE)}) {
    SCOPED_TRACE(switches);
    int opened = 0;
    window = std::make_unique<MainDialog>(toolkit, *backend);
    window->Flags().SetFlag(switches);
    window->SetConsoleOpener([&opened] { ++opened; });
    ASSERT_TRUE(window->Create());
    EXPECT_EQ(opened, switches == COLSOLE ? 1 : 0);
  }
}

}  // namespace
}  // namespace kavrin::test
