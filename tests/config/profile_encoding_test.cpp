// Which encoding a KAVRIN_CFG.ini is read in: a byte-order mark decides; without one, UTF-16
// shows by its zero bytes, well-formed UTF-8 with non-ASCII text is UTF-8 (Notepad's default),
// and anything else is text of the ANSI code page.
#include <gtest/gtest.h>

#include <string>

#include "config/profile_file.h"
#include "config/text_codec.h"
#include "tests/config/ini_bytes.h"

namespace kavrin {
namespace {

using test::Bytes;
using test::EncodeIni;
using test::IniEncoding;

// The same small file in Big5: "語言" as the title, "英文" and "繁體中文" as options, and an
// item section named "也", whose second Big5 byte is ']' (0x5D): the file must be decoded
// before it is split into sections.
constexpr std::string_view kBig5File =
    "[ITEM_LIST]\nITEM_NO=1\nITEM_000=\xA4\x5D\n"
    "[\xA4\x5D]\nTITLE=\xBB\x79\xA8\xA5\nOPTION_NO=2\nOPTION_0=\xAD\x5E\xA4\xE5\n"
    "OPTION_1=\xC1\x63\xC5\xE9\xA4\xA4\xA4\xE5\n";
constexpr std::string_view kUtf8File =
    "[ITEM_LIST]\nITEM_NO=1\nITEM_000=也\n[也]\nTITLE=語言\nOPTION_NO=2\nOPTION_0=英文\n"
    "OPTION_1=繁體中文\n";

struct EncodingCase {
  const char* name;
  const char* codePage;  // the ANSI code page in effect
  std::vector<uint8_t> bytes;
  std::string encodingName;
};

void PrintTo(const EncodingCase& c, std::ostream* out) { *out << c.name; }

class ProfileEncodingTest : public testing::TestWithParam<EncodingCase> {
 protected:
  void TearDown() override { SetAnsiCharset(""); }
};

TEST_P(ProfileEncodingTest, ReadsTheChineseTextsAndNamesTheEncoding) {
  const EncodingCase& c = GetParam();
  SetAnsiCharset(c.codePage);
  ProfileFile file;
  file.ParseBytes(c.bytes);
  EXPECT_EQ(file.Encoding().Name(), c.encodingName);
  const std::u16string section = file.ReadString(u"ITEM_LIST", u"ITEM_000", u"", 260);
  EXPECT_EQ(section, u"也");
  EXPECT_EQ(file.ReadString(section, u"TITLE", u"", 260), u"語言");
  EXPECT_EQ(file.ReadString(section, u"OPTION_0", u"", 260), u"英文");
  EXPECT_EQ(file.ReadString(section, u"OPTION_1", u"", 260), u"繁體中文");
  EXPECT_EQ(file.ReadInt(section, u"OPTION_NO", 0), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ProfileEncodingTest,
    testing::Values(EncodingCase{"Big5WithoutMark", "BIG5", Bytes(kBig5File),
                                 "BIG5 (ANSI code page, no byte-order mark)"},
                    EncodingCase{"Utf8WithoutMarkInAUtf8CodePage", "UTF-8", Bytes(kUtf8File),
                                 "UTF-8 without byte-order mark"},
                    // What Notepad saves on a Taiwanese Windows: no mark, UTF-8 text.
                    EncodingCase{"Utf8WithoutMarkInABig5CodePage", "BIG5", Bytes(kUtf8File),
                                 "UTF-8 without byte-order mark"},
                    EncodingCase{"Utf8WithoutMarkInAWesternCodePage", "CP1252", Bytes(kUtf8File),
                                 "UTF-8 without byte-order mark"},
                    EncodingCase{"Utf16LeWithoutMark", "BIG5",
                                 EncodeIni(kUtf8File, IniEncoding::kUtf16LeNoMark),
                                 "UTF-16LE without byte-order mark"},
                    EncodingCase{"Utf16BeWithoutMark", "BIG5",
                                 EncodeIni(kUtf8File, IniEncoding::kUtf16BeNoMark),
                                 "UTF-16BE without byte-order mark"},
                    EncodingCase{"Utf16LeMarkWinsOverTheCodePage", "BIG5",
                                 EncodeIni(kUtf8File, IniEncoding::kUtf16Le),
                                 "UTF-16LE with byte-order mark"},
                    EncodingCase{"Utf8MarkWinsOverTheCodePage", "BIG5",
                                 EncodeIni(kUtf8File, IniEncoding::kUtf8Bom),
                                 "UTF-8 with byte-order mark"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ProfileCodePageTest, AWesternCodePageReadsItsOwnBytes) {
  SetAnsiCharset("CP1252");
  ProfileFile file;
  file.ParseBytes(Bytes("[S]\nTITLE=Caf\xE9 \x80\n"));
  SetAnsiCharset("");
  EXPECT_EQ(file.ReadString(u"S", u"TITLE", u"", 260), u"Café €");
}

TEST(ProfileCodePageTest, BytesThatAreNoTextInTheCodePageReadAsReplacementCharacters) {
  SetAnsiCharset("BIG5");
  ProfileFile file;
  // 0xFF is no Big5 byte; a lead byte at the very end has no second byte.
  file.ParseBytes(Bytes("[S]\nA=x\xFFy\nB=z\xA4"));
  SetAnsiCharset("");
  EXPECT_EQ(file.ReadString(u"S", u"A", u"", 260), u"x\uFFFDy");
  EXPECT_EQ(file.ReadString(u"S", u"B", u"", 260), u"z\uFFFD");
}

TEST(ProfileCodePageTest, AFewStrayZeroBytesDoNotMakeUtf16) {
  SetAnsiCharset("UTF-8");
  ProfileFile file;
  constexpr char kText[] = "[S]\nA=1\0\nB=2\nC=3\n";
  file.ParseBytes(Bytes(std::string_view(kText, sizeof kText - 1)));
  SetAnsiCharset("");
  EXPECT_EQ(file.Encoding().Name(), "UTF-8 (ANSI code page, no byte-order mark)");
  EXPECT_EQ(file.ReadInt(u"S", u"B", 0), 2u);
}

struct Utf8Case {
  const char* name;
  std::string_view bytes;
  bool wellFormed;
};

void PrintTo(const Utf8Case& c, std::ostream* out) { *out << c.name; }

class Utf8TextTest : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8TextTest, TellsWellFormedUtf8) {
  EXPECT_EQ(IsUtf8Text(GetParam().bytes), GetParam().wellFormed);
}

INSTANTIATE_TEST_SUITE_P(Bytes, Utf8TextTest,
                         testing::Values(Utf8Case{"Ascii", "[S]\nA=1\n", true},
                                         Utf8Case{"TwoThreeAndFourBytes",
                                                  "Z\xC3\xBCrich \xE8\xAA\x9E \xF0\x9F\x98\x80",
                                                  true},
                                         Utf8Case{"CutAtTheEnd", "\xE8\xAA", false},
                                         Utf8Case{"StrayContinuation",
                                                  "a\x80"
                                                  "b",
                                                  false},
                                         Utf8Case{"Overlong", "\xC0\xAF", false},
                                         Utf8Case{"Surrogate", "\xED\xA0\x80", false},
                                         Utf8Case{"BeyondUnicode", "\xF4\x90\x80\x80", false},
                                         Utf8Case{"Big5Title", "TITLE=\xBB\x79\xA8\xA5", false},
                                         Utf8Case{"Cp1252Cafe", "Caf\xE9 au lait", false}),
                         [](const auto& param) { return std::string(param.param.name); });

struct EitherWayCase {
  const char* name;
  const char* codePage;
  std::string_view bytes;
  std::string alsoReadsAs;
};

void PrintTo(const EitherWayCase& c, std::ostream* out) { *out << c.name; }

class EitherWayTest : public testing::TestWithParam<EitherWayCase> {
 protected:
  void TearDown() override { SetAnsiCharset(""); }
};

// "Zürich" in UTF-8 is also "ZÃ¼rich" in CP1252: read as UTF-8, and named as readable both ways.
TEST_P(EitherWayTest, NamesTheCodePageThatWouldAlsoReadTheFile) {
  SetAnsiCharset(GetParam().codePage);
  ProfileFile file;
  file.ParseBytes(Bytes(GetParam().bytes));
  EXPECT_EQ(file.Encoding().kind, ProfileEncoding::Kind::Utf8NoMark);
  EXPECT_EQ(file.Encoding().alsoReadsAs, GetParam().alsoReadsAs);
  EXPECT_EQ(file.ReadString(u"S", u"TITLE", u"", 260), u"Z\u00FCrich");
}

INSTANTIATE_TEST_SUITE_P(
    Files, EitherWayTest,
    testing::Values(EitherWayCase{"Cp1252", "CP1252", "[S]\nTITLE=Z\xC3\xBCrich\n", "CP1252"},
                    EitherWayCase{"Utf8CodePage", "UTF-8", "[S]\nTITLE=Z\xC3\xBCrich\n", ""},
                    // The euro sign's second UTF-8 byte (0x82) is no Big5 trail byte.
                    EitherWayCase{"Big5", "BIG5", "[S]\nTITLE=Z\xC3\xBCrich\n;\xE2\x82\xAC\n", ""}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kavrin
