#pragma once
// Reads a fuzzer's bytes as the pieces a harness needs. Running out of bytes yields zeros and
// empty texts, so every input, however short, is a valid run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kavrin::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, std::size_t size) : bytes_(data, size) {}

  bool Empty() const { return bytes_.empty(); }
  std::size_t Remaining() const { return bytes_.size(); }

  uint8_t Byte() {
    if (bytes_.empty()) return 0;
    const uint8_t b = bytes_.front();
    bytes_ = bytes_.subspan(1);
    return b;
  }
  bool Bool() { return (Byte() & 1) != 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  uint32_t U32() { return U16() | (static_cast<uint32_t>(U16()) << 16); }

  // Up to n bytes (fewer when the input ends).
  std::span<const uint8_t> Bytes(std::size_t n) {
    n = std::min(n, bytes_.size());
    const std::span<const uint8_t> taken = bytes_.first(n);
    bytes_ = bytes_.subspan(n);
    return taken;
  }
  // Everything up to (not including) the separator, which is consumed; everything left when
  // there is none.
  std::string_view TextUntil(uint8_t separator) {
    const auto end = std::find(bytes_.begin(), bytes_.end(), separator);
    const std::size_t n = static_cast<std::size_t>(end - bytes_.begin());
    const std::string_view text(reinterpret_cast<const char*>(bytes_.data()), n);
    bytes_ = bytes_.subspan(std::min(n + 1, bytes_.size()));
    return text;
  }
  std::span<const uint8_t> Rest() {
    const std::span<const uint8_t> rest = bytes_;
    bytes_ = {};
    return rest;
  }

 private:
  std::span<const uint8_t> bytes_;
};

}  // namespace kavrin::fuzz
