#include "cli/printable_text.h"

namespace kavrin::cli {

std::string PrintableText(std::string_view text) {
  std::string printable;
  printable.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7f) {
      printable += '?';
    } else if (byte == 0xc2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
      printable += '?';  // U+0080-U+009F: CSI and its kin where a terminal reads them
      ++i;
    } else {
      printable += text[i];
    }
  }
  return printable;
}

}  // namespace kavrin::cli
