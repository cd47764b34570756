#pragma once
// Text crosses between the window's UTF-16 and the single-byte "ANSI" form that the recorder
// and the trace use. The ANSI charset is KAVRIN_CODEPAGE when set, else the locale's.
#include <string>
#include <string_view>

namespace kavrin {

// Room of the conversion buffers the window and the recorder use: 259 units and a terminator.
inline constexpr std::size_t kTextRoom = 260;

// Sets the ANSI charset by iconv name ("BIG5", "CP1252", "UTF-8"); empty restores the default.
void SetAnsiCharset(std::string charset);
// The charset in effect.
std::string AnsiCharset();

// ANSI bytes up to the first NUL to UTF-16, at most kTextRoom - 1 units.
std::u16string AnsiToWide(std::string_view ansi);
// UTF-16 to ANSI bytes, at most kTextRoom - 1 bytes; a character the charset lacks becomes '?'.
std::string WideToAnsi(std::u16string_view wide);

// Lossless conversions between UTF-16 and UTF-8 (files, JSON, Qt). Unpaired surrogates
// become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace kavrin
