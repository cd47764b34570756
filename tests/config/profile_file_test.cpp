// The private-profile reading the configuration relies on.
#include "config/profile_file.h"

#include <gtest/gtest.h>

#include <random>

#include "config/text_codec.h"
#include "tests/config/ini_bytes.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

using test::Bytes;
using test::EncodeIni;
using test::IniEncoding;

ProfileFile Parsed(std::string_view text) {
  ProfileFile file;
  file.ParseBytes(Bytes(text));
  return file;
}

struct StringCase {
  const char* name;
  const char* file;
  std::u16string_view section;
  std::u16string_view key;
  std::u16string_view fallback;
  std::size_t capacity;
  std::u16string_view expected;
};

void PrintTo(const StringCase& c, std::ostream* out) { *out << c.name; }

class ReadStringTest : public testing::TestWithParam<StringCase> {};

TEST_P(ReadStringTest, GivesTheValueTheRecorderToolExpects) {
  const StringCase& c = GetParam();
  EXPECT_EQ(Parsed(c.file).ReadString(c.section, c.key, c.fallback, c.capacity), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadStringTest,
    testing::Values(
        StringCase{"plain", "[S]\nK=value\n", u"S", u"K", u"d", 260, u"value"},
        StringCase{"section_case", "[Item_List]\nK=v\n", u"ITEM_LIST", u"K", u"d", 260, u"v"},
        StringCase{"key_case", "[S]\nitem_no=v\n", u"S", u"ITEM_NO", u"d", 260, u"v"},
        StringCase{"blanks_trimmed", "[S]\nK = \t a b \t\n", u"S", u"K", u"d", 260, u"a b"},
        StringCase{"blanks_around_names", "  [ S ]  \n  K  =v\n", u"S", u"K", u"d", 260, u"v"},
        StringCase{"empty_value", "[S]\nLOGO_00=\n", u"S", u"LOGO_00", u"d", 260, u""},
        StringCase{"absent_key", "[S]\nK=v\n", u"S", u"X", u"dflt", 260, u"dflt"},
        StringCase{"absent_section", "[S]\nK=v\n", u"T", u"K", u"dflt", 260, u"dflt"},
        StringCase{"default_trailing_blanks_dropped", "", u"S", u"K", u"dflt  ", 260, u"dflt"},
        StringCase{"cut_to_capacity", "[S]\nK=abcdefgh\n", u"S", u"K", u"", 4, u"abc"},
        StringCase{"default_cut_too", "", u"S", u"K", u"abcdefgh", 4, u"abc"},
        StringCase{"capacity_one", "[S]\nK=abc\n", u"S", u"K", u"", 1, u""},
        StringCase{"capacity_zero", "[S]\nK=abc\n", u"S", u"K", u"", 0, u""},
        StringCase{"first_key_wins", "[S]\nK=1\nk=2\n", u"S", u"K", u"", 260, u"1"},
        StringCase{"first_section_wins", "[S]\nA=1\n[s]\nA=2\nB=3\n", u"S", u"B", u"d", 260, u"d"},
        StringCase{"value_keeps_equals", "[S]\nK=a=b\n", u"S", u"K", u"", 260, u"a=b"},
        StringCase{"quotes_dropped", "[S]\nK=\" a \"\n", u"S", u"K", u"", 260, u" a "},
        StringCase{"single_quotes_dropped", "[S]\nK='x'\n", u"S", u"K", u"", 260, u"x"},
        StringCase{"unmatched_quote_kept", "[S]\nK=\"x\n", u"S", u"K", u"", 260, u"\"x"},
        StringCase{"line_without_equals_ignored", "[S]\nK\nK=2\n", u"S", u"K", u"", 260, u"2"},
        StringCase{"key_before_any_section", "K=1\n[S]\n", u"", u"K", u"d", 260, u"d"},
        StringCase{"broken_header_owns_nothing", "[S]\nA=1\n[T\nB=2\n", u"S", u"B", u"d", 260,
                   u"d"},
        StringCase{"crlf", "[S]\r\nA=1\r\nB=2\r\n", u"S", u"B", u"", 260, u"2"},
        StringCase{"lone_cr", "[S]\rA=1\rB=2\r", u"S", u"B", u"", 260, u"2"},
        StringCase{"no_final_line_end", "[S]\nB=last", u"S", u"B", u"", 260, u"last"},
        StringCase{"chinese_text", "[S]\nTITLE=支援語言\n", u"S", u"TITLE", u"", 260, u"支援語言"}),
    [](const testing::TestParamInfo<StringCase>& param) { return std::string(param.param.name); });

TEST(ProfileFileTest, NulInsideTheFileEndsOnlyThatValue) {
  const std::string text("[S]\nK=ab\0cd\nL=next\n", 19);
  ProfileFile file;
  file.ParseBytes(Bytes(text));
  EXPECT_EQ(file.ReadString(u"S", u"K", u"", 260), u"ab");
  EXPECT_EQ(file.ReadString(u"S", u"L", u"", 260), u"next");
}

struct IntCase {
  const char* name;
  const char* value;  // nullptr: the key is absent
  uint32_t expected;
};

void PrintTo(const IntCase& c, std::ostream* out) { *out << c.name; }

class ReadIntTest : public testing::TestWithParam<IntCase> {};

TEST_P(ReadIntTest, TakesTheLeadingDecimalNumber) {
  const IntCase& c = GetParam();
  const std::string text =
      c.value == nullptr ? std::string("[S]\n") : std::string("[S]\nK=") + c.value + "\n";
  EXPECT_EQ(Parsed(text).ReadInt(u"S", u"K", 77), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadIntTest,
    testing::Values(
        IntCase{"plain", "350", 350}, IntCase{"trailing_blank", "350 ", 350},
        IntCase{"two_trailing_blanks", "20  ", 20}, IntCase{"leading_blanks", "  18", 18},
        IntCase{"digits_then_text", "12abc", 12}, IntCase{"plus", "+5", 5},
        IntCase{"minus_wraps", "-1", 4294967295u}, IntCase{"minus_two", "-2", 4294967294u},
        IntCase{"max", "4294967295", 4294967295u}, IntCase{"overflow_wraps", "4294967296", 0},
        IntCase{"hex_is_not_decimal", "0x10", 0}, IntCase{"letters", "abc", 0},
        IntCase{"empty_is_zero", "", 0}, IntCase{"sign_only", "-", 0},
        IntCase{"blank_after_sign", "- 5", 0}, IntCase{"absent_gives_default", nullptr, 77}),
    [](const testing::TestParamInfo<IntCase>& param) { return std::string(param.param.name); });

struct EncodingCase {
  const char* name;
  IniEncoding encoding;
  const char* lineEnd;
};

void PrintTo(const EncodingCase& c, std::ostream* out) { *out << c.name; }

class EncodingTest : public testing::TestWithParam<EncodingCase> {};

TEST_P(EncodingTest, ReadsTheSameContentInEveryAcceptedForm) {
  const EncodingCase& c = GetParam();
  const std::string nl = c.lineEnd;
  const std::string text = nl + "[LANGUAGE_LAYOUT]" + nl + "START_X=656 " + nl + "NO=16" + nl +
                           "TITLE=支援語言" + nl + "[FLIP]" + nl + "TITLE=Roate Video 180°" + nl;
  ProfileFile file;
  file.ParseBytes(EncodeIni(text, c.encoding));
  EXPECT_EQ(file.ReadInt(u"LANGUAGE_LAYOUT", u"START_X", 0), 656u);
  EXPECT_EQ(file.ReadInt(u"LANGUAGE_LAYOUT", u"No", 0), 16u);
  EXPECT_EQ(file.ReadString(u"LANGUAGE_LAYOUT", u"TITLE", u"", 32), u"支援語言");
  EXPECT_EQ(file.ReadString(u"FLIP", u"TITLE", u"", 260), u"Roate Video 180°");
  // The byte-order mark never becomes part of the first name.
  EXPECT_EQ(file.SectionNames().front(), u"LANGUAGE_LAYOUT");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, EncodingTest,
    testing::Values(EncodingCase{"utf16le_crlf", IniEncoding::kUtf16Le, "\r\n"},
                    EncodingCase{"utf16le_lf", IniEncoding::kUtf16Le, "\n"},
                    EncodingCase{"utf16be_crlf", IniEncoding::kUtf16Be, "\r\n"},
                    EncodingCase{"utf8_bom_crlf", IniEncoding::kUtf8Bom, "\r\n"},
                    EncodingCase{"utf8_lf", IniEncoding::kUtf8, "\n"},
                    EncodingCase{"utf8_cr", IniEncoding::kUtf8, "\r"}),
    [](const testing::TestParamInfo<EncodingCase>& param) {
      return std::string(param.param.name);
    });

TEST(ProfileFileTest, ByteOrderMarkDoesNotStickToTheFirstHeader) {
  // A file that starts with its header right after the mark: the mark must not stick to '['.
  ProfileFile file;
  file.ParseBytes(EncodeIni("[S]\nK=1\n", IniEncoding::kUtf16Le));
  EXPECT_EQ(file.ReadInt(u"S", u"K", 0), 1u);
  file.ParseBytes(EncodeIni("[S]\nK=2\n", IniEncoding::kUtf8Bom));
  EXPECT_EQ(file.ReadInt(u"S", u"K", 0), 2u);
}

TEST(ProfileFileTest, OddLengthUtf16DropsTheLoneLastByte) {
  std::vector<uint8_t> bytes = EncodeIni("[S]\nK=42", IniEncoding::kUtf16Le);
  bytes.push_back(0x39);  // half of a '9'
  ProfileFile file;
  file.ParseBytes(bytes);
  EXPECT_EQ(file.ReadInt(u"S", u"K", 0), 42u);
}

TEST(ProfileFileTest, MalformedUtf8ReadsAsReplacementCharacters) {
  ProfileFile file;
  file.ParseBytes(Bytes("[S]\nK=a\xFF\xC3z\n"));
  EXPECT_EQ(file.ReadString(u"S", u"K", u"", 260), u"a\uFFFD\uFFFDz");
}

TEST(ProfileFileTest, LinesWithUndecodableBytesAreKnownByNumber) {
  // Seven lines, ended by LF, CR LF and a lone CR; the damaged stray line outside any section
  // (line 1) and the damaged comment (line 4) are nothing a reader takes.
  ProfileFile file;
  file.ParseBytes(EncodeIni("x\xFF=1\n[S]\r\nA=1\r;\xFF\rB=\xFF\n[T\xC0]\nC=\xE2\x82\n",
                            IniEncoding::kUtf8Bom));
  const auto& lines = file.DamagedLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].line, 5u);
  EXPECT_EQ(lines[0].section, u"S");
  EXPECT_EQ(lines[0].key, u"B");
  EXPECT_EQ(lines[1].line, 6u);
  EXPECT_EQ(lines[1].section, u"T\uFFFD");
  EXPECT_EQ(lines[1].key, u"");
  EXPECT_EQ(lines[2].line, 7u);
  EXPECT_EQ(lines[2].key, u"C");
  EXPECT_EQ(file.DamagedLineCount(), 3u);
  // A file of garbage keeps the first lines and counts the rest.
  std::string garbage = "[S]\n";
  for (int i = 0; i < 150; ++i) garbage += "K" + std::to_string(i) + "=\xFF\n";
  file.ParseBytes(EncodeIni(garbage, IniEncoding::kUtf8Bom));
  EXPECT_EQ(file.DamagedLines().size(), ProfileFile::kKeptDamagedLines);
  EXPECT_EQ(file.DamagedLines().back().line, 101u);
  EXPECT_EQ(file.DamagedLineCount(), 150u);
  // A clean file after it leaves none behind.
  file.ParseBytes(Bytes("[S]\nK=1\n"));
  EXPECT_TRUE(file.DamagedLines().empty());
  EXPECT_EQ(file.DamagedLineCount(), 0u);
}

TEST(ProfileFileTest, SurvivesGarbageAndStillReadsWhatFollows) {
  std::mt19937 random(20130418);
  for (std::size_t size : {1u, 2u, 3u, 17u, 4096u, 65537u}) {
    for (const auto& prefix : {std::vector<uint8_t>{}, std::vector<uint8_t>{0xFF, 0xFE},
                               std::vector<uint8_t>{0xFE, 0xFF}}) {
      std::vector<uint8_t> bytes = prefix;
      for (std::size_t i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(random()));
      ProfileFile garbage;
      garbage.ParseBytes(bytes);  // must neither crash nor hang
      // A well-formed tail after garbage in UTF-8 is still found.
      if (prefix.empty()) {
        for (uint8_t b : Bytes("\n[TAIL]\nK=5\n")) bytes.push_back(b);
        ProfileFile withTail;
        withTail.ParseBytes(bytes);
        EXPECT_EQ(withTail.ReadInt(u"TAIL", u"K", 0), 5u) << "garbage size " << size;
      }
    }
  }
}

TEST(ProfileFileTest, HugeLineIsCutToTheRoomAsked) {
  const std::string text = "[S]\nK=" + std::string(1 << 20, 'x') + "\nL=1\n";
  ProfileFile file;
  file.ParseBytes(Bytes(text));
  EXPECT_EQ(file.ReadString(u"S", u"K", u"", 260), std::u16string(259, u'x'));
  EXPECT_EQ(file.ReadInt(u"S", u"L", 0), 1u);
}

TEST(ProfileFileTest, ParsingAgainReplacesTheEarlierContent) {
  ProfileFile file;
  file.ParseBytes(Bytes("[A]\nK=1\n"));
  file.ParseBytes(Bytes("[B]\nK=2\n"));
  EXPECT_FALSE(file.HasSection(u"A"));
  EXPECT_EQ(file.ReadInt(u"B", u"K", 0), 2u);
}

TEST(ProfileFileTest, NamesForDiagnosticsKeepFileOrderAndRepeats) {
  ProfileFile file;
  file.ParseBytes(Bytes("[A]\nX=1\n; a comment=not a key\nY=2\nx=3\n[B]\n[a]\nZ=4\n"));
  EXPECT_EQ(file.SectionNames(), (std::vector<std::u16string>{u"A", u"B", u"a"}));
  EXPECT_EQ(file.KeyNames(u"a"), (std::vector<std::u16string>{u"X", u"Y", u"x"}));
  EXPECT_TRUE(file.HasKey(u"A", u"y"));
  EXPECT_FALSE(file.HasKey(u"A", u"Z"));  // the repeated section answers no read
}

TEST(ProfileFileTest, ReadsTheFileAtItsPathOnce) {
  test::TempDir dir;
  dir.Write("KAVRIN_CFG.ini", std::string("[S]\nK=1\n"));
  ProfileFile file;
  file.SetPath(dir / "KAVRIN_CFG.ini");
  ASSERT_TRUE(file.Exists());
  ASSERT_TRUE(file.ParseFile());
  dir.Write("KAVRIN_CFG.ini", std::string("[S]\nK=2\n"));
  EXPECT_EQ(file.ReadInt(u"S", u"K", 0), 1u);  // answered from memory
}

TEST(ProfileFileTest, MissingFileOrFolderReadsNothing) {
  test::TempDir dir;
  ProfileFile file;
  file.SetPath(dir / "absent.ini");
  EXPECT_FALSE(file.Exists());
  EXPECT_FALSE(file.ParseFile());
  file.SetPath(dir.Path());
  EXPECT_FALSE(file.Exists());
  EXPECT_FALSE(file.ParseFile());
  EXPECT_EQ(file.ReadInt(u"S", u"K", 9), 9u);
}

}  // namespace
}  // namespace kavrin
