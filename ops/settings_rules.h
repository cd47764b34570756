#pragma once
// How a settings block meets the window's controls, and so what goes out to the recorder: a
// field value shows in its item's list only when it names an option (else the list has no
// selection, which stores all ones), and the logo field shows as text in the code page, cut to
// a list entry's room. The window's lists follow these rules, and the command line sends a
// block through them, so that both send the same bytes for the same block.
#include <string>
#include <string_view>

#include "block/settings_block.h"
#include "config/config_file.h"

namespace kavrin::ops {

// The list index that shows the field value: the value itself, or -1 (no selection) when it
// names no option.
int ListIndexOf(const SettingItem& item, uint32_t value);

// The logo text the block holds as the logo box shows it: the field's bytes up to the first
// zero, read in the code page, cut to the room of a list entry.
std::u16string LogoTextOf(const LogoPanel& logo, const SettingsBlock& block);

// Which entry of the logo list shows `text`: the entry that holds it, or -1 when it is new
// and the list has room for it, or 0 when the list is full.
int LogoEntryFor(const LogoPanel& logo, std::u16string_view text);

// The block as the window's controls would send it after showing it: each item's field as
// its list holds it, the logo as its box holds it. Bytes outside the items and the logo are
// sent as they are.
void NormalizeForSending(const ConfigFile& config, SettingsBlock& block);

// The block the tool starts with before any file: each item at its DEFAULT_OPTION (all ones
// when it names no option), the logo box on its first text.
SettingsBlock DefaultBlock(const ConfigFile& config);

}  // namespace kavrin::ops
