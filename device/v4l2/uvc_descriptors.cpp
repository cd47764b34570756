#include "device/v4l2/uvc_descriptors.h"

#include <algorithm>

namespace kavrin::v4l2 {
namespace {

// USB and video-class descriptor codes.
constexpr uint8_t kTypeDevice = 0x01;
constexpr uint8_t kTypeConfiguration = 0x02;
constexpr uint8_t kTypeInterface = 0x04;
constexpr uint8_t kTypeAssociation = 0x0B;     // INTERFACE_ASSOCIATION
constexpr uint8_t kTypeClassInterface = 0x24;  // CS_INTERFACE
constexpr uint8_t kClassVideo = 0x0E;
constexpr uint8_t kSubclassVideoControl = 0x01;
constexpr uint8_t kSubtypeExtensionUnit = 0x06;  // VC_EXTENSION_UNIT

// Extension unit descriptor: bLength, bDescriptorType, bDescriptorSubtype, bUnitID,
// guidExtensionCode[16], bNumControls, bNrInPins (p), baSourceID[p], bControlSize (n),
// bmControls[n], iExtension.
constexpr std::size_t kUnitIdAt = 3;
constexpr std::size_t kGuidAt = 4;
constexpr std::size_t kNrInPinsAt = 21;
constexpr std::size_t kMinUnitLength = 24;  // with p = 0 and n = 0

struct UnitRecord {
  uint8_t unitId = 0;
  Guid guid;
  uint64_t controls = 0;
};

// Decodes one extension unit descriptor whose bytes are all inside `record`; false when its
// own counts do not fit its length.
bool DecodeExtensionUnit(std::span<const uint8_t> record, UnitRecord* unit) {
  if (record.size() < kMinUnitLength) return false;
  const std::size_t inPins = record[kNrInPinsAt];
  const std::size_t controlSizeAt = kNrInPinsAt + 1 + inPins;
  if (controlSizeAt >= record.size()) return false;
  const std::size_t controlSize = record[controlSizeAt];
  // bmControls and the iExtension byte after it must lie within the record.
  if (controlSizeAt + 1 + controlSize + 1 > record.size()) return false;
  unit->unitId = record[kUnitIdAt];
  unit->guid = Guid::FromBytes(record.data() + kGuidAt);
  unit->controls = 0;
  for (std::size_t i = 0; i < std::min<std::size_t>(controlSize, 8); ++i) {
    unit->controls |= static_cast<uint64_t>(record[controlSizeAt + 1 + i]) << (8 * i);
  }
  return true;
}

// Calls visit(record) for each length/type record until it returns false; a bLength below 2
// or one that runs past the end stops the walk.
template <typename Visit>
void WalkRecords(std::span<const uint8_t> bytes, Visit visit) {
  std::size_t at = 0;
  while (at + 2 <= bytes.size()) {
    const std::size_t length = bytes[at];
    if (length < 2 || length > bytes.size() - at) return;
    if (!visit(bytes.subspan(at, length))) return;
    at += length;
  }
}

}  // namespace

std::span<const uint8_t> ActiveConfiguration(std::span<const uint8_t> descriptors,
                                             int configurationValue) {
  // The device descriptor, then each configuration at its own wTotalLength: hop from one
  // configuration descriptor to the next rather than walk records, so that a broken record
  // in one configuration does not hide the next.
  if (descriptors.size() < 2 || descriptors[1] != kTypeDevice || descriptors[0] < 2) return {};
  std::size_t at = descriptors[0];
  while (at + 9 <= descriptors.size()) {
    if (descriptors[at] < 9 || descriptors[at + 1] != kTypeConfiguration) return {};
    const std::size_t total =
        std::max<std::size_t>(descriptors[at + 2] | (descriptors[at + 3] << 8), 9);
    const std::size_t length = std::min(total, descriptors.size() - at);
    if (descriptors[at + 5] == configurationValue) return descriptors.subspan(at, length);
    at += length;
  }
  return {};
}

FunctionStringIndexes FindFunctionStrings(std::span<const uint8_t> descriptors,
                                          std::span<const uint8_t> configuration,
                                          uint8_t interfaceNumber) {
  FunctionStringIndexes strings;
  // iProduct is byte 15 of the 18-byte device descriptor.
  if (descriptors.size() < 18 || descriptors[0] < 18 || descriptors[1] != kTypeDevice) {
    return strings;
  }
  strings.product = descriptors[15];
  bool associationFound = false;
  bool interfaceFound = false;
  WalkRecords(configuration, [&](std::span<const uint8_t> record) {
    // As the kernel does: the first association whose range holds the interface is its own.
    // bFirstInterface [2], bInterfaceCount [3], iFunction [7]
    if (record[1] == kTypeAssociation && record.size() >= 8 && !associationFound &&
        interfaceNumber >= record[2] && interfaceNumber - record[2] < record[3]) {
      associationFound = true;
      strings.function = record[7];
    }
    // bInterfaceNumber [2], bAlternateSetting [3], iInterface [8]
    if (record[1] == kTypeInterface && record.size() >= 9 && record[2] == interfaceNumber &&
        record[3] == 0 && !interfaceFound) {
      interfaceFound = true;
      strings.interface = record[8];
    }
    return true;
  });
  strings.known = interfaceFound;
  return strings;
}

ExtensionUnitSearch FindExtensionUnit(std::span<const uint8_t> descriptors, uint8_t interfaceNumber,
                                      const Guid& guid, uint64_t requiredSelectors) {
  ExtensionUnitSearch result;
  bool insideWanted = false;
  bool sawInterface = false;
  bool found = false;
  WalkRecords(descriptors, [&](std::span<const uint8_t> record) {
    const std::size_t length = record.size();
    const uint8_t type = record[1];
    if (type == kTypeConfiguration) {
      insideWanted = false;
    } else if (type == kTypeInterface) {
      // bInterfaceNumber [2], bInterfaceClass [5], bInterfaceSubClass [6]
      insideWanted = length >= 9 && record[2] == interfaceNumber && record[5] == kClassVideo &&
                     record[6] == kSubclassVideoControl;
      sawInterface = sawInterface || insideWanted;
    } else if (insideWanted && type == kTypeClassInterface && length >= 3 &&
               record[2] == kSubtypeExtensionUnit) {
      UnitRecord unit;
      if (DecodeExtensionUnit(record, &unit) && unit.guid == guid) {
        result.unitId = unit.unitId;
        result.controls = unit.controls;
        result.outcome = (unit.controls & requiredSelectors) == requiredSelectors
                             ? ExtensionUnitSearch::Outcome::kFound
                             : ExtensionUnitSearch::Outcome::kSelectorsNotDeclared;
        found = true;
        return false;
      }
    }
    return true;
  });
  if (found) return result;
  result.outcome = sawInterface ? ExtensionUnitSearch::Outcome::kNoUnit
                                : ExtensionUnitSearch::Outcome::kNoVideoControl;
  return result;
}

std::string DescribeOutcome(const ExtensionUnitSearch& search) {
  switch (search.outcome) {
    case ExtensionUnitSearch::Outcome::kFound:
      return "extension unit " + std::to_string(search.unitId);
    case ExtensionUnitSearch::Outcome::kNoVideoControl:
      return "no video control interface for this node in the USB descriptors";
    case ExtensionUnitSearch::Outcome::kNoUnit:
      return "no extension unit with the recorder's GUID";
    case ExtensionUnitSearch::Outcome::kSelectorsNotDeclared:
      return "extension unit " + std::to_string(search.unitId) +
             " does not declare controls 17 and 18";
  }
  return {};
}

}  // namespace kavrin::v4l2
