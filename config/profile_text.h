#pragma once
// Telling the encoding of a KAVRIN_CFG.ini and decoding it, as the platform's profile reader
// does: a byte-order mark decides (UTF-16LE, UTF-16BE, UTF-8); without one, UTF-16 is
// recognised by its zero bytes, and anything else is text of the ANSI code page.
#include <cstdint>
#include <span>
#include <string>

namespace kavrin {

struct ProfileEncoding {
  enum class Kind {
    Utf16LeMark,
    Utf16BeMark,
    Utf8Mark,
    Utf16LeZeros,  // no mark; the zero high bytes of ASCII text show it
    Utf16BeZeros,
    AnsiCodePage,  // no mark: the ANSI code page, named by charset
  };
  Kind kind = Kind::AnsiCodePage;
  std::string charset;  // for AnsiCodePage

  // "UTF-16LE with byte-order mark", "BIG5 (ANSI code page, no byte-order mark)", ...
  std::string Name() const;
};

struct ProfileText {
  ProfileEncoding encoding;
  std::u16string text;
};

ProfileEncoding DetectProfileEncoding(std::span<const uint8_t> bytes);
ProfileText DecodeProfileText(std::span<const uint8_t> bytes);

}  // namespace kavrin
