#pragma once
// Where a setting item's bit field lands in its 16-bit word. The settings block reads and
// writes fields through this, and the configuration check describes fields with it, so what
// `kavrin config --check` says is what the block really gets.
#include <cstdint>

namespace kavrin {

struct BitFieldPlacement {
  static constexpr uint32_t kWordBits = 16;

  uint32_t shift = 0;       // START_BIT modulo 32: the shift wraps, it never fails
  uint32_t length = 0;      // DATA_LEN modulo 32: 32 bits give an empty field
  uint32_t valueMask = 0;   // (1 << length) - 1: the value bits the field takes
  uint32_t storedMask = 0;  // the word's bits the field can change (those above 15 are lost)

  // The number of the field's bits that the word keeps.
  uint32_t StoredBits() const;
  // First and last stored bit; only meaningful when StoredBits() > 0.
  uint32_t FirstStoredBit() const { return shift; }
  uint32_t LastStoredBit() const { return shift + StoredBits() - 1; }
};

BitFieldPlacement PlaceBitField(uint32_t startBit, uint32_t bitLength);

}  // namespace kavrin
