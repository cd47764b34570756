#include "tests/vm/camera/zk742_descriptors.h"

#include "tests/vm/camera/descriptor_writer.h"

namespace kavrin::vm {
namespace {

// USB and USB Video Class constants used below.
constexpr uint8_t kDtDevice = 0x01, kDtConfig = 0x02, kDtString = 0x03, kDtInterface = 0x04,
                  kDtEndpoint = 0x05, kDtInterfaceAssociation = 0x0B, kCsInterface = 0x24;
constexpr uint8_t kClassVideo = 0x0E, kSubclassControl = 0x01, kSubclassStreaming = 0x02,
                  kSubclassCollection = 0x03;
constexpr uint8_t kVcHeader = 0x01, kVcInputTerminal = 0x02, kVcOutputTerminal = 0x03,
                  kVcExtensionUnit = 0x06;
constexpr uint8_t kVsInputHeader = 0x01, kVsFormatUncompressed = 0x04, kVsFrameUncompressed = 0x05;
constexpr uint16_t kCameraTerminal = 0x0201, kStreamingTerminal = 0x0101;
constexpr uint8_t kBulkInEndpoint = 0x81, kTransferBulk = 0x02;

// Another vendor's unit in the same camera: 5DC8E1F4-0A37-4E62-9B51-7C2D03A8B6E9.
constexpr uint8_t kOtherUnitGuid[16] = {0xF4, 0xE1, 0xC8, 0x5D, 0x37, 0x0A, 0x62, 0x4E,
                                        0x9B, 0x51, 0x7C, 0x2D, 0x03, 0xA8, 0xB6, 0xE9};
// YUY2, the one format the streaming interface offers.
constexpr uint8_t kYuy2Guid[16] = {'Y',  'U',  'Y',  '2',  0x00, 0x00, 0x10, 0x00,
                                   0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr uint16_t kWidth = 160, kHeight = 120;
constexpr uint32_t kFrameInterval = 333333;  // 30 frames a second, in 100 ns units

// bmControls with selectors 17 and 18 declared: bits 16 and 17 of a three-byte field.
constexpr uint8_t kSelectors17And18[3] = {0x00, 0x00, 0x03};

void ExtensionUnit(DescriptorWriter& w, uint8_t unitId, const uint8_t (&guid)[16],
                   uint8_t sourceId) {
  const std::size_t at = w.Begin(kCsInterface);
  w.U8(kVcExtensionUnit);
  w.U8(unitId);
  w.Bytes(guid);
  w.U8(2);  // bNumControls
  w.U8(1);  // bNrInPins
  w.U8(sourceId);
  w.U8(sizeof kSelectors17And18);  // bControlSize
  w.Bytes(kSelectors17And18);
  w.U8(0);  // iExtension
  w.End(at);
}

void VideoControlInterface(DescriptorWriter& w) {
  std::size_t at = w.Begin(kDtInterface);
  w.Bytes({kVideoControlInterface, 0, 0, kClassVideo, kSubclassControl, 0, 0});
  w.End(at);

  const std::size_t headerAt = w.Begin(kCsInterface);
  w.U8(kVcHeader);
  w.U16(0x0100);  // bcdUVC 1.0
  const std::size_t totalAt = w.Size();
  w.U16(0);         // wTotalLength, patched below
  w.U32(48000000);  // dwClockFrequency
  w.U8(1);          // bInCollection
  w.U8(kVideoStreamingInterface);
  w.End(headerAt);

  at = w.Begin(kCsInterface);
  w.U8(kVcInputTerminal);
  w.U8(kInputTerminalId);
  w.U16(kCameraTerminal);
  w.U8(0);                // bAssocTerminal
  w.U8(0);                // iTerminal
  w.U16(0);               // wObjectiveFocalLengthMin
  w.U16(0);               // wObjectiveFocalLengthMax
  w.U16(0);               // wOcularFocalLength
  w.Bytes({3, 0, 0, 0});  // bControlSize, bmControls: no camera controls
  w.End(at);

  ExtensionUnit(w, kOtherUnitId, kOtherUnitGuid, kInputTerminalId);
  ExtensionUnit(w, kRecorderUnitId, kRecorderUnitGuid, kOtherUnitId);

  at = w.Begin(kCsInterface);
  w.U8(kVcOutputTerminal);
  w.U8(kOutputTerminalId);
  w.U16(kStreamingTerminal);
  w.U8(0);                // bAssocTerminal
  w.U8(kRecorderUnitId);  // bSourceID
  w.U8(0);                // iTerminal
  w.End(at);

  w.Patch16(totalAt, static_cast<uint16_t>(w.Size() - headerAt));
}

// The least streaming interface that lets uvcvideo create the capture node: one uncompressed
// format with one frame size, on a bulk endpoint.
void VideoStreamingInterface(DescriptorWriter& w, uint16_t bulkMaxPacket) {
  std::size_t at = w.Begin(kDtInterface);
  w.Bytes({kVideoStreamingInterface, 0, 1, kClassVideo, kSubclassStreaming, 0, 0});
  w.End(at);

  const std::size_t headerAt = w.Begin(kCsInterface);
  w.U8(kVsInputHeader);
  w.U8(1);  // bNumFormats
  const std::size_t totalAt = w.Size();
  w.U16(0);  // wTotalLength, patched below
  w.U8(kBulkInEndpoint);
  w.U8(0);                  // bmInfo
  w.U8(kOutputTerminalId);  // bTerminalLink
  w.Bytes({0, 0, 0});       // bStillCaptureMethod, bTriggerSupport, bTriggerUsage
  w.Bytes({1, 0});          // bControlSize, bmaControls of the one format
  w.End(headerAt);

  at = w.Begin(kCsInterface);
  w.U8(kVsFormatUncompressed);
  w.U8(1);  // bFormatIndex
  w.U8(1);  // bNumFrameDescriptors
  w.Bytes(kYuy2Guid);
  w.Bytes({16, 1, 0, 0, 0, 0});  // bits per pixel, default frame, aspect x/y, interlace, copy
  w.End(at);

  constexpr uint32_t kFrameBytes = uint32_t{kWidth} * kHeight * 2;
  constexpr uint32_t kBitRate = kFrameBytes * 8 * 30;
  at = w.Begin(kCsInterface);
  w.U8(kVsFrameUncompressed);
  w.U8(1);  // bFrameIndex
  w.U8(0);  // bmCapabilities
  w.U16(kWidth);
  w.U16(kHeight);
  w.U32(kBitRate);        // dwMinBitRate
  w.U32(kBitRate);        // dwMaxBitRate
  w.U32(kFrameBytes);     // dwMaxVideoFrameBufferSize
  w.U32(kFrameInterval);  // dwDefaultFrameInterval
  w.U8(1);                // bFrameIntervalType: one discrete interval
  w.U32(kFrameInterval);
  w.End(at);

  w.Patch16(totalAt, static_cast<uint16_t>(w.Size() - headerAt));

  at = w.Begin(kDtEndpoint);
  w.U8(kBulkInEndpoint);
  w.U8(kTransferBulk);
  w.U16(bulkMaxPacket);
  w.U8(0);  // bInterval
  w.End(at);
}

}  // namespace

std::vector<uint8_t> DeviceDescriptor() {
  DescriptorWriter w;
  const std::size_t at = w.Begin(kDtDevice);
  w.U16(0x0200);                // bcdUSB
  w.Bytes({0xEF, 0x02, 0x01});  // miscellaneous class with interface association
  w.U8(64);                     // bMaxPacketSize0
  w.U16(kVendorId);
  w.U16(kProductId);
  w.U16(0x0100);  // bcdDevice
  w.Bytes({kManufacturerString, kProductString, kSerialString});
  w.U8(1);  // bNumConfigurations
  w.End(at);
  return w.Result();
}

std::vector<uint8_t> ConfigurationDescriptor(uint16_t bulkMaxPacket, bool namedFunction) {
  DescriptorWriter w;
  const std::size_t at = w.Begin(kDtConfig);
  w.U16(0);    // wTotalLength, patched below
  w.U8(2);     // bNumInterfaces
  w.U8(1);     // bConfigurationValue
  w.U8(0);     // iConfiguration
  w.U8(0x80);  // bus powered
  w.U8(50);    // 100 mA
  w.End(at);

  // Unless asked for, the function's name stays unset: uvcvideo appends it to the card name.
  const std::size_t iadAt = w.Begin(kDtInterfaceAssociation);
  w.Bytes({kVideoControlInterface, 2, kClassVideo, kSubclassCollection, 0,
           static_cast<uint8_t>(namedFunction ? kFunctionString : 0)});
  w.End(iadAt);

  VideoControlInterface(w);
  VideoStreamingInterface(w, bulkMaxPacket);
  w.Patch16(at + 2, static_cast<uint16_t>(w.Size()));
  return w.Result();
}

std::vector<uint8_t> GadgetfsDescriptors(bool namedFunction) {
  DescriptorWriter w;
  w.U32(0);  // format tag
  w.Bytes(ConfigurationDescriptor(64, namedFunction));
  w.Bytes(ConfigurationDescriptor(512, namedFunction));
  w.Bytes(DeviceDescriptor());
  return w.Result();
}

std::optional<std::vector<uint8_t>> StringDescriptor(const CameraStrings& strings, uint8_t index) {
  DescriptorWriter w;
  const std::size_t at = w.Begin(kDtString);
  if (index == 0) {
    w.U16(kLanguageEnglishUs);
    w.End(at);
    return w.Result();
  }
  const std::string* text = index == kManufacturerString ? &strings.manufacturer
                            : index == kProductString    ? &strings.product
                            : index == kSerialString     ? &strings.serial
                            : index == kFunctionString   ? &strings.function
                                                         : nullptr;
  if (text == nullptr || (index == kFunctionString && text->empty())) return std::nullopt;
  // ASCII texts: each byte is one UTF-16LE code unit. A descriptor holds at most 126 units.
  for (std::size_t i = 0; i < text->size() && i < 126; ++i) {
    w.U16(static_cast<uint8_t>((*text)[i]));
  }
  w.End(at);
  return w.Result();
}

}  // namespace kavrin::vm
