#pragma once
// Text crosses between the window's UTF-16 and the single-byte "ANSI" form that the recorder
// and the trace use. The ANSI charset is KAVRIN_CODEPAGE when set, else the locale's (a
// locale without a charset, the C locale, counts as UTF-8). The platform's conversions are
// behind config/text_platform.h.
#include <string>
#include <string_view>

namespace kavrin {

// Room of the conversion buffers the window and the recorder use: 259 units and a terminator.
inline constexpr std::size_t kTextRoom = 260;

// Sets the ANSI charset by name ("BIG5", "CP1252", "UTF-8"); empty restores the default.
void SetAnsiCharset(std::string charset);
// The charset in effect.
std::string AnsiCharset();
// Whether a charset name means UTF-8 ("UTF-8", "utf8", "CP65001").
bool IsUtf8Charset(std::string_view charset);

// Empty when the ANSI charset can be used; else the reason, naming KAVRIN_CODEPAGE's value.
// Both programs refuse to start with it, since every conversion would give empty text.
std::string CodePageProblem();

// ANSI bytes up to the first NUL to UTF-16, at most kTextRoom - 1 units.
std::u16string AnsiToWide(std::string_view ansi);
// UTF-16 to ANSI bytes, at most kTextRoom - 1 bytes; a character the charset lacks becomes '?'.
std::string WideToAnsi(std::u16string_view wide);
// A whole text in the ANSI charset (a file without a byte-order mark): no room limit, NULs
// kept; bytes that are not text in the charset read as U+FFFD.
std::u16string AnsiTextToWide(std::string_view bytes);
// Text in the charset of the user's locale (a terminal's command line) to UTF-16.
std::u16string LocaleToWide(std::string_view bytes);

// Whether the bytes are well-formed UTF-8: no stray continuation byte, no overlong form, no
// surrogate, nothing beyond U+10FFFF, no sequence cut at the end.
bool IsUtf8Text(std::string_view bytes);

// Lossless conversions between UTF-16 and UTF-8 (files, JSON, Qt). Unpaired surrogates
// become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace kavrin
