// The copies between the window's controls and the settings block, and the command trace.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/main_window_harness.h"

namespace kavrin::test {
namespace {

constexpr int kVolume = 6;              // word 1, bits 0-3, four options
constexpr std::size_t kLogoByte = 44;   // START_WORD 22
constexpr std::size_t kLogoBytes = 16;  // WORD_LEN 8

// A block file whose logo field holds the text (cut to the field).
std::vector<uint8_t> BlockWithLogo(std::string_view text) {
  std::vector<uint8_t> block(SettingsBlock::kSize, 0);
  for (std::size_t i = 0; i < text.size() && i < kLogoBytes; ++i)
    block[kLogoByte + i] = static_cast<uint8_t>(text[i]);
  return block;
}

class ItemSyncTest : public MainWindowTest {
 protected:
  // Loads the bytes through the Load button.
  void LoadBlock(const std::vector<uint8_t>& bytes) {
    WriteBlockFile("in.bin", bytes);
    toolkit.QueueFileDialogAnswer(dir / "in.bin");
    ASSERT_TRUE(Win().Click(IDC_LOAD));
  }
  std::vector<std::u16string> LogoEntries() { return Ctrl(IDC_LOGO).State().entries; }
};

TEST_F(ItemSyncTest, StartUpBlockHoldsEveryDefaultOptionAndNothingElse) {
  Open();
  std::vector<uint8_t> expected(SettingsBlock::kSize, 0);
  expected[0] = 0x10;
  expected[1] = 0xCA;
  expected[2] = 0x11;
  expected[3] = 0xA0;
  EXPECT_EQ(Block(), expected);
  for (const SettingItem& item : window->items) {
    SCOPED_TRACE(std::string(item.title.begin(), item.title.end()));
    EXPECT_EQ(static_cast<uint32_t>(item.selectControl->GetCurSel()), item.option);
    EXPECT_TRUE(item.selectControl->IsEnabled());
  }
  EXPECT_TRUE(Ctrl(IDC_LOGO).IsEnabled());
}

TEST_F(ItemSyncTest, FieldWithoutAnOptionShowsEmptyAndComesBackAsAllOnes) {
  Open(LOAD_BIN);
  std::vector<uint8_t> block = Block();
  block[2] = static_cast<uint8_t>((block[2] & 0xF0) | 7);  // VOLUME 7 of four options
  LoadBlock(block);
  EXPECT_EQ(window->items[kVolume].option, 7u);
  EXPECT_EQ(Ctrl(IDC_ITEM_BASE + kVolume).GetCurSel(), -1);
  EXPECT_EQ(Ctrl(IDC_ITEM_BASE + kVolume).Text(), u"");
  window->ControlsToBlock();
  EXPECT_EQ(window->GetBits(1, 0, 4), 15u);
  // Its neighbours in the same word keep their values.
  EXPECT_EQ(window->GetBits(1, 4, 12), 0xA01u);
}

TEST_F(ItemSyncTest, SelectionChangesReachTheBlockOnlyThroughControlsToBlock) {
  Open();
  const std::vector<uint8_t> before = Block();
  ASSERT_TRUE(Win().SelectEntry(IDC_ITEM_BASE + kVolume, 3));
  ASSERT_TRUE(Win().TypeText(IDC_LOGO, u"ZK"));
  EXPECT_EQ(Block(), before);
  window->ControlsToBlock();
  EXPECT_EQ(window->GetBits(1, 0, 4), 3u);
  EXPECT_EQ(window->GetText(22, 8), std::string("ZK") + std::string(14, '\0'));
  // The item's current value is taken from the block, not from the list.
  EXPECT_EQ(window->items[kVolume].option, 1u);
}

TEST_F(ItemSyncTest, UnknownLogoTextIsAddedOnceAndSelected) {
  Open(LOAD_BIN);
  LoadBlock(BlockWithLogo("ACME"));
  EXPECT_EQ(LogoEntries(), (std::vector<std::u16string>{u"", u"ACME"}));
  EXPECT_EQ(Ctrl(IDC_LOGO).GetCurSel(), 1);
  EXPECT_EQ(Ctrl(IDC_LOGO).Text(), u"ACME");
  EXPECT_EQ(window->logoPanel.logoCount, 2u);

  LoadBlock(BlockWithLogo("ACME"));
  EXPECT_EQ(LogoEntries().size(), 2u);
  EXPECT_EQ(Ctrl(IDC_LOGO).GetCurSel(), 1);

  LoadBlock(BlockWithLogo(""));
  EXPECT_EQ(LogoEntries().size(), 2u);
  EXPECT_EQ(Ctrl(IDC_LOGO).GetCurSel(), 0);

  LoadBlock(BlockWithLogo("acme"));  // the comparison is exact
  EXPECT_EQ(LogoEntries(), (std::vector<std::u16string>{u"", u"ACME", u"acme"}));
  EXPECT_EQ(Ctrl(IDC_LOGO).GetCurSel(), 2);
}

TEST_F(ItemSyncTest, LogoListStopsAtThirtyTwoAndThenShowsTheFirstEntry) {
  Open(LOAD_BIN);
  for (int i = 1; i < 32; ++i) LoadBlock(BlockWithLogo("LOGO" + std::to_string(i)));
  ASSERT_EQ(LogoEntries().size(), 32u);
  EXPECT_EQ(LogoEntries().back(), u"LOGO31");
  EXPECT_EQ(Ctrl(IDC_LOGO).GetCurSel(), 31);

  LoadBlock(BlockWithLogo("LOGO32"));
  EXPECT_EQ(LogoEntries().size(), 32u);
  EXPECT_EQ(window->logoPanel.logoCount, 32u);
  EXPECT_EQ(Ctrl(IDC_LOGO).GetCurSel(), 0);
  // The next store takes entry 0's text, the empty one.
  window->ControlsToBlock();
  EXPECT_EQ(window->GetText(22, 8), std::string(kLogoBytes, '\0'));
}

struct TypedLogoCase {
  const char* name;
  std::u16string typed;
  std::string field;  // the 16 bytes stored
};
void PrintTo(const TypedLogoCase& c, std::ostream* os) { *os << c.name; }

class TypedLogoTest : public ItemSyncTest, public ::testing::WithParamInterface<TypedLogoCase> {};

TEST_P(TypedLogoTest, IsCutOrZeroPaddedToTheField) {
  Open(LOAD_BIN);
  // Fill the field and the word after it first, so that padding and bounds show.
  std::vector<uint8_t> block = BlockWithLogo("XXXXXXXXXXXXXXXX");
  block[kLogoByte + kLogoBytes] = 'Y';
  LoadBlock(block);
  ASSERT_TRUE(Win().TypeText(IDC_LOGO, GetParam().typed));
  window->ControlsToBlock();
  EXPECT_EQ(window->GetText(22, 8), GetParam().field);
  EXPECT_EQ(window->Bytes()[kLogoByte + kLogoBytes], 'Y');
}

INSTANTIATE_TEST_SUITE_P(
    Logo, TypedLogoTest,
    ::testing::Values(TypedLogoCase{"Short", u"AB", std::string("AB") + std::string(14, '\0')},
                      TypedLogoCase{"Exact", u"0123456789ABCDEF", "0123456789ABCDEF"},
                      TypedLogoCase{"Long", u"0123456789ABCDEFGHIJ", "0123456789ABCDEF"},
                      TypedLogoCase{"Empty", u"", std::string(16, '\0')},
                      // Two bytes per character in UTF-8: the field takes whole bytes.
                      TypedLogoCase{"Wide", u"ÄÖÜäöüßéèêABCD", "ÄÖÜäöüßé"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ItemSyncTest, LogoTextLongerThanAListEntryIsCutToTheEntry) {
  // A 40-byte logo field holds more than a list entry's 31 characters.
  WriteShippedConfigWith(
      "[DATE_STAMP_LOGO]\nSTART_X=350\nSTART_Y=180\nDISPLAY_WIDTH=160\nDISPLAY_HEIGHT=20\n"
      "LIST_BOX_HEIGHT=300\nOPTION_GAP_Y=2\nSTART_WORD=20\nWORD_LEN=20\nNO=1\nLOGO_00=\n");
  Open(LOAD_BIN);
  std::vector<uint8_t> block(SettingsBlock::kSize, 0);
  const std::string text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";  // 40 bytes, no terminator
  std::copy(text.begin(), text.end(), block.begin() + 40);
  LoadBlock(block);
  ASSERT_EQ(LogoEntries().size(), 2u);
  EXPECT_EQ(LogoEntries()[1], u"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
  LoadBlock(block);
  EXPECT_EQ(LogoEntries().size(), 2u);
  EXPECT_EQ(Ctrl(IDC_LOGO).GetCurSel(), 1);
}

TEST_F(ItemSyncTest, EveryClickIsTracedWithItsIdBeforeItsHandlerRuns) {
  Open(SAVE_BIN | LOAD_BIN | GET_DEVICE_KAVRIN | SET_DEFAULT);
  const struct {
    int id;
    bool viaCommand;  // hidden template buttons only take a command
  } clicks[] = {{IDC_KAVRIN, true},      {IDC_SAVE, false},        {IDC_LOAD, false},
                {IDC_GET_KAVRIN, false}, {IDC_SET_DEFAULT, false}, {IDC_READ, true},
                {IDC_WRITE, true}};
  for (const auto& click : clicks) {
    SCOPED_TRACE(click.id);
    trace.Clear();
    toolkit.QueueFileDialogCancel();
    if (click.viaCommand) {
      Win().SendCommand(click.id, ui::kNotifyClicked);
    } else {
      ASSERT_TRUE(Win().Click(click.id));
    }
    EXPECT_EQ(
        trace.Text().rfind("OnCommand() get BN_CLICKED for " + std::to_string(click.id) + "\n", 0),
        0u)
        << trace.Text();
  }
  // Kavrin without a recorder: the trace line, then the handler's refusal.
  trace.Clear();
  Win().SendCommand(IDC_KAVRIN, ui::kNotifyClicked);
  EXPECT_EQ(trace.Text(), "OnCommand() get BN_CLICKED for 2404\n\nkavrin condition fail\n");
}

TEST_F(ItemSyncTest, SelectionAndEditNotificationsAreNotTraced) {
  Open();
  trace.Clear();
  ASSERT_TRUE(Win().SelectEntry(IDC_ITEM_BASE, 2));
  ASSERT_TRUE(Win().TypeText(IDC_LOGO, u"X"));
  EXPECT_EQ(trace.Text(), "");
}

}  // namespace
}  // namespace kavrin::test
