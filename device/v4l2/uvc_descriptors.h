#pragma once
// Finds a video-class extension unit by its GUID in a USB device's raw descriptors (the
// sysfs `descriptors` file: the device descriptor followed by each configuration's).
#include <cstdint>
#include <span>
#include <string>

#include "device/guid.h"

namespace kavrin::v4l2 {

struct ExtensionUnitSearch {
  enum class Outcome {
    kFound,                 // unitId holds the unit; both selectors are declared
    kNoVideoControl,        // no VideoControl interface with that number
    kNoUnit,                // the interface has no extension unit with the GUID
    kSelectorsNotDeclared,  // the unit is there but bmControls lacks selector 17 or 18
  };
  Outcome outcome = Outcome::kNoVideoControl;
  uint8_t unitId = 0;
  // The unit's bmControls, bit n standing for selector n + 1 (up to 64 selectors).
  uint64_t controls = 0;
};

// Walks the descriptors as length/type records; a bLength below 2 or one that runs past the
// end stops the walk. Only class-specific descriptors inside the VideoControl interface
// numbered interfaceNumber are considered; the bytes are never searched for the GUID.
// requiredSelectors: bit n set means selector n + 1 must be declared.
ExtensionUnitSearch FindExtensionUnit(std::span<const uint8_t> descriptors, uint8_t interfaceNumber,
                                      const Guid& guid, uint64_t requiredSelectors);

// The descriptors of the configuration whose bConfigurationValue is `configurationValue`
// (sysfs `bConfigurationValue` of the device), from the device's whole `descriptors` bytes;
// empty when there is none. Each configuration is kept there at its wTotalLength.
std::span<const uint8_t> ActiveConfiguration(std::span<const uint8_t> descriptors,
                                             int configurationValue);

// The string indexes that name a camera function: what uvcvideo appends to the card name and
// what the platform names the function by.
struct FunctionStringIndexes {
  bool known = false;     // the device descriptor and the interface were found
  uint8_t product = 0;    // the device's iProduct
  uint8_t function = 0;   // iFunction of the interface association holding the interface; 0: none
  uint8_t interface = 0;  // the VideoControl interface's iInterface
};

// descriptors: the device's whole bytes (for iProduct); configuration: the active one.
FunctionStringIndexes FindFunctionStrings(std::span<const uint8_t> descriptors,
                                          std::span<const uint8_t> configuration,
                                          uint8_t interfaceNumber);

// Bits for the recorder's selectors 17 and 18.
inline constexpr uint64_t kRecorderSelectors = (1ull << 16) | (1ull << 17);

std::string DescribeOutcome(const ExtensionUnitSearch& search);

}  // namespace kavrin::v4l2
