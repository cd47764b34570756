#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavrin {

// A GUID with Windows' field layout. Stored in USB descriptors and sent to the platform with
// the first three fields little-endian.
struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  std::array<uint8_t, 8> data4{};

  // "63610682-5070-49AB-B8CC-B3855E8D221D" (braces optional, any letter case).
  static std::optional<Guid> Parse(std::string_view text);
  std::string ToString() const;             // upper case, no braces
  std::array<uint8_t, 16> ToBytes() const;  // wire form: data1..data3 little-endian
  static Guid FromBytes(const uint8_t* bytes16);
  bool operator==(const Guid&) const = default;
};

}  // namespace kavrin
