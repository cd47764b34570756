#pragma once
// Small formatting helpers for the guest's check lines.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace kavrin::vm {

inline std::string Hex(std::span<const uint8_t> bytes) {
  std::string text;
  char byte[4];
  for (uint8_t b : bytes) {
    std::snprintf(byte, sizeof byte, "%02X ", b);
    text += byte;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

inline std::string HexWord(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", v);
  return text;
}

// The text of a 64-byte string reply: up to its first NUL, or all 64 bytes.
inline std::string ReplyText(std::span<const uint8_t> reply) {
  std::string text(reply.begin(), reply.end());
  return text.substr(0, text.find('\0'));
}

}  // namespace kavrin::vm
