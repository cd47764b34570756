#pragma once
// UTF-16 text between the framework (std::u16string) and Win32's wide strings: on Windows
// wchar_t is one UTF-16 code unit, so the conversion is a copy.
#include <string>
#include <string_view>

namespace kavrin::ui::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide text is UTF-16");

inline std::wstring ToWide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

inline std::u16string FromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace kavrin::ui::win32
