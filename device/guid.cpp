#include "device/guid.h"

#include <cstdio>

namespace kavrin {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<Guid> Guid::Parse(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return std::nullopt;
  // Hex digits of the 8-4-4-4-12 form, dashes where they belong.
  std::array<uint8_t, 16> raw{};
  std::size_t digit = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool dashPlace = i == 8 || i == 13 || i == 18 || i == 23;
    if (dashPlace) {
      if (text[i] != '-') return std::nullopt;
      continue;
    }
    const int v = HexValue(text[i]);
    if (v < 0) return std::nullopt;
    raw[digit / 2] = static_cast<uint8_t>(raw[digit / 2] | (digit % 2 == 0 ? v << 4 : v));
    ++digit;
  }
  Guid guid;
  guid.data1 = (static_cast<uint32_t>(raw[0]) << 24) | (static_cast<uint32_t>(raw[1]) << 16) |
               (static_cast<uint32_t>(raw[2]) << 8) | raw[3];
  guid.data2 = static_cast<uint16_t>((raw[4] << 8) | raw[5]);
  guid.data3 = static_cast<uint16_t>((raw[6] << 8) | raw[7]);
  for (std::size_t i = 0; i < 8; ++i) guid.data4[i] = raw[8 + i];
  return guid;
}

std::string Guid::ToString() const {
  char text[37];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned>(data1), static_cast<unsigned>(data2),
                static_cast<unsigned>(data3), data4[0], data4[1], data4[2], data4[3], data4[4],
                data4[5], data4[6], data4[7]);
  return text;
}

std::array<uint8_t, 16> Guid::ToBytes() const {
  std::array<uint8_t, 16> bytes{};
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(data1 >> (8 * i));
  bytes[4] = static_cast<uint8_t>(data2);
  bytes[5] = static_cast<uint8_t>(data2 >> 8);
  bytes[6] = static_cast<uint8_t>(data3);
  bytes[7] = static_cast<uint8_t>(data3 >> 8);
  for (std::size_t i = 0; i < 8; ++i) bytes[8 + i] = data4[i];
  return bytes;
}

Guid Guid::FromBytes(const uint8_t* bytes16) {
  Guid guid;
  guid.data1 = static_cast<uint32_t>(bytes16[0]) | (static_cast<uint32_t>(bytes16[1]) << 8) |
               (static_cast<uint32_t>(bytes16[2]) << 16) |
               (static_cast<uint32_t>(bytes16[3]) << 24);
  guid.data2 = static_cast<uint16_t>(bytes16[4] | (bytes16[5] << 8));
  guid.data3 = static_cast<uint16_t>(bytes16[6] | (bytes16[7] << 8));
  for (std::size_t i = 0; i < 8; ++i) guid.data4[i] = bytes16[8 + i];
  return guid;
}

}  // namespace kavrin
