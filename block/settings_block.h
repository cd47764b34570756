#pragma once
// The 112-byte image of the recorder's settings: 56 little-endian words. Words 0-39 are the
// device area exchanged with the recorder (bit fields and text fields); words 40-55 are the
// note area that only block files carry.
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "config/file_io.h"

namespace kavrin {

class SettingsBlock {
 public:
  static constexpr std::size_t kSize = 112;
  static constexpr std::size_t kDeviceAreaSize = 80;
  static constexpr uint32_t kDeviceWords = 40;

  SettingsBlock() = default;
  virtual ~SettingsBlock() = default;
  SettingsBlock(const SettingsBlock&) = default;
  SettingsBlock& operator=(const SettingsBlock&) = default;

  void Clear();

  // Device-area words only: an index of 40 or more reads 0 and is ignored on write.
  uint32_t GetWord(uint32_t index) const;
  void SetWord(uint32_t index, uint32_t value);

  // Field of `length` bits (mask (1 << length % 32) - 1) at `start` (shift taken modulo 32).
  uint32_t GetBits(uint32_t word, uint32_t start, uint32_t length) const;
  // Stores value & mask; bits that land above bit 15 are lost. Always returns 1.
  int SetBits(uint32_t word, uint32_t start, uint32_t length, int64_t value);

  // The text field's 2 * count bytes starting at byte 2 * start, as they are (zeros
  // included), clipped to the block's end.
  std::string GetText(uint32_t start, uint32_t count) const;
  // Copies the field into dest and stores a zero after it: dest must hold 2 * count + 1
  // bytes. Bytes of the field beyond the block read as zero. Nothing for a null dest.
  void GetText(uint32_t start, uint32_t count, char* dest) const;
  // Stores the source's bytes (up to its first NUL, at most 2 * count), zero-fills the rest
  // of the field; never writes past the block's end. Nothing for a null source.
  void SetText(uint32_t start, uint32_t count, const char* source);

  // How much of a file LoadFile read.
  struct FileSize {
    std::size_t bytes = 0;  // bytes taken into the block, at most 112
    bool longer = false;    // the file goes on past 112 bytes
    bool Whole() const { return bytes == kSize && !longer; }
  };
  // The file's first min(length, 112) bytes replace the block's first bytes, whatever the
  // file's length; a file that cannot be read (a FIFO or device node included, which is never
  // waited for) changes nothing. The outcome says why; *size (when given) how much was read.
  FileOutcome LoadFile(const std::filesystem::path& path, FileSize* size = nullptr);
  // Writes the 112 bytes by WriteFileAtomically's rules, so a failed write keeps the previous
  // file and the block in memory.
  FileOutcome SaveFile(const std::filesystem::path& path) const;

  std::span<uint8_t, kSize> Bytes() { return bytes_; }
  std::span<const uint8_t, kSize> Bytes() const { return bytes_; }
  std::span<uint8_t, kDeviceAreaSize> DeviceArea() {
    return std::span(bytes_).first<kDeviceAreaSize>();
  }
  std::span<const uint8_t, kDeviceAreaSize> DeviceArea() const {
    return std::span(bytes_).first<kDeviceAreaSize>();
  }

 private:
  std::array<uint8_t, kSize> bytes_{};
};

}  // namespace kavrin
