#include <cstdint>

#include "config/trace.h"
#include "device/device_link.h"

namespace kavrin {

void DumpHex(const void* buffer, uint32_t count, int mode) {
  if (buffer == nullptr) return;
  // The address as the 32-bit build of the tool printed it: its low 32 bits.
  Trace("\nDump 0x%08X\n",
        static_cast<unsigned>(reinterpret_cast<uintptr_t>(buffer) & 0xFFFFFFFFu));
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  if (count > 0 && mode == 0) {
    for (uint32_t i = 0; i < count; ++i) {
      if (i % 16 == 0) TraceText("\n");
      Trace("%02X ", bytes[i]);
    }
  } else if (count > 0 && mode == 1) {
    for (uint32_t i = 0; i < count; ++i) {
      if (i % 8 == 0) TraceText("\n");
      // Words are little-endian, read byte by byte since the buffer may be unaligned.
      Trace("%04X ", static_cast<unsigned>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    }
  }
  TraceText("\n");
}

}  // namespace kavrin
