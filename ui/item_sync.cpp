// Copies between the window's controls and the settings block. They run only at the start
// or end of an operation, never per selection change.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/text_codec.h"
#include "ui/framework/control.h"
#include "ui/main_dialog.h"

namespace kavrin {
namespace {

// A logo list entry has room for 31 UTF-16 units; a longer text from the block is cut to it
// (never in the middle of a surrogate pair), so that the list can hold what the block holds.
std::u16string FitLogoEntry(std::u16string text) {
  constexpr std::size_t kRoom = kPanelTextRoom - 1;
  if (text.size() <= kRoom) return text;
  std::size_t length = kRoom;
  const char16_t last = text[length - 1];
  if (last >= 0xD800 && last <= 0xDBFF) --length;
  text.resize(length);
  return text;
}

int ListIndex(uint32_t value) {
  return value <= static_cast<uint32_t>(INT32_MAX) ? static_cast<int>(value) : -1;
}

}  // namespace

void MainDialog::BlockToControls() {
  const bool enabled = HasFlag(EDIT) == 1;

  for (SettingItem& item : items) {
    const uint32_t value = GetBits(item.wordIndex, item.startBit, item.bitLength);
    item.option = value;
    if (ui::Control* list = item.selectControl) {
      list->SetCurSel(ListIndex(value));  // a value with no option shows an empty list
      list->Enable(enabled);
    }
  }

  LogoPanel& logo = logoPanel;
  const std::string field = GetText(logo.startWord, logo.wordLength);
  std::string_view bytes(field);
  bytes = bytes.substr(0, bytes.find('\0'));  // the text ends at its first zero byte
  const std::u16string text = FitLogoEntry(AnsiToWide(bytes));
  const uint32_t known = std::min<uint32_t>(logo.logoCount, LogoPanel::kMaxTexts);
  int selection = -1;
  for (uint32_t i = 0; i < known; ++i) {
    if (logo.logoTexts[i] == text) {
      selection = static_cast<int>(i);
      break;
    }
  }
  if (selection < 0) {
    if (known < LogoPanel::kMaxTexts) {
      // A text met in a block stays in the list for the rest of the run.
      logo.logoTexts[known] = text;
      if (logo.selectControl) logo.selectControl->AddString(text);
      selection = static_cast<int>(known);
      logo.logoCount = known + 1;
    } else {
      selection = 0;
    }
  }
  if (ui::Control* box = logo.selectControl) {
    box->SetCurSel(selection);
    box->Enable(enabled);
  }
}

void MainDialog::ControlsToBlock() {
  for (const SettingItem& item : items) {
    const int selection = item.selectControl ? item.selectControl->GetCurSel() : -1;
    // No selection is -1, which the field's mask turns into all ones.
    SetBits(item.wordIndex, item.startBit, item.bitLength, selection);
  }

  const LogoPanel& logo = logoPanel;
  const std::u16string typed = logo.selectControl ? logo.selectControl->Text() : std::u16string();
  const std::string bytes = WideToAnsi(typed);
  SetText(logo.startWord, logo.wordLength, bytes.c_str());
}

}  // namespace kavrin
