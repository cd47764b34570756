// Word, bit-field and text-field access of the 112-byte settings block.
#include "block/settings_block.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kavrin {
namespace {

// A block whose every byte is distinct, so that any stray write shows.
SettingsBlock PatternBlock() {
  SettingsBlock block;
  for (std::size_t i = 0; i < SettingsBlock::kSize; ++i) {
    block.Bytes()[i] = static_cast<uint8_t>(0xA0 ^ i);
  }
  return block;
}

std::vector<uint8_t> BytesOf(const SettingsBlock& block) {
  return {block.Bytes().begin(), block.Bytes().end()};
}

TEST(SettingsBlockTest, NewBlockIsZeroAndClearZeroesBothAreas) {
  SettingsBlock fresh;
  EXPECT_EQ(BytesOf(fresh), std::vector<uint8_t>(SettingsBlock::kSize, 0));
  SettingsBlock block = PatternBlock();
  block.Clear();
  EXPECT_EQ(BytesOf(block), std::vector<uint8_t>(SettingsBlock::kSize, 0));
}

TEST(SettingsBlockTest, WordsAreLittleEndianAndStopAtTheDeviceArea) {
  SettingsBlock block = PatternBlock();
  EXPECT_EQ(block.GetWord(0), 0xA1A0u);
  EXPECT_EQ(block.GetWord(39), uint32_t{0xA0 ^ 79} << 8 | (0xA0 ^ 78));
  EXPECT_EQ(block.GetWord(40), 0u) << "bytes 80 and 81 are not zero but lie in the note area";
  EXPECT_EQ(block.GetWord(0xFFFFFFFFu), 0u);

  const std::vector<uint8_t> before = BytesOf(block);
  block.SetWord(40, 0x1234);
  block.SetWord(55, 0x1234);
  block.SetWord(0xFFFFFFFFu, 0x1234);
  EXPECT_EQ(BytesOf(block), before);

  block.SetWord(3, 0x12345);
  EXPECT_EQ(block.Bytes()[6], 0x45);
  EXPECT_EQ(block.Bytes()[7], 0x23);
  EXPECT_EQ(block.Bytes()[5], before[5]);
  EXPECT_EQ(block.Bytes()[8], before[8]);
}

struct BitsCase {
  const char* name;
  uint32_t wordBefore;
  uint32_t word, start, length;
  int64_t value;
  uint32_t wordAfter;  // GetWord(word) after SetBits
  uint32_t readBack;   // GetBits of the same field afterwards
};

class SetBitsTest : public ::testing::TestWithParam<BitsCase> {};

TEST_P(SetBitsTest, StoresMaskedValueAndKeepsOtherBits) {
  const BitsCase& c = GetParam();
  SettingsBlock block = PatternBlock();
  block.SetWord(c.word, c.wordBefore);
  const std::vector<uint8_t> before = BytesOf(block);

  EXPECT_EQ(block.SetBits(c.word, c.start, c.length, c.value), 1);
  EXPECT_EQ(block.GetWord(c.word), c.wordAfter);
  EXPECT_EQ(block.GetBits(c.word, c.start, c.length), c.readBack);
  for (std::size_t i = 0; i < SettingsBlock::kSize; ++i) {
    const bool inWord = c.word < SettingsBlock::kDeviceWords && i / 2 == c.word;
    if (!inWord) {
      ASSERT_EQ(block.Bytes()[i], before[i]) << "byte " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, SetBitsTest,
    ::testing::Values(BitsCase{"NibbleInFullWord", 0xFFFF, 0, 4, 4, 5, 0xFF5F, 5},
                      BitsCase{"ValueMaskedToLength", 0x0000, 0, 4, 4, 0x35, 0x0050, 5},
                      BitsCase{"MinusOneFillsField", 0x0000, 0, 5, 3, -1, 0x00E0, 7},
                      BitsCase{"BitsAbove15Lost", 0x0000, 0, 14, 4, 0xF, 0xC000, 3},
                      BitsCase{"LengthZeroChangesNothing", 0x1234, 0, 4, 0, 0xF, 0x1234, 0},
                      BitsCase{"Length32ActsAsZero", 0x1234, 0, 0, 32, 0xFFFF, 0x1234, 0},
                      BitsCase{"Length16IsWholeWord", 0x1234, 0, 0, 16, 0xBEEF, 0xBEEF, 0xBEEF},
                      BitsCase{"StartShiftTakenModulo32", 0x0000, 0, 36, 4, 0xA, 0x00A0, 0xA},
                      BitsCase{"StartBeyondWordStoresNothing", 0x1234, 0, 16, 4, 0xF, 0x1234, 0},
                      BitsCase{"SecondWord", 0x0000, 1, 12, 3, 2, 0x2000, 2},
                      BitsCase{"LastDeviceWord", 0x0000, 39, 15, 1, 1, 0x8000, 1},
                      BitsCase{"NoteAreaWordIgnored", 0x0000, 40, 0, 16, 0xFFFF, 0, 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SettingsBlockTest, GetBitsOfFieldRunningPastBit15KeepsOnlyItsBitsInsideTheWord) {
  SettingsBlock block;
  block.SetWord(0, 0xC000);
  EXPECT_EQ(block.GetBits(0, 14, 4), 3u);
  EXPECT_EQ(block.GetBits(0, 16, 4), 0u);
  EXPECT_EQ(block.GetBits(0, 0, 0), 0u);
}

TEST(SettingsBlockTest, NoteAreaIsNeverReachedByBitFields) {
  SettingsBlock block;
  block.SetBits(40, 0, 16, 0xFFFF);
  block.SetBits(55, 0, 16, 0xFFFF);
  EXPECT_EQ(BytesOf(block), std::vector<uint8_t>(SettingsBlock::kSize, 0));
}

// Text fields, set on a pattern block: only the field's bytes inside the block may change.
struct TextCase {
  const char* name;
  uint32_t start, count;
  std::string source;
  std::size_t firstChanged;         // byte offset of the field's first byte inside the block
  std::string storedInsideBlock;    // the field's bytes inside the block after SetText
  std::string readBackWithPointer;  // GetText(start, count, buf) up to the terminator index
};

class TextFieldTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextFieldTest, SetTextStoresOnlyInsideFieldAndBlock) {
  const TextCase& c = GetParam();
  SettingsBlock block = PatternBlock();
  const std::vector<uint8_t> before = BytesOf(block);
  block.SetText(c.start, c.count, c.source.c_str());

  for (std::size_t i = 0; i < SettingsBlock::kSize; ++i) {
    const bool inField = i >= c.firstChanged && i < c.firstChanged + c.storedInsideBlock.size();
    const uint8_t want =
        inField ? static_cast<uint8_t>(c.storedInsideBlock[i - c.firstChanged]) : before[i];
    ASSERT_EQ(block.Bytes()[i], want) << "byte " << i;
  }
  EXPECT_EQ(block.GetText(c.start, c.count), c.storedInsideBlock);

  // The caller's buffer holds 2 * count + 1 bytes; a guard after it must stay untouched.
  std::vector<char> buffer(2 * c.count + 1 + 4, '#');
  block.GetText(c.start, c.count, buffer.data());
  EXPECT_EQ(std::string(buffer.data(), 2 * c.count), c.readBackWithPointer);
  EXPECT_EQ(buffer[2 * c.count], '\0');
  EXPECT_EQ(std::string(buffer.end() - 4, buffer.end()), "####");
}

const std::string kZeros13(13, '\0');

INSTANTIATE_TEST_SUITE_P(
    Fields, TextFieldTest,
    ::testing::Values(
        TextCase{"ShortTextZeroPadded", 22, 8, "ABC", 44, "ABC" + kZeros13, "ABC" + kZeros13},
        TextCase{"LongTextCutWithoutTerminator", 22, 8, "ABCDEFGHIJKLMNOPQRST", 44,
                 "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
        TextCase{"EmptyTextClearsField", 22, 2, "", 44, std::string(4, '\0'), std::string(4, '\0')},
        TextCase{"CountZeroTouchesNothing", 22, 0, "ABC", 44, "", ""},
        TextCase{"NoteAreaIsReachable", 40, 16, "note", 80, "note" + std::string(28, '\0'),
                 "note" + std::string(28, '\0')},
        TextCase{"FieldPastBlockEndIsClipped", 54, 4, "ABCDEFGH", 108, "ABCD",
                 "ABCD" + std::string(4, '\0')},
        TextCase{"FieldWhollyPastBlockEnd", 60, 2, "ABCD", 120, "", std::string(4, '\0')},
        TextCase{"HugeStartDoesNotWrap", 0x80000000u, 2, "ABCD", 0, "", std::string(4, '\0')}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SettingsBlockTest, GetTextDoesNotStopAtZeroBytes) {
  SettingsBlock block;
  block.Bytes()[44] = 'A';
  block.Bytes()[46] = 'B';
  std::array<char, 5> buffer{};
  buffer.fill('#');
  block.GetText(22, 2, buffer.data());
  EXPECT_EQ(std::string(buffer.data(), 5), std::string("A\0B\0\0", 5));
  EXPECT_EQ(block.GetText(22, 2), std::string("A\0B\0", 4));
}

TEST(SettingsBlockTest, NullPointersDoNothing) {
  SettingsBlock block = PatternBlock();
  const std::vector<uint8_t> before = BytesOf(block);
  block.SetText(22, 8, nullptr);
  block.GetText(22, 8, nullptr);
  EXPECT_EQ(BytesOf(block), before);
}

TEST(SettingsBlockTest, DeviceAreaIsTheFirst80Bytes) {
  SettingsBlock block = PatternBlock();
  ASSERT_EQ(block.DeviceArea().size(), 80u);
  EXPECT_EQ(block.DeviceArea().data(), block.Bytes().data());
}

}  // namespace
}  // namespace kavrin
