#pragma once
// What each platform supplies to the text conversions of config/text_codec.h: conversion
// between UTF-16 and a named charset, and the charset of the user's locale. POSIX uses iconv
// and the locale (config/posix/text_codec_posix.cpp); the Win32 twin maps the names to code
// page numbers for MultiByteToWideChar and WideCharToMultiByte and answers CP_ACP's name.
#include <string>
#include <string_view>

namespace kavrin::platform {

// Whether text can be converted both ways between UTF-16 and the charset.
bool CharsetKnown(const std::string& charset);

// The bytes as text of the charset; a byte sequence that is not text in it becomes U+FFFD.
// Empty when the charset is unknown.
std::u16string DecodeCharset(const std::string& charset, std::string_view bytes);

// The text in the charset; a character the charset lacks becomes `substitute`. Empty when the
// charset is unknown.
std::string EncodeCharset(const std::string& charset, std::u16string_view text, char substitute);

// The charset the user's locale (LC_ALL, LC_CTYPE, LANG) names, as the charset name the
// conversions above accept.
std::string LocaleCharset();

}  // namespace kavrin::platform
