// Copies between the window's controls and the settings block. They run only at the start
// or end of an operation, never per selection change; what a block's values show as follows
// the shared rules of ops/settings_rules.h, which the command line sends by.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/text_codec.h"
#include "ops/settings_rules.h"
#include "ui/framework/control.h"
#include "ui/main_dialog.h"

namespace kavrin {

void MainDialog::BlockToControls() {
  const bool enabled = HasFlag(EDIT) == 1;

  for (SettingItem& item : items) {
    const uint32_t value = GetBits(item.wordIndex, item.startBit, item.bitLength);
    item.option = value;
    if (ui::Control* list = item.selectControl) {
      list->SetCurSel(ops::ListIndexOf(item, value));  // a value with no option shows an empty list
      list->Enable(enabled);
    }
  }

  LogoPanel& logo = logoPanel;
  const std::u16string text = ops::LogoTextOf(logo, *this);
  int selection = ops::LogoEntryFor(logo, text);
  if (selection < 0) {
    // A text met in a block stays in the list for the rest of the run.
    const uint32_t known = std::min<uint32_t>(logo.logoCount, LogoPanel::kMaxTexts);
    logo.logoTexts[known] = text;
    if (logo.selectControl) logo.selectControl->AddString(text);
    selection = static_cast<int>(known);
    logo.logoCount = known + 1;
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
