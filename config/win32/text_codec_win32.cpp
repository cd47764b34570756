// Charset conversions on Windows: MultiByteToWideChar and WideCharToMultiByte on code page
// numbers. A charset is named by its number ("950") or by the names the Linux build's iconv
// understands for the common ones ("BIG5", "CP1252", "UTF-8"), so that KAVRIN_CODEPAGE and
// the tests mean the same on both. The locale's charset is the system's ANSI code page
// (CP_ACP), which is also the one a program's command line arrives in.
#include <windows.h>

#include <cctype>
#include <string>

#include "config/text_codec.h"
#include "config/text_platform.h"

namespace kavrin::platform {
namespace {

std::string Upper(std::string_view text) {
  std::string upper;
  for (const char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// 0 for a name that is no code page this system has.
UINT CodePageOf(const std::string& charset) {
  const std::string upper = Upper(charset);
  struct Alias {
    const char* name;
    UINT codePage;
  };
  static constexpr Alias kAliases[] = {
      {"UTF-8", CP_UTF8}, {"UTF8", CP_UTF8},     {"BIG5", 950},
      {"BIG-5", 950},     {"GBK", 936},          {"GB2312", 936},
      {"SHIFT_JIS", 932}, {"SJIS", 932},         {"EUC-KR", 949},
      {"UHC", 949},       {"ISO-8859-1", 28591}, {"LATIN1", 28591},
      {"ASCII", 20127},   {"US-ASCII", 20127},   {"ANSI_X3.4-1968", 20127},
  };
  for (const Alias& alias : kAliases) {
    if (upper == alias.name) return IsValidCodePage(alias.codePage) ? alias.codePage : 0;
  }
  std::string_view digits = upper;
  for (std::string_view prefix : {"WINDOWS-", "CP"}) {
    if (digits.substr(0, prefix.size()) == prefix) {
      digits.remove_prefix(prefix.size());
      break;
    }
  }
  if (digits.empty() || digits.size() > 5) return 0;
  UINT number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + static_cast<UINT>(c - '0');
  }
  return number != 0 && IsValidCodePage(number) ? number : 0;
}

}  // namespace

bool CharsetKnown(const std::string& charset) { return CodePageOf(charset) != 0; }

std::u16string DecodeCharset(const std::string& charset, std::string_view bytes) {
  const UINT codePage = CodePageOf(charset);
  if (codePage == 0 || bytes.empty()) return {};
  // UTF-8 by the program's own decoder, as on Linux: a malformed byte is one U+FFFD.
  if (codePage == CP_UTF8) return FromUtf8(bytes);
  // Sizes are ints here; the tool never converts more than its 4 MiB read bound.
  const int size = static_cast<int>(bytes.size());
  int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (units > 0) {
    std::u16string text(static_cast<std::size_t>(units), u'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size,
                        reinterpret_cast<wchar_t*>(text.data()), units);
    return text;
  }
  CPINFO info{};
  if (!GetCPInfo(codePage, &info) || info.MaxCharSize > 2) {
    // A code page of longer or stateful sequences: the system's own substitutes.
    units = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (units <= 0) return {};
    std::u16string text(static_cast<std::size_t>(units), u'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()),
                        units);
    return text;
  }
  // Bytes that are no text in the code page: each character on its own, and a byte that
  // starts none reads as U+FFFD, the next byte starting afresh (as the Linux build reads it).
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    const auto lead = static_cast<BYTE>(bytes[at]);
    const std::size_t length = IsDBCSLeadByteEx(codePage, lead) && at + 1 < bytes.size() ? 2 : 1;
    wchar_t unit[2];
    const int got = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data() + at,
                                        static_cast<int>(length), unit, 2);
    if (got > 0) {
      text.append(reinterpret_cast<const char16_t*>(unit), static_cast<std::size_t>(got));
      at += length;
    } else {
      text.push_back(u'\uFFFD');
      ++at;
    }
  }
  return text;
}

std::string EncodeCharset(const std::string& charset, std::u16string_view text, char substitute) {
  const UINT codePage = CodePageOf(charset);
  if (codePage == 0 || text.empty()) return {};
  if (codePage == CP_UTF8) return ToUtf8(text);  // as on Linux: every character fits
  const auto* source = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  // No "best fit" (é as e): text that is not what was typed must show as such.
  const char substituteText[2] = {substitute, '\0'};
  const char* fallback = substituteText;
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  int bytes = WideCharToMultiByte(codePage, flags, source, size, nullptr, 0, fallback, nullptr);
  if (bytes <= 0 &&
      (GetLastError() == ERROR_INVALID_PARAMETER || GetLastError() == ERROR_INVALID_FLAGS)) {
    fallback = nullptr;  // code pages such as the ISO-2022 ones take neither
    flags = 0;
    bytes = WideCharToMultiByte(codePage, flags, source, size, nullptr, 0, nullptr, nullptr);
  }
  if (bytes <= 0) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, flags, source, size, out.data(), bytes, fallback, nullptr);
  return out;
}

std::string LocaleCharset() {
  const UINT codePage = GetACP();
  return codePage == CP_UTF8 ? std::string("UTF-8") : "CP" + std::to_string(codePage);
}

}  // namespace kavrin::platform
