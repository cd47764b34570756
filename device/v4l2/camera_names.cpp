#include "device/v4l2/camera_names.h"

#include <algorithm>
#include <optional>

#include "config/text_codec.h"

namespace kavrin::v4l2 {
namespace {

// Drops a UTF-8 sequence that the cut left incomplete at the end.
std::string_view WithoutBrokenTail(std::string_view text) {
  for (std::size_t back = 1; back <= std::min<std::size_t>(4, text.size()); ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t needed = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
    return needed > back ? text.substr(0, text.size() - back) : text;
  }
  return text;
}

struct CardSuffix {
  std::string_view text;
  bool cut = false;  // the card is full: the text may be only the string's start
};

// What uvcvideo appended to the card after "product: ", if anything.
std::optional<CardSuffix> SuffixOf(std::string_view card, std::string_view product) {
  card = card.substr(0, card.find('\0'));
  std::size_t at = std::string_view::npos;
  const std::string_view shownProduct = product.substr(0, kCardRoom);
  if (!product.empty() && card.substr(0, shownProduct.size()) == shownProduct &&
      card.substr(shownProduct.size(), 2) == ": ") {
    at = shownProduct.size() + 2;
  } else if (const std::size_t colon = card.find(": "); colon != std::string_view::npos) {
    at = colon + 2;
  }
  if (at == std::string_view::npos) return std::nullopt;
  CardSuffix suffix{card.substr(at), card.size() >= kCardRoom};
  if (suffix.cut) suffix.text = WithoutBrokenTail(suffix.text);
  if (suffix.text.empty()) return std::nullopt;
  return suffix;
}

}  // namespace

std::u16string FriendlyNameFromCard(std::string_view card) {
  card = card.substr(0, card.find('\0'));
  if (const std::size_t colon = card.find(": "); colon != std::string_view::npos) {
    card = card.substr(0, colon);
  }
  return FromUtf8(card);
}

std::vector<InputName> CameraNames(const CameraStrings& strings) {
  std::vector<InputName> names;
  auto add = [&names](std::string_view text, NameSource source, bool cut) {
    if (text.empty()) return;
    InputName name{FromUtf8(text), source, cut};
    const bool known = std::any_of(names.begin(), names.end(), [&](const InputName& other) {
      return other.text == name.text && other.cut == name.cut;
    });
    if (!known) names.push_back(std::move(name));
  };
  const FunctionStringIndexes& index = strings.indexes;
  const std::optional<CardSuffix> suffix = SuffixOf(strings.card, strings.product);
  // uvcvideo appends the function's string when the interface has an association with one,
  // else the interface's own string.
  if (index.known && index.function != 0) {
    if (index.function == index.interface && !strings.interface.empty()) {
      add(strings.interface, NameSource::kFunction, false);
    } else if (index.function == index.product && !strings.product.empty()) {
      add(strings.product, NameSource::kFunction, false);
    } else if (suffix) {
      add(suffix->text, NameSource::kFunction, suffix->cut);
    }
  }
  if (!strings.interface.empty()) {
    add(strings.interface, NameSource::kInterface, false);
  } else if (index.known && index.function == 0 && index.interface != 0 && suffix) {
    add(suffix->text, NameSource::kInterface, suffix->cut);
  }
  add(strings.product, NameSource::kProduct, false);
  if (names.empty()) {
    names.push_back(InputName{FriendlyNameFromCard(strings.card), NameSource::kCard, false});
  }
  return names;
}

}  // namespace kavrin::v4l2
