// What `kavrin config --check` tells the author of a KAVRIN_CFG.ini.
#include "config/config_check.h"

#include <gtest/gtest.h>

#include "block/settings_block.h"
#include "config/bit_field.h"
#include "config/resources.h"
#include "tests/config/embedded_text.h"
#include "tests/config/ini_bytes.h"

namespace kavrin {
namespace {

// Two items side by side in word 0, a device name, and a window with room for every row the
// cases below list (up to 100 in one column, clear of the panels at their built-in places):
// nothing to report. The layout's own findings are tested in config_check_layout_test.cpp.
constexpr std::string_view kCleanFile =
    "[WINDOW_LAYOUT]\nWIDTH=800\nHEIGHT=3200\n[ITEM_LAYOUT]\nSTART_Y=90\nITEM_PER_COL=100\n"
    "[DEVICE]\nNO=1\n0=ZK742\n"
    "[ITEM_LIST]\nITEM_NO=2\nITEM_000=A\nITEM_001=B\n"
    "[A]\nTITLE=A\nWORD_IDX=0\nSTART_BIT=0\nDATA_LEN=2\nOPTION_NO=2\nOPTION_0=x\nOPTION_1=y\n"
    "DEFAULT_OPTION=1\n"
    "[B]\nTITLE=B\nWORD_IDX=0\nSTART_BIT=2\nDATA_LEN=1\nOPTION_NO=2\nOPTION_0=x\nOPTION_1=y\n"
    "DEFAULT_OPTION=0\n";

std::vector<ConfigFinding> Check(std::string_view text) {
  ConfigFile config("unused");
  config.ParseBytes(test::Bytes(text));
  config.LoadSections();
  return CheckConfiguration(config);
}

// "[SECTION] KEY" of every finding, in order.
std::vector<std::string> Subjects(const std::vector<ConfigFinding>& findings) {
  std::vector<std::string> subjects;
  for (const ConfigFinding& f : findings) {
    const std::string line = FormatFinding(f);
    subjects.push_back(line.substr(0, line.find(':')));
  }
  return subjects;
}

std::string AllLines(const std::vector<ConfigFinding>& findings) {
  std::string text;
  for (const ConfigFinding& f : findings) text += FormatFinding(f) + "\n";
  return text;
}

struct CheckCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> edits;  // on the clean file, in order
  std::string appended;
  std::vector<std::string> expected;
};

void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.name; }

class ConfigCheckTest : public testing::TestWithParam<CheckCase> {};

TEST_P(ConfigCheckTest, ReportsExactlyWhatIsWrong) {
  const CheckCase& c = GetParam();
  std::string text(kCleanFile);
  for (const auto& [from, to] : c.edits) text = test::Replaced(text, from, to);
  text += c.appended;
  const std::vector<ConfigFinding> findings = Check(text);
  EXPECT_EQ(Subjects(findings), c.expected) << AllLines(findings);
}

const std::string kLongTitle(300, 'T');

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigCheckTest,
    testing::Values(
        CheckCase{"clean", {}, "", {}},
        CheckCase{"field_past_bit_15",
                  {{"START_BIT=2", "START_BIT=15"}, {"DATA_LEN=1", "DATA_LEN=2"}},
                  "",
                  {"[B] DATA_LEN"}},
        CheckCase{
            "start_bit_outside_word", {{"START_BIT=2", "START_BIT=16"}}, "", {"[B] START_BIT"}},
        CheckCase{"word_beyond_39",
                  {{"WORD_IDX=0\nSTART_BIT=2", "WORD_IDX=40\nSTART_BIT=2"}},
                  "",
                  {"[B] WORD_IDX"}},
        CheckCase{"overlapping_bits", {{"START_BIT=2", "START_BIT=1"}}, "", {"[B] START_BIT"}},
        CheckCase{
            "same_section_twice", {{"ITEM_001=B", "ITEM_001=a"}}, "", {"[ITEM_LIST] ITEM_001"}},
        CheckCase{"default_option_without_option",
                  {{"DEFAULT_OPTION=1", "DEFAULT_OPTION=2"}},
                  "",
                  {"[A] DEFAULT_OPTION"}},
        CheckCase{"more_options_than_bits",
                  {{"OPTION_1=y\nDEFAULT_OPTION=0", "OPTION_1=y\nOPTION_2=z\nDEFAULT_OPTION=0"},
                   {"OPTION_NO=2\nOPTION_0=x\nOPTION_1=y\nOPTION_2",
                    "OPTION_NO=3\nOPTION_0=x\nOPTION_1=y\nOPTION_2"}},
                  "",
                  {"[B] OPTION_NO"}},
        CheckCase{"zero_length_field_with_options",
                  {{"DATA_LEN=1", "DATA_LEN=0"}},
                  "",
                  {"[B] OPTION_NO"}},
        CheckCase{"missing_data_len", {{"DATA_LEN=1\n", ""}}, "", {"[B] DATA_LEN"}},
        CheckCase{"start_bit_wraps_into_the_word",
                  {{"START_BIT=2", "START_BIT=34"}},
                  "",
                  {"[B] START_BIT"}},
        CheckCase{"start_bit_wraps_onto_another_item",
                  {{"START_BIT=2", "START_BIT=32"}, {"DATA_LEN=1", "DATA_LEN=3"}},
                  "",
                  {"[B] START_BIT", "[B] START_BIT"}},
        CheckCase{"start_bit_wraps_outside_the_word",
                  {{"START_BIT=2", "START_BIT=48"}},
                  "",
                  {"[B] START_BIT"}},
        CheckCase{"data_len_32_stores_nothing",
                  {{"DATA_LEN=1", "DATA_LEN=32"}},
                  "",
                  {"[B] DATA_LEN", "[B] OPTION_NO"}},
        CheckCase{"data_len_33_is_one_bit", {{"DATA_LEN=1", "DATA_LEN=33"}}, "", {"[B] DATA_LEN"}},
        CheckCase{"hexadecimal_word",
                  {{"WORD_IDX=0\nSTART_BIT=2", "WORD_IDX=0x5\nSTART_BIT=2"}},
                  "",
                  {"[B] WORD_IDX"}},
        CheckCase{"start_bit_in_words_reads_0_and_overlaps",
                  {{"START_BIT=2", "START_BIT=four"}},
                  "",
                  {"[B] START_BIT", "[B] START_BIT"}},
        CheckCase{"empty_default_option",
                  {{"DEFAULT_OPTION=1", "DEFAULT_OPTION="}},
                  "",
                  {"[A] DEFAULT_OPTION"}},
        CheckCase{"number_too_large_for_32_bits",
                  {{"[DEVICE]\nNO=1", "[DEVICE]\nNO=4294967297"}},
                  "",
                  {"[DEVICE] NO"}},
        CheckCase{"signed_numbers_are_plain",
                  {{"WIDTH=800", "WIDTH=+800"}},
                  "[INFO_LAYOUT]\nLINE_SHIFT=-1\n",
                  {}},
        CheckCase{"no_options",
                  {{"OPTION_NO=2\nOPTION_0=x\nOPTION_1=y\nDEFAULT_OPTION=0", "OPTION_NO=0"}},
                  "",
                  {"[B] OPTION_NO"}},
        CheckCase{"missing_title", {{"TITLE=B\n", ""}}, "", {"[B] TITLE"}},
        CheckCase{"list_names_missing_section",
                  {{"ITEM_001=B", "ITEM_001=C"}},
                  "",
                  {"[ITEM_LIST] ITEM_001"}},
        CheckCase{"count_beyond_named_entries",
                  {{"ITEM_NO=2", "ITEM_NO=5"}},
                  "",
                  {"[ITEM_LIST] ITEM_002 to ITEM_004"}},
        CheckCase{"count_cut_by_bound",
                  {{"ITEM_NO=2", "ITEM_NO=4294967295"}},
                  "",
                  {"[ITEM_LIST] ITEM_NO", "[ITEM_LIST] ITEM_002 to ITEM_099"}},
        CheckCase{"options_cut_by_bound",
                  {{"OPTION_NO=2\nOPTION_0=x\nOPTION_1=y\nDEFAULT_OPTION=1",
                    "OPTION_NO=2000\nDEFAULT_OPTION=1"}},
                  "",
                  {"[A] OPTION_NO", "[A] OPTION_NO", "[A] OPTION_0 to OPTION_1023"}},
        CheckCase{"option_key_missing",
                  {{"OPTION_1=y\nDEFAULT_OPTION=0", "DEFAULT_OPTION=0"}},
                  "",
                  {"[B] OPTION_1"}},
        CheckCase{"device_names_missing",
                  {{"NO=1\n0=ZK742", "NO=4\n0=ZK742\n2=X"}},
                  "",
                  {"[DEVICE] 1", "[DEVICE] 3"}},
        CheckCase{"device_names_missing_run",
                  {{"NO=1\n0=ZK742", "NO=4\n0=ZK742"}},
                  "",
                  {"[DEVICE] 1 to 3"}},
        CheckCase{"no_item_list",
                  {{"[ITEM_LIST]\nITEM_NO=2\nITEM_000=A\nITEM_001=B\n", ""}},
                  "",
                  {"[ITEM_LIST]"}},
        CheckCase{"unknown_command_name",
                  {},
                  "[INFO_LAYOUT]\nITEM_NO=3\nTITLE_000=Model\nCMD_ID_000=model_name\nCMD_ID_001=HW_"
                  "VERSION\n",
                  {"[INFO_LAYOUT] CMD_ID_000", "[INFO_LAYOUT] CMD_ID_002"}},
        CheckCase{"logo_past_the_block",
                  {},
                  "[DATE_STAMP_LOGO]\nSTART_WORD=50\n",
                  {"[DATE_STAMP_LOGO] START_WORD"}},
        CheckCase{"logo_outside_the_block",
                  {},
                  "[DATE_STAMP_LOGO]\nSTART_WORD=60\n",
                  {"[DATE_STAMP_LOGO] START_WORD"}},
        CheckCase{"logo_past_the_device_words",
                  {},
                  "[DATE_STAMP_LOGO]\nSTART_WORD=33\n",
                  {"[DATE_STAMP_LOGO] START_WORD"}},
        CheckCase{"logo_in_the_note_area",
                  {},
                  "[DATE_STAMP_LOGO]\nSTART_WORD=40\n",
                  {"[DATE_STAMP_LOGO] START_WORD"}},
        CheckCase{"logo_without_words",
                  {},
                  "[DATE_STAMP_LOGO]\nWORD_LEN=0\n",
                  {"[DATE_STAMP_LOGO] WORD_LEN"}},
        CheckCase{"logo_at_the_block_end", {}, "[DATE_STAMP_LOGO]\nSTART_WORD=32\n", {}},
        CheckCase{"item_inside_logo_field",
                  {{"WORD_IDX=0\nSTART_BIT=0", "WORD_IDX=29\nSTART_BIT=0"}},
                  "",
                  {"[A] WORD_IDX"}},
        CheckCase{"logo_count_cut", {}, "[DATE_STAMP_LOGO]\nNO=40\n", {"[DATE_STAMP_LOGO] NO"}},
        CheckCase{"logo_text_too_long",
                  {},
                  "[DATE_STAMP_LOGO]\nNO=1\nLOGO_00=" + std::string(40, 'L') + "\n",
                  {"[DATE_STAMP_LOGO] LOGO_00", "[DATE_STAMP_LOGO] LOGO_00"}},
        CheckCase{"logo_text_wider_than_field",
                  {},
                  "[DATE_STAMP_LOGO]\nNO=1\nLOGO_00=" + std::string(17, 'L') + "\n",
                  {"[DATE_STAMP_LOGO] LOGO_00"}},
        CheckCase{"device_count_cut",
                  {{"NO=1\n0=ZK742\n",
                    "NO=12\n0=a\n1=b\n2=c\n3=d\n4=e\n5=f\n6=g\n7=h\n8=i\n9=j\n10=k\n"}},
                  "",
                  {"[DEVICE] NO"}},
        CheckCase{"no_device_section", {{"[DEVICE]\nNO=1\n0=ZK742\n", ""}}, "", {"[DEVICE]"}},
        CheckCase{"no_device_names", {{"NO=1\n0=ZK742", "NO=0\n0=ZK742"}}, "", {"[DEVICE] NO"}},
        CheckCase{
            "empty_device_name", {{"NO=1\n0=ZK742", "NO=2\n0=ZK742\n1="}}, "", {"[DEVICE] 1"}},
        CheckCase{
            "device_name_cut", {{"0=ZK742", "0=" + std::string(70, 'Z')}}, "", {"[DEVICE] 0"}},
        CheckCase{"misspelt_key", {{"TITLE=A\n", "TITLE=A\nSTRAT_BIT=1\n"}}, "", {"[A] STRAT_BIT"}},
        CheckCase{"misnumbered_key",
                  {{"ITEM_001=B", "ITEM_001=B\nITEM_1=B"}},
                  "",
                  {"[ITEM_LIST] ITEM_1"}},
        CheckCase{"unknown_section", {}, "[ITEM_LAYOT]\nSTART_X=1\n", {"[ITEM_LAYOT]"}},
        CheckCase{
            "spare_item_section_is_fine", {}, "[SPARE]\nTITLE=S\nWORD_IDX=3\nDATA_LEN=1\n", {}},
        CheckCase{"repeated_section", {}, "[a]\nTITLE=other\n", {"[A]"}},
        CheckCase{"repeated_key", {{"TITLE=A\n", "TITLE=A\ntitle=again\n"}}, "", {"[A] TITLE"}},
        CheckCase{"test_panel_title_width_differs",
                  {},
                  "[TEST_ITEM_LAYOUT]\nTITLE_WIDTH=200\n",
                  {"[TEST_ITEM_LAYOUT] TITLE_WIDTH"}},
        CheckCase{"test_panel_title_width_agrees", {}, "[TEST_ITEM_LAYOUT]\nTITLE_WIDTH=120\n", {}},
        CheckCase{"language_title_missing",
                  {},
                  "[LANGUAGE_LAYOUT]\nNO=2\n[LANGUAGE_TITLE_LIST]\n00=English\n",
                  {"[LANGUAGE_TITLE_LIST] 01"}},
        CheckCase{"item_title_cut", {{"TITLE=A", "TITLE=" + kLongTitle}}, "", {"[A] TITLE"}},
        CheckCase{"test_code_overflow",
                  {},
                  "[TEST_ITEM_LIST]\nITEM_NO=1\nITEM_000=T\n[T]\nTITLE=t\nWORD_IDX=300\nSTART_BIT="
                  "1\nDATA_LEN=16\n",
                  {"[T] WORD_IDX", "[T] DATA_LEN"}},
        CheckCase{"test_list_names_missing_section",
                  {},
                  "[TEST_ITEM_LIST]\nITEM_NO=1\nITEM_000=NONE\n",
                  {"[TEST_ITEM_LIST] ITEM_000"}}),
    [](const testing::TestParamInfo<CheckCase>& param) { return std::string(param.param.name); });

TEST(ConfigCheckTest, ShippedDefaultHasNoFindings) {
  const auto data = FindResourceData(kDefaultConfigResourceId, kTextResourceType);
  ASSERT_TRUE(data.has_value());
  ConfigFile config("unused");
  config.ParseBytes(*data);
  config.LoadSections();
  EXPECT_EQ(AllLines(CheckConfiguration(config)), "");
}

TEST(ConfigCheckTest, ShowingTheSpareItemsOfTheDefaultStaysClean) {
  // The spare sections of the shipped file are meant to be switched on by naming them: their
  // sections and names are clean. The shipped window has room for twelve rows; the 13th row's
  // list reaches 3 pixels past the bottom of the client area, which a taller window mends.
  std::string text = test::EmbeddedDefaultUtf8();
  text = test::Replaced(text, "ITEM_NO=11\r\n", "ITEM_NO=13\r\n");
  EXPECT_EQ(Subjects(Check(text)), std::vector<std::string>{"[ITEM_LIST] ITEM_012"});
  text = test::Replaced(text, "HEIGHT=500", "HEIGHT=530");
  EXPECT_EQ(AllLines(Check(text)), "");
}

TEST(ConfigCheckTest, MessagesSayWhatHappensAndWhatToWrite) {
  const std::string text = std::string(kCleanFile) +
                           "[INFO_LAYOUT]\nITEM_NO=1\nCMD_ID_000=model_name\n"
                           "[DATE_STAMP_LOGO]\nSTART_WORD=50\n";
  const std::string lines = AllLines(Check(text));
  EXPECT_NE(lines.find("[INFO_LAYOUT] CMD_ID_000: \"model_name\" is not a known command"),
            std::string::npos)
      << lines;
  EXPECT_NE(lines.find("MODEL_NAME"), std::string::npos) << lines;
  EXPECT_NE(lines.find("[DATE_STAMP_LOGO] START_WORD: the logo field, words 50 to 57,"),
            std::string::npos)
      << lines;
}

TEST(ConfigCheckTest, FieldsAreDescribedWhereTheBlockPutsThem) {
  std::string text = test::Replaced(std::string(kCleanFile), "START_BIT=2", "START_BIT=32");
  text = test::Replaced(text, "DATA_LEN=1", "DATA_LEN=3");
  EXPECT_EQ(AllLines(Check(text)),
            "[B] START_BIT: bit 32 wraps to bit 0 (the shift is taken modulo 32); the field takes "
            "bits 0 to 2 of word 0\n"
            "[B] START_BIT: bits 0 to 2 of word 0 overlap [A] (ITEM_000); the two items overwrite "
            "each other\n");

  text = test::Replaced(std::string(kCleanFile), "DATA_LEN=1", "DATA_LEN=32");
  EXPECT_EQ(AllLines(Check(text)),
            "[B] DATA_LEN: 32 bits are taken modulo 32, which leaves none; the field stores "
            "nothing and every option reads as 0\n"
            "[B] OPTION_NO: 2 options, but the field's 0 bits hold only the value 0; options 1 "
            "to 1 cannot be stored\n");

  text = test::Replaced(std::string(kCleanFile), "START_BIT=2", "START_BIT=14");
  text = test::Replaced(text, "DATA_LEN=1", "DATA_LEN=36");
  EXPECT_EQ(AllLines(Check(text)),
            "[B] DATA_LEN: 36 bits are taken modulo 32, which leaves 4; the field takes bits 14 "
            "to 15 of word 0\n"
            "[B] DATA_LEN: bits 14 to 17 run past bit 15; the bits above 15 are lost and the "
            "field takes bits 14 to 15 of word 0\n");
}

// The check describes what the block gets: each case's field, written with the values the
// reader took, changes exactly the bits the finding names.
TEST(ConfigCheckTest, DescribedBitsAreTheBitsTheBlockChanges) {
  struct Field {
    uint32_t start, length, firstBit, lastBit;
  };
  for (const Field& f : {Field{32, 3, 0, 2}, Field{34, 1, 2, 2}, Field{14, 36, 14, 15},
                         Field{15, 2, 15, 15}, Field{0, 16, 0, 15}}) {
    SettingsBlock block;
    block.SetBits(3, f.start, f.length, -1);
    const uint32_t expected = ((1u << (f.lastBit - f.firstBit + 1)) - 1u) << f.firstBit;
    EXPECT_EQ(block.GetWord(3), expected) << f.start << "/" << f.length;
    const BitFieldPlacement placed = PlaceBitField(f.start, f.length);
    EXPECT_EQ(placed.storedMask, expected);
    EXPECT_EQ(placed.FirstStoredBit(), f.firstBit);
    EXPECT_EQ(placed.LastStoredBit(), f.lastBit);
  }
  for (const auto& [start, length] : {std::pair{48u, 3u}, std::pair{0u, 32u}, std::pair{16u, 4u}}) {
    SettingsBlock block;
    block.SetBits(3, start, length, -1);
    EXPECT_EQ(block.GetWord(3), 0u);
    EXPECT_EQ(PlaceBitField(start, length).StoredBits(), 0u);
  }
}

TEST(ConfigCheckTest, NumbersThatDoNotReadAsWrittenNameTheirLine) {
  std::string text = test::Replaced(std::string(kCleanFile), "WORD_IDX=0\nSTART_BIT=2",
                                    "WORD_IDX=0x5\nSTART_BIT=four");
  text = test::Replaced(text, "DEFAULT_OPTION=1", "DEFAULT_OPTION=");
  EXPECT_EQ(AllLines(Check(text)),
            "[B] START_BIT: bit 0 of word 0 overlap [A] (ITEM_000); the two items "
            "overwrite each other\n"
            "[A] DEFAULT_OPTION: line 22: the value is empty; it reads as 0\n"
            "[B] WORD_IDX: line 25: \"0x5\" is not a plain decimal number; it reads as 0\n"
            "[B] START_BIT: line 26: \"four\" is not a plain decimal number; it reads as 0\n");
}

TEST(ConfigCheckTest, OverlapNamesBothItems) {
  std::string text = test::Replaced(std::string(kCleanFile), "START_BIT=2", "START_BIT=1");
  const std::string lines = AllLines(Check(text));
  EXPECT_EQ(lines,
            "[B] START_BIT: bit 1 of word 0 overlap [A] (ITEM_000); the two items overwrite each "
            "other\n");
}

TEST(ConfigCheckTest, BytesThatAreNotTextAreFoundByLine) {
  // Latin-1 bytes in a UTF-8 file: the title on line 15, the two options on lines 20 and 21.
  std::string text = test::Replaced(std::string(kCleanFile), "TITLE=A\n", "TITLE=\xE9t\xE9\n");
  text = test::Replaced(text, "OPTION_0=x\nOPTION_1=y\nDEFAULT_OPTION=1",
                        "OPTION_0=\xFF\nOPTION_1=\xC3\nDEFAULT_OPTION=1");
  ConfigFile config("unused");
  config.ParseBytes(test::EncodeIni(text, test::IniEncoding::kUtf8Bom));
  config.LoadSections();
  EXPECT_EQ(AllLines(CheckConfiguration(config)),
            "[A] TITLE: line 15 holds bytes that are not valid text in the file's encoding; they "
            "read as U+FFFD, the replacement character, not as what was meant\n"
            "[A]: lines 20 to 21 hold bytes that are not valid text in the file's encoding; they "
            "read as U+FFFD, the replacement character, not as what was meant\n");

  // Damaged lines every other line, more than the file keeps: one finding each for the kept
  // ones, one line for the rest.
  std::string many(kCleanFile);
  for (int i = 0; i < 130; ++i) many += "[X" + std::to_string(i) + "]\nTITLE=\xFF\n";
  ConfigFile garbage("unused");
  garbage.ParseBytes(test::EncodeIni(many, test::IniEncoding::kUtf8Bom));
  garbage.LoadSections();
  const std::vector<ConfigFinding> findings = CheckConfiguration(garbage);
  ASSERT_FALSE(findings.empty());
  EXPECT_EQ(FormatFinding(findings.back()),
            "[X99]: 30 more lines after line " + std::to_string(33 + 2 * 99) +
                " hold bytes that are not valid text in the file's encoding; they read as U+FFFD, "
                "the replacement character, not as what was meant");
}

TEST(ConfigCheckTest, ManyUnknownNamesOfAKindMakeOneLineAfterTheFirstTwenty) {
  // 25 sections nothing reads, and 30 keys [A] does not have: the first 20 of each are listed,
  // the rest counted at the first one not listed.
  std::string text(kCleanFile);
  for (int i = 0; i < 25; ++i) text += "[SPARE_" + std::to_string(i) + "]\nK=1\n";
  std::string keys;
  for (int i = 0; i < 30; ++i) keys += "EXTRA_" + std::to_string(i) + "=1\n";
  text = test::Replaced(text, "TITLE=A\n", "TITLE=A\n" + keys);
  const std::vector<std::string> subjects = Subjects(Check(text));
  ASSERT_EQ(subjects.size(), 21u + 21u) << AllLines(Check(text));
  EXPECT_EQ(subjects[19], "[A] EXTRA_19");
  EXPECT_EQ(subjects[20], "[A] EXTRA_20");
  EXPECT_EQ(subjects[41], "[SPARE_20]");
  const std::string lines = AllLines(Check(text));
  EXPECT_NE(lines.find("[A] EXTRA_20: this and 9 more keys are not keys of this section and are "
                       "not read; only the first 20 are listed one by one\n"),
            std::string::npos)
      << lines;
  EXPECT_NE(lines.find("[SPARE_20]: this and 4 more sections are taken by no reader"),
            std::string::npos);
}

}  // namespace
}  // namespace kavrin
