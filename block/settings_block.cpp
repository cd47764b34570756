#include "block/settings_block.h"

#include <algorithm>
#include <cstring>

#include "config/bit_field.h"

namespace kavrin {
namespace {

// Byte offset and size of a text field, in 64 bits so that no start or count can wrap.
struct TextSpan {
  uint64_t first;  // byte 2 * start
  uint64_t size;   // 2 * count bytes
  // How many of the field's bytes lie inside a block of blockSize bytes.
  std::size_t InsideBlock(std::size_t blockSize) const {
    if (first >= blockSize) return 0;
    return static_cast<std::size_t>(std::min<uint64_t>(size, blockSize - first));
  }
};

TextSpan TextField(uint32_t start, uint32_t count) {
  return {uint64_t{start} * 2u, uint64_t{count} * 2u};
}

}  // namespace

void SettingsBlock::Clear() { bytes_.fill(0); }

uint32_t SettingsBlock::GetWord(uint32_t index) const {
  if (index >= kDeviceWords) return 0;
  return uint32_t{bytes_[2 * index]} | (uint32_t{bytes_[2 * index + 1]} << 8);
}

void SettingsBlock::SetWord(uint32_t index, uint32_t value) {
  if (index >= kDeviceWords) return;
  bytes_[2 * index] = static_cast<uint8_t>(value & 0xFFu);
  bytes_[2 * index + 1] = static_cast<uint8_t>((value >> 8) & 0xFFu);
}

uint32_t SettingsBlock::GetBits(uint32_t word, uint32_t start, uint32_t length) const {
  const BitFieldPlacement field = PlaceBitField(start, length);
  return (GetWord(word) >> field.shift) & field.valueMask;
}

int SettingsBlock::SetBits(uint32_t word, uint32_t start, uint32_t length, int64_t value) {
  const BitFieldPlacement field = PlaceBitField(start, length);
  // Only the low bits of the value count, so -1 fills the field with ones.
  const uint32_t bits = static_cast<uint32_t>(static_cast<uint64_t>(value)) & field.valueMask;
  const uint32_t w = GetWord(word);
  SetWord(word, (w & ~(field.valueMask << field.shift)) | (bits << field.shift));
  return 1;
}

std::string SettingsBlock::GetText(uint32_t start, uint32_t count) const {
  const TextSpan span = TextField(start, count);
  const std::size_t inside = span.InsideBlock(kSize);
  if (inside == 0) return {};
  return std::string(reinterpret_cast<const char*>(bytes_.data() + span.first), inside);
}

void SettingsBlock::GetText(uint32_t start, uint32_t count, char* dest) const {
  if (dest == nullptr) return;
  const TextSpan span = TextField(start, count);
  const std::size_t inside = span.InsideBlock(kSize);
  if (inside > 0) std::memcpy(dest, bytes_.data() + span.first, inside);
  // Bytes of the field that a misplaced configuration puts past the block read as zero.
  std::memset(dest + inside, 0, static_cast<std::size_t>(span.size - inside));
  dest[span.size] = '\0';
}

void SettingsBlock::SetText(uint32_t start, uint32_t count, const char* source) {
  if (source == nullptr) return;
  const TextSpan span = TextField(start, count);
  const std::size_t inside = span.InsideBlock(kSize);
  if (inside == 0) return;
  // A full field keeps no terminator: the field's end ends the text.
  std::size_t length = 0;
  while (length < inside && source[length] != '\0') ++length;
  uint8_t* field = bytes_.data() + span.first;
  std::memcpy(field, source, length);
  std::memset(field + length, 0, inside - length);
}

FileOutcome SettingsBlock::LoadFile(const std::filesystem::path& path, FileSize* size) {
  // Only the first 112 bytes can matter, so a file of any size costs one small read; one
  // byte more tells a longer file apart without reading all of it.
  const FileContents contents = ReadFileBytes(path, kSize + 1, LongerFile::Cut);
  if (!contents.outcome) return contents.outcome;  // the block stays as it was
  const std::size_t taken = std::min(contents.bytes.size(), kSize);
  std::copy_n(contents.bytes.begin(), taken, bytes_.begin());
  if (size != nullptr) *size = {taken, contents.bytes.size() > kSize};
  return {};
}

FileOutcome SettingsBlock::SaveFile(const std::filesystem::path& path) const {
  return WriteFileAtomically(path, bytes_);
}

}  // namespace kavrin
