#pragma once
// One configured bit field of the settings block (a setting item) or one engine test (a test
// item, whose three numbers form its test code), read from KAVRIN_CFG.ini.
#include <cstdint>
#include <string>
#include <vector>

namespace kavrin {
namespace ui {
class Control;
}

struct SettingItem {
  std::u16string title;
  uint32_t wordIndex = 0;
  uint32_t startBit = 0;
  uint32_t bitLength = 0;
  uint32_t option = 0;  // DEFAULT_OPTION at load; the window keeps the current value here
  std::vector<std::u16string> options;
  // Set and owned by the main window.
  ui::Control* labelControl = nullptr;
  ui::Control* resultControl = nullptr;  // test items only
  ui::Control* selectControl = nullptr;  // setting items only
};

using ItemTable = std::vector<SettingItem>;

// (wordIndex & 0xFF) << 8 | (startBit & 0xF) << 4 | (bitLength & 0xF)
inline uint16_t TestCode(const SettingItem& item) {
  return static_cast<uint16_t>(((item.wordIndex & 0xFFu) << 8) | ((item.startBit & 0xFu) << 4) |
                               (item.bitLength & 0xFu));
}

}  // namespace kavrin
