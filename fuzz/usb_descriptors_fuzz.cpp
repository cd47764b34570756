// The walk through a USB device's raw descriptors (the sysfs `descriptors` file) for the
// recorder's extension unit, on bytes of any content.
//
// Input: the VideoControl interface number, then the descriptor bytes.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/device_link.h"
#include "device/v4l2/uvc_descriptors.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace kavrin;
  using Outcome = v4l2::ExtensionUnitSearch::Outcome;
  fuzz::FuzzInput input(data, size);
  const uint8_t interfaceNumber = input.Byte();
  const std::span<const uint8_t> descriptors = input.Rest();

  const v4l2::ExtensionUnitSearch search = v4l2::FindExtensionUnit(
      descriptors, interfaceNumber, DeviceLink::kPropertySet, v4l2::kRecorderSelectors);
  FUZZ_CHECK(!v4l2::DescribeOutcome(search).empty());
  const bool declared = (search.controls & v4l2::kRecorderSelectors) == v4l2::kRecorderSelectors;
  if (search.outcome == Outcome::kFound) FUZZ_CHECK(declared);
  if (search.outcome == Outcome::kSelectorsNotDeclared) FUZZ_CHECK(!declared);

  if (search.outcome == Outcome::kFound || search.outcome == Outcome::kSelectorsNotDeclared) {
    // A unit is only found where its GUID is written...
    const std::array<uint8_t, 16> guid = DeviceLink::kPropertySet.ToBytes();
    FUZZ_CHECK(std::search(descriptors.begin(), descriptors.end(), guid.begin(), guid.end()) !=
               descriptors.end());
    // ...and what follows the unit's record cannot change the answer.
    std::vector<uint8_t> longer(descriptors.begin(), descriptors.end());
    longer.insert(longer.end(), {0x09, 0x04, interfaceNumber, 0, 0, 0x0E, 0x01, 0, 0});
    const v4l2::ExtensionUnitSearch again = v4l2::FindExtensionUnit(
        longer, interfaceNumber, DeviceLink::kPropertySet, v4l2::kRecorderSelectors);
    FUZZ_CHECK(again.outcome == search.outcome && again.unitId == search.unitId &&
               again.controls == search.controls);
  }
  return 0;
}
