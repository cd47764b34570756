#pragma once
// Builds KAVRIN_CFG.ini bytes in the encodings the reader accepts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/text_codec.h"

namespace kavrin::test {

enum class IniEncoding { kUtf8, kUtf8Bom, kUtf16Le, kUtf16Be, kUtf16LeNoMark, kUtf16BeNoMark };

inline std::vector<uint8_t> EncodeIni(std::string_view utf8, IniEncoding encoding) {
  std::vector<uint8_t> out;
  if (encoding == IniEncoding::kUtf8 || encoding == IniEncoding::kUtf8Bom) {
    // Byte by byte: GCC 12 at -O2 warns falsely about inserting the text behind the mark.
    out.reserve(utf8.size() + 3);
    if (encoding == IniEncoding::kUtf8Bom) out = {0xEF, 0xBB, 0xBF};
    for (const char c : utf8) out.push_back(static_cast<uint8_t>(c));
    return out;
  }
  const bool big = encoding == IniEncoding::kUtf16Be || encoding == IniEncoding::kUtf16BeNoMark;
  if (encoding == IniEncoding::kUtf16Le || encoding == IniEncoding::kUtf16Be) {
    out = big ? std::vector<uint8_t>{0xFE, 0xFF} : std::vector<uint8_t>{0xFF, 0xFE};
  }
  for (char16_t c : FromUtf8(utf8)) {
    const auto hi = static_cast<uint8_t>(c >> 8);
    const auto lo = static_cast<uint8_t>(c & 0xFF);
    out.push_back(big ? hi : lo);
    out.push_back(big ? lo : hi);
  }
  return out;
}

inline std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

}  // namespace kavrin::test
