#pragma once
// Layouts of the shipped KAVRIN_CFG.ini that the window cannot show whole, shared by the
// checker's tests and the window's.
#include <string>

#include "config/config_keys.h"
#include "config/text_codec.h"
#include "tests/config/embedded_text.h"

namespace kavrin::test {

// "ITEM_007", as the item lists number their entries.
inline std::string ListKey(uint32_t i) { return ToUtf8(keys::ListItemKey(i)); }

// The shipped file (UTF-8, CR LF) with all 26 of its item sections listed: 26 rows in its
// columns of 18.
inline std::string ShippedWithEveryItemListed() {
  const char* names[] = {
      "VIDEO_RESOLUTION", "CYCLE_TIME",    "TV_SYSTEM",      "SLIDESHOW",   "BOOT_PIC",
      "POWER_SAVING",     "BEEP",          "DATE_STAMP",     "FLICKER",     "VOLUME",
      "VOICE_RECORDING",  "LANGUAGE",      "RECORD_LED_OFF", "EV",          "FLIP",
      "SNAP_SELF_TIMER",  "USB_MODE",      "SNAP_CNT",       "WAIT_CHARGE", "SHOW_LOGO_TIME",
      "DEBUG_LEVEL",      "USE_USB_POWER", "TEST_MODE",      "AE_LOG_FILE", "DISABLE_OSD_INFO",
      "NON_LCD_PREVIEW"};
  std::string text = EmbeddedDefaultUtf8();
  const std::size_t from = text.find("[ITEM_LIST]");
  const std::size_t to = text.find("[ITEM_LAYOUT]");
  std::string list = "[ITEM_LIST]\r\nITEM_NO=26\r\n";
  for (uint32_t i = 0; i < 26; ++i) list += ListKey(i) + "=" + names[i] + "\r\n";
  return text.replace(from, to - from, list + "\r\n");
}

}  // namespace kavrin::test
