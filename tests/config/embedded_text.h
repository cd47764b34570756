#pragma once
// The embedded default KAVRIN_CFG.ini as UTF-8 text, and small edits of it, so tests can
// start from the shipped file and change one thing.
#include <stdexcept>
#include <string>
#include <string_view>

#include "config/resources.h"
#include "config/text_codec.h"

namespace kavrin::test {

inline std::string EmbeddedDefaultUtf8() {
  const auto data = FindResourceData(kDefaultConfigResourceId, kTextResourceType);
  if (!data || data->size() < 2) throw std::runtime_error("no embedded default");
  std::u16string text;
  for (std::size_t i = 2; i + 1 < data->size(); i += 2) {
    text.push_back(static_cast<char16_t>((*data)[i] | ((*data)[i + 1] << 8)));
  }
  return ToUtf8(text);
}

// The text with the first occurrence of `from` replaced; throws when it is not there, so a
// test cannot silently run on an unedited file.
inline std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  if (at == std::string::npos) throw std::runtime_error("not in the text: " + std::string(from));
  return text.replace(at, from.size(), to);
}

}  // namespace kavrin::test
