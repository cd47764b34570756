#pragma once
// The switch word: which command buttons the window offers and how the kavrin operation acts.
// Bits are only ever added.
#include <cstdint>

namespace kavrin {

enum ModeFlag : uint32_t {
  OUTPUT_RELEASE_NOTE = 0x00000002,
  OUTPUT_CONFIG_FILE = 0x00000004,
  COLSOLE = 0x00000010,
  SAVE_BIN = 0x00000100,
  LOAD_BIN = 0x00000200,
  GET_DEVICE_KAVRIN = 0x00000400,
  KAVRIN = 0x00000800,
  SET_DEFAULT = 0x00001000,
  EDIT = 0x00002000,
  FORCE_KAVRIN = 0x00010000,
  DISPLAY_FILE_PATH = 0x00040000,
  SET_KAVRIN_FLAG = 0x00080000,
  OUTPUT_INIT_OPTION = 0x80000000,
};

class ModeFlags {
 public:
  static constexpr uint32_t kDefault = KAVRIN | EDIT;  // 0x2800
  void SetFlag(uint32_t bits) { value_ |= bits; }
  // 1 when any of the bits is set.
  int HasFlag(uint32_t bits) const { return (value_ & bits) != 0 ? 1 : 0; }
  uint32_t Value() const { return value_; }

 private:
  uint32_t value_ = kDefault;
};

}  // namespace kavrin
