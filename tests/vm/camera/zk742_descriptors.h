#pragma once
// What the emulated ZK742 tells the host about itself: the device, its one configuration for
// full and high speed, and its string descriptors.
//
// Topology of the VideoControl interface:
//   camera input terminal (1) -> other vendor unit (2) -> recorder unit (4) -> output terminal (3)
// The recorder's unit deliberately does not carry the node id 2 that the Windows side uses:
// the host must find it by its GUID. Unit 2 is another vendor's extension unit declaring the
// same selectors, so a host that addresses "unit 2" talks to the wrong unit and fails.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kavrin::vm {

inline constexpr uint16_t kVendorId = 0x1209;   // pid.codes, shared open-source vendor id
inline constexpr uint16_t kProductId = 0x0001;  // pid.codes test product id
inline constexpr uint8_t kVideoControlInterface = 0;
inline constexpr uint8_t kVideoStreamingInterface = 1;
inline constexpr uint8_t kInputTerminalId = 1;
inline constexpr uint8_t kOtherUnitId = 2;
inline constexpr uint8_t kOutputTerminalId = 3;
inline constexpr uint8_t kRecorderUnitId = 4;
inline constexpr uint8_t kSelectorCommand = 17;
inline constexpr uint8_t kSelectorCommit = 18;
inline constexpr uint16_t kControlLength = 64;
inline constexpr uint16_t kLanguageEnglishUs = 0x0409;

// guidExtensionCode of the recorder's unit as it stands in the descriptor: the GUID
// 63610682-5070-49AB-B8CC-B3855E8D221D with its first three fields little-endian.
inline constexpr uint8_t kRecorderUnitGuid[16] = {0x82, 0x06, 0x61, 0x63, 0x70, 0x50, 0xAB, 0x49,
                                                  0xB8, 0xCC, 0xB3, 0x85, 0x5E, 0x8D, 0x22, 0x1D};

enum StringIndex : uint8_t {
  kManufacturerString = 1,
  kProductString = 2,
  kSerialString = 3,
  kFunctionString = 4,
};

struct CameraStrings {
  std::string manufacturer = "KavrinTool test rig";
  std::string product = "ZK742";  // becomes the V4L2 card name and the friendly name
  std::string serial = "VM-0001";
  // The interface association's name for the camera function (iFunction); empty: none. With
  // one, the platform names the camera by it and uvcvideo appends it to the card name.
  std::string function;
};

// The device descriptor alone (18 bytes).
std::vector<uint8_t> DeviceDescriptor();
// The configuration with all its interfaces; bulkMaxPacket is 64 at full and 512 at high speed.
// namedFunction: the interface association names the function (string kFunctionString).
std::vector<uint8_t> ConfigurationDescriptor(uint16_t bulkMaxPacket, bool namedFunction = false);
// What gadgetfs expects written to ep0 before the device exists: a 32-bit tag 0, the full-speed
// and high-speed configurations, then the device descriptor.
std::vector<uint8_t> GadgetfsDescriptors(bool namedFunction = false);
// STRING descriptor `index` (0 = the language list); nullopt for an index the device lacks.
std::optional<std::vector<uint8_t>> StringDescriptor(const CameraStrings& strings, uint8_t index);

}  // namespace kavrin::vm
