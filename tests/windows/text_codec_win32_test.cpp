// The ANSI code page on Windows. ctest starts this program with LC_ALL=zh_TW.UTF-8, which
// gives it Traditional Chinese's code page 950 (Big5) as CP_ACP, as on an operator's PC.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "config/text_codec.h"
#include "tests/cli/run_command.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

// 行車記錄器 ("driving recorder") in Big5.
constexpr char kRecorderBig5[] = "\xA6\xE6\xA8\xAE\xB0\x4F\xBF\xFD\xBE\xB9";
constexpr char16_t kRecorder[] = u"行車記錄器";

class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override { SetAnsiCharset(""); }
  void TearDown() override { SetAnsiCharset(""); }
  test::ScopedEnvironment noOverride_{"KAVRIN_CODEPAGE", nullptr};
};

TEST_F(CodePageTest, TheSystemCodePageIsBig5) {
  EXPECT_EQ(AnsiCharset(), "CP950");
  EXPECT_EQ(WideToAnsi(kRecorder), kRecorderBig5);
  EXPECT_EQ(AnsiToWide(kRecorderBig5), kRecorder);
}

TEST_F(CodePageTest, ABig5LogoGoesIntoTheBlockAndComesBack) {
  // An operator's KAVRIN_CFG.ini without a byte-order mark is Big5, as the system reads it.
  test::TempDir dir;
  test::ScopedCurrentDir cwd(dir.Path());
  dir.Write("KAVRIN_CFG.ini", std::string("[DATE_STAMP_LOGO]\r\nNO=1\r\nLOGO_00=") + kRecorderBig5 +
                                  "\r\nSTART_WORD=22\r\nWORD_LEN=8\r\n");
  const test::CommandResult made = test::RunKavrinCommand({"block", "new", "-o", "logo.bin"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const std::string block = dir.Read("logo.bin");
  ASSERT_EQ(block.size(), 112u);
  EXPECT_EQ(block.substr(44, 10), kRecorderBig5) << "word 22 onwards holds the logo's bytes";
  EXPECT_EQ(block[54], '\0');

  const test::CommandResult shown = test::RunKavrinCommand({"block", "show", "--json", "logo.bin"});
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_EQ(nlohmann::json::parse(shown.out)["logo"]["text"], "行車記錄器");
}

TEST_F(CodePageTest, KavrinCodepageNamesAnotherCodePage) {
  struct Case {
    const char* value;
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {"1252", u"Caf\u00E9", "Caf\xE9"},
      {"CP1252", u"Caf\u00E9", "Caf\xE9"},
      {"65001", u"Caf\u00E9", "Caf\xC3\xA9"},
      {"UTF-8", kRecorder, "\xE8\xA1\x8C\xE8\xBB\x8A\xE8\xA8\x98\xE9\x8C\x84\xE5\x99\xA8"},
      {"950", kRecorder, kRecorderBig5},
      {"big5", kRecorder, kRecorderBig5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    test::ScopedEnvironment codePage("KAVRIN_CODEPAGE", c.value);
    EXPECT_EQ(WideToAnsi(c.text), c.bytes);
    EXPECT_EQ(AnsiToWide(c.bytes), c.text);
  }
}

TEST_F(CodePageTest, AnUnknownCodePageConvertsNothing) {
  for (const char* value : {"99999", "CP0", "KLINGON", "12a"}) {
    SCOPED_TRACE(value);
    test::ScopedEnvironment codePage("KAVRIN_CODEPAGE", value);
    EXPECT_EQ(WideToAnsi(kRecorder), "");
    EXPECT_EQ(AnsiToWide(kRecorderBig5), u"");
  }
}

TEST_F(CodePageTest, WhatTheCodePageLacksBecomesAQuestionMark) {
  SetAnsiCharset("1252");
  EXPECT_EQ(WideToAnsi(u"A\u884CB"), "A?B");  // 行 is not in Windows-1252
  SetAnsiCharset("950");
  EXPECT_EQ(WideToAnsi(u"\u00E9"), "?");  // nor é in Big5
}

TEST_F(CodePageTest, ConversionsStopAtTheFirstZeroAndKeepTheBufferRoom) {
  EXPECT_EQ(WideToAnsi(std::u16string(u"AB\0CD", 5)), "AB");
  EXPECT_EQ(AnsiToWide(std::string("AB\0CD", 5)), u"AB");
  // 300 two-byte characters: at most 259 bytes and 259 units, as the 260-unit buffers hold.
  std::u16string long16;
  for (int i = 0; i < 300; ++i) long16 += kRecorder[0];
  EXPECT_EQ(WideToAnsi(long16).size(), kTextRoom - 1);
  std::string longAnsi;
  for (int i = 0; i < 300; ++i) longAnsi += "AB";
  EXPECT_EQ(AnsiToWide(longAnsi).size(), kTextRoom - 1);
}

}  // namespace
}  // namespace kavrin
