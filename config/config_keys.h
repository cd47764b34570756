#pragma once
// Section names and indexed keys of KAVRIN_CFG.ini, shared by the readers and by the checks
// of `kavrin config --check`, so both look at exactly the same keys.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavrin::keys {

inline constexpr std::u16string_view kItemList = u"ITEM_LIST";
inline constexpr std::u16string_view kTestItemList = u"TEST_ITEM_LIST";
inline constexpr std::u16string_view kItemLayout = u"ITEM_LAYOUT";
inline constexpr std::u16string_view kWindowLayout = u"WINDOW_LAYOUT";
inline constexpr std::u16string_view kLanguageLayout = u"LANGUAGE_LAYOUT";
inline constexpr std::u16string_view kLanguageTitleList = u"LANGUAGE_TITLE_LIST";
inline constexpr std::u16string_view kLanguageSelectList = u"LANGUAGE_SELECT_LIST";
inline constexpr std::u16string_view kLanguageEnableList = u"LANGUAGE_ENABLE_LIST";
inline constexpr std::u16string_view kLogo = u"DATE_STAMP_LOGO";
inline constexpr std::u16string_view kInfoLayout = u"INFO_LAYOUT";
inline constexpr std::u16string_view kTestItemLayout = u"TEST_ITEM_LAYOUT";
inline constexpr std::u16string_view kDevice = u"DEVICE";

// prefix + index in decimal, zero-filled to `width` digits; a larger index simply takes more
// digits (ITEM_1000).
inline std::u16string IndexedKey(std::u16string_view prefix, uint32_t index, std::size_t width) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + index % 10));
    index /= 10;
  } while (index != 0);
  if (digits.size() < width) digits.insert(0, width - digits.size(), u'0');
  return std::u16string(prefix) + digits;
}

inline std::u16string ListItemKey(uint32_t i) { return IndexedKey(u"ITEM_", i, 3); }
inline std::u16string OptionKey(uint32_t k) { return IndexedKey(u"OPTION_", k, 1); }
inline std::u16string LanguageRowKey(uint32_t i) { return IndexedKey(u"", i, 2); }
inline std::u16string LogoKey(uint32_t i) { return IndexedKey(u"LOGO_", i, 2); }
inline std::u16string InfoTitleKey(uint32_t i) { return IndexedKey(u"TITLE_", i, 3); }
inline std::u16string InfoCommandKey(uint32_t i) { return IndexedKey(u"CMD_ID_", i, 3); }
inline std::u16string DeviceNameKey(uint32_t i) { return IndexedKey(u"", i, 1); }

}  // namespace kavrin::keys
