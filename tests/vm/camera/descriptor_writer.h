#pragma once
// Little-endian byte builder for USB descriptors. Records whose total length is only known at
// the end (wTotalLength of a configuration or a class-specific header) are patched afterwards.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace kavrin::vm {

class DescriptorWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void Bytes(std::span<const uint8_t> v) { bytes_.insert(bytes_.end(), v.begin(), v.end()); }
  void Bytes(std::initializer_list<uint8_t> v) { bytes_.insert(bytes_.end(), v.begin(), v.end()); }

  std::size_t Size() const { return bytes_.size(); }
  // A record begins with its own bLength: Begin writes a placeholder, End fills it in.
  std::size_t Begin(uint8_t descriptorType) {
    const std::size_t at = Size();
    U8(0);
    U8(descriptorType);
    return at;
  }
  void End(std::size_t at) { bytes_[at] = static_cast<uint8_t>(Size() - at); }
  // Overwrites a 16-bit field written earlier (at a position taken from Size()).
  void Patch16(std::size_t at, uint16_t v) {
    bytes_[at] = static_cast<uint8_t>(v);
    bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  const std::vector<uint8_t>& Result() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace kavrin::vm
