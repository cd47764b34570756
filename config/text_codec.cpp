#include "config/text_codec.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <iconv.h>
#include <langinfo.h>
#include <mutex>
#include <vector>

namespace kavrin {
namespace {

std::string& ExplicitCharset() {
  static std::string charset;
  return charset;
}

std::string DefaultCharset() {
  if (const char* env = std::getenv("KAVRIN_CODEPAGE"); env != nullptr && *env != '\0') {
    return env;
  }
  // The locale's charset, as the environment (LANG, LC_ALL) names it.
  static const std::string fromLocale = [] {
    const char* previous = std::setlocale(LC_CTYPE, nullptr);
    std::string saved = previous ? previous : "C";
    std::setlocale(LC_CTYPE, "");
    std::string codeset = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, saved.c_str());
    return codeset.empty() ? std::string("UTF-8") : codeset;
  }();
  return fromLocale;
}

// Converts with iconv; characters the target lacks become `replacement` in the source's
// terms: the converter skips one source unit and the caller's substitute is appended.
std::string Convert(const char* to, const char* from, const char* input, std::size_t inSize,
                    std::size_t unitSize, std::string_view substitute) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out;
  std::vector<char> buffer(256);
  char* in = const_cast<char*>(input);
  std::size_t inLeft = inSize;
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one unit of the source and put the substitute instead.
      const std::size_t skip = std::min(unitSize, inLeft);
      in += skip;
      inLeft -= skip;
      out.append(substitute);
    }
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  iconv_close(cd);
  return out;
}

}  // namespace

void SetAnsiCharset(std::string charset) { ExplicitCharset() = std::move(charset); }

std::string AnsiCharset() {
  return ExplicitCharset().empty() ? DefaultCharset() : ExplicitCharset();
}

std::u16string AnsiToWide(std::string_view ansi) {
  ansi = ansi.substr(0, ansi.find('\0'));
  const std::string charset = AnsiCharset();
  // U+FFFD in UTF-16LE for bytes that are not text in the charset.
  const std::string bytes =
      Convert("UTF-16LE", charset.c_str(), ansi.data(), ansi.size(), 1, "\xFD\xFF");
  std::u16string wide;
  wide.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    wide.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                         (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  }
  if (wide.size() >= kTextRoom) wide.resize(kTextRoom - 1);
  return wide;
}

std::string WideToAnsi(std::u16string_view wide) {
  wide = wide.substr(0, wide.find(u'\0'));
  std::string bytes;
  bytes.reserve(wide.size() * 2);
  for (char16_t c : wide) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  const std::string charset = AnsiCharset();
  std::string ansi = Convert(charset.c_str(), "UTF-16LE", bytes.data(), bytes.size(), 2, "?");
  if (ansi.size() >= kTextRoom) {
    ansi.resize(kTextRoom - 1);
  }
  return ansi;
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
    const std::size_t extra = lead < 0x80          ? 0
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
