#include "cli/setting_assignment.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "config/config_keys.h"
#include "config/text_codec.h"

namespace kavrin::cli {
namespace {

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

std::string_view Trimmed(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The items the name stands for: by section name (as ITEM_LIST names them) first, else by
// title.
std::vector<const SettingItem*> FindItems(const ConfigFile& config, std::string_view name) {
  std::vector<const SettingItem*> bySection, byTitle;
  for (uint32_t i = 0; i < config.items.size(); ++i) {
    const std::u16string section =
        config.ReadString(keys::kItemList, keys::ListItemKey(i), u"", kItemTextRoom);
    const SettingItem& item = config.items[i];
    if (!section.empty() && SameIgnoringAsciiCase(ToUtf8(section), name))
      bySection.push_back(&item);
    if (SameIgnoringAsciiCase(ToUtf8(item.title), name)) byTitle.push_back(&item);
  }
  return bySection.empty() ? byTitle : bySection;
}

bool SameField(const SettingItem& a, const SettingItem& b) {
  return a.wordIndex == b.wordIndex && a.startBit == b.startBit && a.bitLength == b.bitLength;
}

// "#2" is option 2; anything else must be an option's text (trimmed, letters in any case),
// so that "1" can never be mistaken for the option at index 1 when the texts say "+1".
std::optional<uint32_t> OptionIndex(const SettingItem& item, std::string_view option) {
  if (!option.empty() && option.front() == '#') {
    const std::string_view digits = Trimmed(option.substr(1));
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return std::nullopt;
    }
    const uint32_t index = static_cast<uint32_t>(std::stoul(std::string(digits)));
    // With a list of options the index must name one; an item without options takes a number.
    if (!item.options.empty() && index >= item.options.size()) return std::nullopt;
    return index;
  }
  for (uint32_t k = 0; k < item.options.size(); ++k) {
    if (SameIgnoringAsciiCase(Trimmed(ToUtf8(item.options[k])), option)) return k;
  }
  return std::nullopt;
}

std::string OptionList(const SettingItem& item) {
  if (item.options.empty()) return "no option texts; give a value as #N";
  std::string list = "the options ";
  for (uint32_t k = 0; k < item.options.size(); ++k) {
    list += (k == 0 ? "" : ", ") + std::string("\"") + ToUtf8(item.options[k]) + "\"";
  }
  return list + " (or #0 to #" + std::to_string(item.options.size() - 1) + ")";
}

}  // namespace

std::string ApplySettingAssignment(const ConfigFile& config, std::string_view assignment,
                                   SettingsBlock* block) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string_view::npos) return "expected ITEM=OPTION";
  const std::string_view name = Trimmed(assignment.substr(0, equals));
  const std::string_view option = Trimmed(assignment.substr(equals + 1));
  const std::vector<const SettingItem*> items = FindItems(config, name);
  if (items.empty()) return "no setting item is called \"" + std::string(name) + "\"";
  for (const SettingItem* other : items) {
    if (!SameField(*items.front(), *other)) {
      return "\"" + std::string(name) + "\" names several items with different fields";
    }
  }
  const SettingItem& item = *items.front();
  const std::optional<uint32_t> index = OptionIndex(item, option);
  if (!index) {
    return "\"" + std::string(option) + "\" is no option of \"" + ToUtf8(item.title) +
           "\"; it has " + OptionList(item);
  }
  // A value the field cannot hold would be cut by the mask and store another option.
  const uint32_t length = item.bitLength % 32;
  if (item.bitLength == 0 || (length != 0 && *index >= (1u << length)) ||
      item.wordIndex >= SettingsBlock::kDeviceWords) {
    return "option " + std::to_string(*index) + " does not fit the item's field (word " +
           std::to_string(item.wordIndex) + ", " + std::to_string(item.bitLength) + " bits)";
  }
  block->SetBits(item.wordIndex, item.startBit, item.bitLength, *index);
  return {};
}

std::string ApplyLogoText(const ConfigFile& config, std::string_view text, SettingsBlock* block) {
  const LogoPanel& logo = config.logoPanel;
  // Only the device area goes to the recorder: that part of the field is the room there is.
  const uint64_t fieldEnd = 2ull * logo.startWord + 2ull * logo.wordLength;
  if (logo.wordLength == 0 || 2ull * logo.startWord >= SettingsBlock::kDeviceAreaSize) {
    return "the configuration's logo field (word " + std::to_string(logo.startWord) + ", " +
           std::to_string(logo.wordLength) + " words) lies outside the settings the recorder keeps";
  }
  const uint64_t room =
      std::min<uint64_t>(fieldEnd, SettingsBlock::kDeviceAreaSize) - 2ull * logo.startWord;
  const std::u16string wide = FromUtf8(text);
  if (wide.find(u'\uFFFD') != std::u16string::npos) return "the text is not valid UTF-8";
  const std::string ansi = WideToAnsi(wide);
  // The conversion puts '?' for what the code page lacks and stops at its buffer's room:
  // only a text that comes back unchanged is written as it was given.
  if (AnsiToWide(ansi) != wide) {
    return "\"" + std::string(text) + "\" has characters the code page " + AnsiCharset() +
           " cannot encode";
  }
  if (ansi.size() > room) {
    return "\"" + std::string(text) + "\" takes " + std::to_string(ansi.size()) +
           " bytes in the code page " + AnsiCharset() + "; the logo field holds " +
           std::to_string(room);
  }
  block->SetText(logo.startWord, logo.wordLength, ansi.c_str());
  return {};
}

}  // namespace kavrin::cli
