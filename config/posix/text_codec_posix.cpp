// Charset conversions on POSIX systems: iconv, and the locale's codeset.
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "config/text_platform.h"

namespace kavrin::platform {
namespace {

constexpr const char* kUtf16 = "UTF-16LE";

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
  ~Converter() {
    if (Valid()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts the whole input; where a unit of `unitSize` bytes cannot be converted, it is
  // skipped and `substitute` (already in the target's form) is put in its place.
  std::string Run(std::string_view input, std::size_t unitSize, std::string_view substitute) {
    std::string out;
    out.reserve(input.size() * 2 + 16);
    std::vector<char> buffer(std::size_t{64} << 10);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
      char* outPtr = buffer.data();
      std::size_t outLeft = buffer.size();
      const std::size_t r = ::iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer.data(), buffer.size() - outLeft);
      if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
        // EILSEQ or EINVAL (a sequence cut off at the end): one unit out, the substitute in.
        const std::size_t skip = std::min(unitSize, inLeft);
        in += skip;
        inLeft -= skip;
        out.append(substitute);
      }
    }
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    ::iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);  // a stateful charset's closing shift
    out.append(buffer.data(), buffer.size() - outLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

bool CharsetKnown(const std::string& charset) {
  if (charset.empty()) return false;
  return Converter(kUtf16, charset.c_str()).Valid() && Converter(charset.c_str(), kUtf16).Valid();
}

std::u16string DecodeCharset(const std::string& charset, std::string_view bytes) {
  Converter converter(kUtf16, charset.c_str());
  if (!converter.Valid()) return {};
  const std::string utf16 = converter.Run(bytes, 1, "\xFD\xFF");
  std::u16string text;
  text.reserve(utf16.size() / 2);
  for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<uint8_t>(utf16[i]) |
                                         (static_cast<uint8_t>(utf16[i + 1]) << 8)));
  }
  return text;
}

std::string EncodeCharset(const std::string& charset, std::u16string_view text, char substitute) {
  Converter converter(charset.c_str(), kUtf16);
  if (!converter.Valid()) return {};
  std::string utf16;
  utf16.reserve(text.size() * 2);
  for (char16_t c : text) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  return converter.Run(utf16, 2, std::string_view(&substitute, 1));
}

std::string LocaleCharset() {
  // newlocale leaves the process's own locale alone; the answer is kept while the
  // environment that decides it stays the same.
  static std::mutex mutex;
  static std::string key;
  static std::string charset;
  std::string now;
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    now.append(value != nullptr ? value : "").push_back('\n');
  }
  std::lock_guard<std::mutex> lock(mutex);
  if (charset.empty() || now != key) {
    locale_t locale = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    const char* codeset = locale != nullptr ? ::nl_langinfo_l(CODESET, locale) : nullptr;
    charset = codeset != nullptr ? codeset : "";
    if (locale != nullptr) ::freelocale(locale);
    // The C locale's ASCII means no locale was chosen at all; text files and terminals on
    // such a system are UTF-8 in practice, and ASCII reads the same either way.
    if (charset.empty() || charset == "ANSI_X3.4-1968" || charset == "ASCII" ||
        charset == "US-ASCII") {
      charset = "UTF-8";
    }
    key = now;
  }
  return charset;
}

}  // namespace kavrin::platform
