#pragma once
// Telling the encoding of a KAVRIN_CFG.ini and decoding it: a byte-order mark decides
// (UTF-16LE, UTF-16BE, UTF-8); without one, UTF-16 is recognised by its zero bytes, bytes that
// are well-formed UTF-8 with non-ASCII text are UTF-8 (what Notepad saves by default), and
// anything else is text of the ANSI code page. Text in Big5, GBK or CP1252 with non-ASCII
// characters is practically never well-formed UTF-8, so the guess only errs on files that the
// ANSI code page would read too; those are named so that `kavrin config --check` can say so.
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
    Utf8NoMark,    // no mark; well-formed UTF-8 with non-ASCII text
    AnsiCodePage,  // no mark: the ANSI code page, named by charset
  };
  Kind kind = Kind::AnsiCodePage;
  std::string charset;  // for AnsiCodePage
  // For Utf8NoMark: the ANSI charset when the same bytes are also valid text in it (read as
  // something else), so the file could be read either way. Empty otherwise.
  std::string alsoReadsAs;

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
