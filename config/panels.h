#pragma once
// Placement and content records of the window's panels, read from KAVRIN_CFG.ini.
// All placement values are pixels.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavrin {
namespace ui {
class Control;
}

struct InfoItem {
  ui::Control* labelControl = nullptr;
  ui::Control* contentControl = nullptr;
  std::u16string title;      // room 32
  uint32_t commandCode = 0;  // identification string asked of the recorder
};

struct InfoPanel {
  uint32_t x = 520, y = 50, titleWidth = 120, contentWidth = 140, gap = 4, rowHeight = 20,
           lineShift = 20;
  std::vector<InfoItem> rows;
};

struct TestPanel {
  uint32_t x = 520, y = 120, titleWidth = 120, contentWidth = 120, gap = 4, rowHeight = 20,
           lineShift = 20;
};

struct LogoPanel {
  static constexpr uint32_t kMaxTexts = 32;
  uint32_t x = 320, y = 50, width = 140, height = 20, listHeight = 300, gap = 2;
  uint32_t logoCount = 0;
  std::u16string title = u"Date Stamp Logo";          // room 32
  std::array<std::u16string, kMaxTexts> logoTexts{};  // room 32 each
  ui::Control* selectControl = nullptr;
  ui::Control* labelControl = nullptr;
  uint32_t startWord = 22;
  uint32_t wordLength = 8;
};

struct LanguageEntry {
  uint32_t selectFlag = 0;
  uint32_t enableFlag = 0;
  std::u16string title = u"Not Defined";  // room 32
};

struct LanguagePanel {
  static constexpr uint32_t kMaxEntries = 32;
  uint32_t x = 320, y = 40, width = 60, height = 20, listHeight = 300, gap = 2;
  uint32_t entryCount = 0;
  std::u16string title = u"Language";  // room 32
  std::array<LanguageEntry, kMaxEntries> entries{};
  uint32_t wordIndex = 1, startBit = 5, bitLength = 4, maskStartWord = 5;
};

struct WindowLayout {
  uint32_t width = 320, height = 440;
};

struct ItemLayout {
  uint32_t x = 20, y = 50, lineShift = 30, titleShift = 4, titleWidth = 140, optionWidth = 120,
           titleOptionGap = 4, itemHeight = 16, optionHeight = 300, itemsPerColumn = 20;
};

// CMD_ID names of the information rows and the command codes they stand for.
uint32_t CommandCodeOfName(std::u16string_view name);  // exact match, else 0
// The CMD_ID name of a command code, or empty when no name has that code.
std::u16string_view CommandNameOfCode(uint32_t commandCode);
// Every CMD_ID name, in the order the recorder numbers them.
std::vector<std::u16string_view> CommandNames();

}  // namespace kavrin
