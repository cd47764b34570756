#include "config/text_codec.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

#include "config/text_platform.h"

namespace kavrin {
namespace {

std::string& ExplicitCharset() {
  static std::string charset;
  return charset;
}

std::string CodePageSetting() {
  const char* env = std::getenv("KAVRIN_CODEPAGE");
  return env != nullptr ? std::string(env) : std::string();
}

}  // namespace

void SetAnsiCharset(std::string charset) { ExplicitCharset() = std::move(charset); }

std::string AnsiCharset() {
  if (!ExplicitCharset().empty()) return ExplicitCharset();
  std::string setting = CodePageSetting();
  return setting.empty() ? platform::LocaleCharset() : setting;
}

bool IsUtf8Charset(std::string_view charset) {
  std::string folded;
  for (char c : charset) {
    if (c != '-' && c != '_')
      folded.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return folded == "UTF8" || folded == "CP65001";
}

std::string CodePageProblem() {
  const std::string setting = CodePageSetting();
  if (setting.empty() || platform::CharsetKnown(setting)) return {};
  return "KAVRIN_CODEPAGE=\"" + setting +
         "\" is not a code page this system can convert; unset it or name one such as BIG5, "
         "CP1252 or UTF-8";
}

std::u16string AnsiToWide(std::string_view ansi) {
  ansi = ansi.substr(0, ansi.find('\0'));
  std::u16string wide = platform::DecodeCharset(AnsiCharset(), ansi);
  if (wide.size() >= kTextRoom) wide.resize(kTextRoom - 1);
  return wide;
}

std::string WideToAnsi(std::u16string_view wide) {
  wide = wide.substr(0, wide.find(u'\0'));
  std::string ansi = platform::EncodeCharset(AnsiCharset(), wide, '?');
  if (ansi.size() >= kTextRoom) ansi.resize(kTextRoom - 1);
  return ansi;
}

std::u16string AnsiTextToWide(std::string_view bytes) {
  const std::string charset = AnsiCharset();
  // UTF-8 files have always been read by the program's own decoder; it stays the one.
  if (IsUtf8Charset(charset)) return FromUtf8(bytes);
  return platform::DecodeCharset(charset, bytes);
}

std::u16string LocaleToWide(std::string_view bytes) {
  const std::string charset = platform::LocaleCharset();
  if (IsUtf8Charset(charset)) return FromUtf8(bytes);
  return platform::DecodeCharset(charset, bytes);
}

bool IsUtf8Text(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const uint8_t lead = static_cast<uint8_t>(bytes[i]);
    std::size_t extra = 0;
    uint32_t min = 0;
    uint32_t value = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead >> 5) == 0x6) {
      extra = 1, min = 0x80, value = lead & 0x1F;
    } else if ((lead >> 4) == 0xE) {
      extra = 2, min = 0x800, value = lead & 0x0F;
    } else if ((lead >> 3) == 0x1E) {
      extra = 3, min = 0x10000, value = lead & 0x07;
    } else {
      return false;
    }
    if (i + extra >= bytes.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const uint8_t next = static_cast<uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    const std::size_t extra = lead < 0x80           ? 0
                              : (lead >> 5) == 0x6  ? 1
                              : (lead >> 4) == 0xE  ? 2
                              : (lead >> 3) == 0x1E ? 3
                                                    : 4;  // not a lead byte
    uint32_t cp = extra == 0 ? lead : 0xFFFD;
    std::size_t consumed = 1;  // a malformed sequence costs one byte and gives U+FFFD
    if (extra >= 1 && extra <= 3 && i + extra < text.size()) {
      uint32_t value = lead & (0x3Fu >> extra);
      bool ok = true;
      for (std::size_t k = 1; k <= extra && ok; ++k) {
        const uint8_t next = static_cast<uint8_t>(text[i + k]);
        ok = (next & 0xC0) == 0x80;
        value = (value << 6) | (next & 0x3F);
      }
      if (ok && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF)) {
        cp = value;
        consumed = extra + 1;
      }
    }
    i += consumed;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

}  // namespace kavrin
