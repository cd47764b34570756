#include "config/bit_field.h"

#include <bit>

namespace kavrin {

uint32_t BitFieldPlacement::StoredBits() const {
  return static_cast<uint32_t>(std::popcount(storedMask));
}

BitFieldPlacement PlaceBitField(uint32_t startBit, uint32_t bitLength) {
  BitFieldPlacement field;
  field.shift = startBit % 32u;
  field.length = bitLength % 32u;
  field.valueMask = (uint32_t{1} << field.length) - 1u;
  // In 32 bits, as the block shifts: what moves past bit 31 is gone as well.
  const uint32_t wordMask = (uint32_t{1} << BitFieldPlacement::kWordBits) - 1u;
  field.storedMask = (field.valueMask << field.shift) & wordMask;
  return field;
}

}  // namespace kavrin
