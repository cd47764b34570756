// The ANSI code page on Windows: the system's (CP_ACP) unless KAVRIN_CODEPAGE or
// SetAnsiCharset names another, converted with MultiByteToWideChar/WideCharToMultiByte.
// A code page is named by its number ("950") or by the names the Linux build's iconv
// understands for the common ones ("BIG5", "CP1252", "UTF-8"), so the same settings and
// tests serve both.
#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/text_codec.h"

namespace kavrin {
namespace {

std::string& ExplicitCharset() {
  static std::string charset;
  return charset;
}

std::string Upper(std::string_view text) {
  std::string upper;
  for (const char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// 0 for a name that is no code page this system has.
UINT CodePageFromName(std::string_view name) {
  const std::string upper = Upper(name);
  struct Alias {
    const char* name;
    UINT codePage;
  };
  static constexpr Alias kAliases[] = {
      {"UTF-8", CP_UTF8},   {"UTF8", CP_UTF8},       {"BIG5", 950},        {"BIG-5", 950},
      {"GBK", 936},         {"GB2312", 936},         {"SHIFT_JIS", 932},   {"SJIS", 932},
      {"EUC-KR", 949},      {"UHC", 949},            {"ISO-8859-1", 28591}, {"LATIN1", 28591},
      {"ASCII", 20127},     {"US-ASCII", 20127},     {"ANSI_X3.4-1968", 20127},
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

// The code page in effect; 0 when the named one does not exist (every conversion is then
// empty, as the Linux build's is for an unknown charset).
UINT CodePage() {
  if (!ExplicitCharset().empty()) return CodePageFromName(ExplicitCharset());
  if (const char* env = std::getenv("KAVRIN_CODEPAGE"); env != nullptr && *env != '\0') {
    return CodePageFromName(env);
  }
  return GetACP();
}

}  // namespace

void SetAnsiCharset(std::string charset) { ExplicitCharset() = std::move(charset); }

std::string AnsiCharset() {
  const UINT codePage = CodePage();
  return codePage == CP_UTF8 ? std::string("UTF-8") : "CP" + std::to_string(codePage);
}

std::u16string AnsiToWide(std::string_view ansi) {
  ansi = ansi.substr(0, ansi.find('\0'));
  const UINT codePage = CodePage();
  if (ansi.empty() || codePage == 0) return {};
  const int size = static_cast<int>(ansi.size());
  // Bytes that are no text in the code page become U+FFFD (or the code page's own default).
  const int units = MultiByteToWideChar(codePage, 0, ansi.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::u16string wide(static_cast<std::size_t>(units), u'\0');
  MultiByteToWideChar(codePage, 0, ansi.data(), size, reinterpret_cast<wchar_t*>(wide.data()),
                      units);
  if (wide.size() >= kTextRoom) wide.resize(kTextRoom - 1);
  return wide;
}

std::string WideToAnsi(std::u16string_view wide) {
  wide = wide.substr(0, wide.find(u'\0'));
  const UINT codePage = CodePage();
  if (wide.empty() || codePage == 0) return {};
  const auto* source = reinterpret_cast<const wchar_t*>(wide.data());
  const int size = static_cast<int>(wide.size());
  // A character the code page lacks becomes '?'; UTF-8 has every character and takes no
  // substitute (an unpaired surrogate becomes U+FFFD).
  // No "best fit" either (é as e): text that is not what was typed must show as such.
  const char* substitute = codePage == CP_UTF8 ? nullptr : "?";
  DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  int bytes = WideCharToMultiByte(codePage, flags, source, size, nullptr, 0, substitute, nullptr);
  if (bytes <= 0 && (GetLastError() == ERROR_INVALID_PARAMETER ||
                     GetLastError() == ERROR_INVALID_FLAGS)) {
    substitute = nullptr;  // code pages such as the ISO-2022 ones take neither
    flags = 0;
    bytes = WideCharToMultiByte(codePage, flags, source, size, nullptr, 0, nullptr, nullptr);
  }
  if (bytes <= 0) return {};
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, flags, source, size, ansi.data(), bytes, substitute, nullptr);
  if (ansi.size() >= kTextRoom) ansi.resize(kTextRoom - 1);
  return ansi;
}

// UTF-8 through the same calls (an interim Windows form; the portable conversions of the
// Linux build serve here once the codec is split into portable and platform parts).
std::string ToUtf8(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* source = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, source, size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, source, size, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (units <= 0) return {};
  std::u16string out(static_cast<std::size_t>(units), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, reinterpret_cast<wchar_t*>(out.data()),
                      units);
  return out;
}

}  // namespace kavrin
