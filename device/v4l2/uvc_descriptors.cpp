#include "device/v4l2/uvc_descriptors.h"

#include <algorithm>

namespace kavrin::v4l2 {
namespace {

// USB and video-class descriptor codes.
constexpr uint8_t kTypeConfiguration = 0x02;
constexpr uint8_t kTypeInterface = 0x04;
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

}  // namespace

ExtensionUnitSearch FindExtensionUnit(std::span<const uint8_t> descriptors, uint8_t interfaceNumber,
                                      const Guid& guid, uint64_t requiredSelectors) {
  ExtensionUnitSearch result;
  bool insideWanted = false;
  bool sawInterface = false;
  std::size_t at = 0;
  while (at + 2 <= descriptors.size()) {
    const std::size_t length = descriptors[at];
    if (length < 2 || length > descriptors.size() - at) break;
    const std::span<const uint8_t> record = descriptors.subspan(at, length);
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
        return result;
      }
    }
    at += length;
  }
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
