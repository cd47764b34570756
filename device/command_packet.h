#pragma once
// The 64-byte packet of the recorder's protocol; all fields little-endian.
//   0-3 request   4-7 command   8-11 offset   12-15 length   16-55 data   56-63 unused
#include <array>
#include <cstdint>
#include <span>

namespace kavrin {

class CommandPacket {
 public:
  static constexpr std::size_t kSize = 64;
  static constexpr std::size_t kDataOffset = 16;
  static constexpr std::size_t kDataSize = 40;

  uint32_t Request() const { return Get32(0); }
  uint32_t Command() const { return Get32(4); }
  uint32_t Offset() const { return Get32(8); }
  uint32_t Length() const { return Get32(12); }
  void SetRequest(uint32_t v) { Put32(0, v); }
  void SetCommand(uint32_t v) { Put32(4, v); }
  void SetOffset(uint32_t v) { Put32(8, v); }
  void SetLength(uint32_t v) { Put32(12, v); }
  void Put16(std::size_t at, uint16_t v) {
    bytes_[at] = static_cast<uint8_t>(v);
    bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  uint16_t Get16(std::size_t at) const {
    return static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
  }
  std::span<uint8_t, kDataSize> Data() {
    return std::span(bytes_).subspan<kDataOffset, kDataSize>();
  }
  std::span<const uint8_t, kDataSize> Data() const {
    return std::span(bytes_).subspan<kDataOffset, kDataSize>();
  }
  uint8_t* Bytes() { return bytes_.data(); }
  const uint8_t* Bytes() const { return bytes_.data(); }

 private:
  void Put32(std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  uint32_t Get32(std::size_t at) const {
    return static_cast<uint32_t>(bytes_[at]) | (static_cast<uint32_t>(bytes_[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes_[at + 2]) << 16) |
           (static_cast<uint32_t>(bytes_[at + 3]) << 24);
  }
  std::array<uint8_t, kSize> bytes_{};
};

}  // namespace kavrin
