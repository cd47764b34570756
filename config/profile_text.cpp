#include "config/profile_text.h"

#include <algorithm>
#include <string_view>

#include "config/text_codec.h"

namespace kavrin {
namespace {

using Kind = ProfileEncoding::Kind;

bool StartsWith(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> mark) {
  if (bytes.size() < mark.size()) return false;
  std::size_t i = 0;
  for (uint8_t b : mark) {
    if (bytes[i++] != b) return false;
  }
  return true;
}

// Text in any ANSI code page or in UTF-8 holds no zero bytes, and INI text is mostly ASCII
// (brackets, names, '=', line ends), whose UTF-16 form has a zero in every other byte; even a
// line of Chinese option text is a quarter ASCII. So zeros in at least one unit in five, all
// but a few on one side, mean UTF-16 of that order.
Kind ZeroBytesOrder(std::span<const uint8_t> bytes) {
  std::size_t evenZeros = 0;
  std::size_t oddZeros = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    evenZeros += bytes[i] == 0 ? 1 : 0;
    oddZeros += bytes[i + 1] == 0 ? 1 : 0;
  }
  const std::size_t units = bytes.size() / 2;
  if (units == 0) return Kind::AnsiCodePage;
  if (oddZeros * 5 >= units && oddZeros > 4 * evenZeros) return Kind::Utf16LeZeros;
  if (evenZeros * 5 >= units && evenZeros > 4 * oddZeros) return Kind::Utf16BeZeros;
  return Kind::AnsiCodePage;
}

std::u16string DecodeUtf16(std::span<const uint8_t> bytes, bool bigEndian) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  // A trailing odd byte cannot form a code unit and is dropped.
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const uint8_t hi = bigEndian ? bytes[i] : bytes[i + 1];
    const uint8_t lo = bigEndian ? bytes[i + 1] : bytes[i];
    text.push_back(static_cast<char16_t>((hi << 8) | lo));
  }
  return text;
}

std::string_view AsChars(std::span<const uint8_t> bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool HasNonAscii(std::span<const uint8_t> bytes) {
  for (uint8_t b : bytes) {
    if (b >= 0x80) return true;
  }
  return false;
}

// Whether the ANSI charset reads the bytes as valid text of its own, different from UTF-8's
// reading: no more replacement characters than the UTF-8 reading holds.
bool AnsiAlsoReads(std::span<const uint8_t> bytes, const std::string& charset) {
  if (IsUtf8Charset(charset)) return false;
  const std::u16string ansi = AnsiTextToWide(AsChars(bytes));
  const std::u16string utf8 = FromUtf8(AsChars(bytes));
  if (ansi.empty() || ansi == utf8) return false;
  auto replacements = [](const std::u16string& text) {
    return std::count(text.begin(), text.end(), u'\uFFFD');
  };
  return replacements(ansi) <= replacements(utf8);
}

}  // namespace

std::string ProfileEncoding::Name() const {
  switch (kind) {
    case Kind::Utf16LeMark:
      return "UTF-16LE with byte-order mark";
    case Kind::Utf16BeMark:
      return "UTF-16BE with byte-order mark";
    case Kind::Utf8Mark:
      return "UTF-8 with byte-order mark";
    case Kind::Utf16LeZeros:
      return "UTF-16LE without byte-order mark";
    case Kind::Utf16BeZeros:
      return "UTF-16BE without byte-order mark";
    case Kind::Utf8NoMark:
      return "UTF-8 without byte-order mark";
    case Kind::AnsiCodePage:
      break;
  }
  return charset + " (ANSI code page, no byte-order mark)";
}

ProfileEncoding DetectProfileEncoding(std::span<const uint8_t> bytes) {
  if (StartsWith(bytes, {0xFF, 0xFE})) return {Kind::Utf16LeMark, {}, {}};
  if (StartsWith(bytes, {0xFE, 0xFF})) return {Kind::Utf16BeMark, {}, {}};
  if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) return {Kind::Utf8Mark, {}, {}};
  const Kind order = ZeroBytesOrder(bytes);
  if (order != Kind::AnsiCodePage) return {order, {}, {}};
  const std::string charset = AnsiCharset();
  if (HasNonAscii(bytes) && IsUtf8Text(AsChars(bytes))) {
    ProfileEncoding utf8{Kind::Utf8NoMark, {}, {}};
    if (AnsiAlsoReads(bytes, charset)) utf8.alsoReadsAs = charset;
    return utf8;
  }
  return {Kind::AnsiCodePage, charset, {}};
}

ProfileText DecodeProfileText(std::span<const uint8_t> bytes) {
  ProfileText decoded{DetectProfileEncoding(bytes), {}};
  switch (decoded.encoding.kind) {
    case Kind::Utf16LeMark:
      decoded.text = DecodeUtf16(bytes.subspan(2), false);
      break;
    case Kind::Utf16BeMark:
      decoded.text = DecodeUtf16(bytes.subspan(2), true);
      break;
    case Kind::Utf8Mark:
      decoded.text = FromUtf8(
          std::string_view(reinterpret_cast<const char*>(bytes.data()) + 3, bytes.size() - 3));
      break;
    case Kind::Utf16LeZeros:
      decoded.text = DecodeUtf16(bytes, false);
      break;
    case Kind::Utf16BeZeros:
      decoded.text = DecodeUtf16(bytes, true);
      break;
    case Kind::Utf8NoMark:
      decoded.text = FromUtf8(AsChars(bytes));
      break;
    case Kind::AnsiCodePage:
      decoded.text = AnsiTextToWide(AsChars(bytes));
      break;
  }
  return decoded;
}

}  // namespace kavrin
