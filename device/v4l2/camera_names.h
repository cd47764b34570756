#pragma once
// The names of a USB camera function as the platform that named the recorder first names
// it: the interface association's string (iFunction), else the VideoControl interface's
// string (iInterface), else the device's product string. sysfs holds the interface and
// product strings whole; the function string only reaches us through the card name that
// uvcvideo builds ("product: function", 31 bytes at most), unless it is the same string
// descriptor as one of the others.
#include <string>
#include <string_view>
#include <vector>

#include "device/v4l2/uvc_descriptors.h"
#include "device/video_input.h"

namespace kavrin::v4l2 {

// What uvcvideo leaves of its 32-byte name buffer for text.
inline constexpr std::size_t kCardRoom = 31;

struct CameraStrings {
  std::string product;            // sysfs `product` of the USB device; empty when it has none
  std::string interface;          // sysfs `interface` of the VideoControl interface; empty: none
  std::string card;               // the V4L2 card name (sysfs `name` of the node is the same)
  FunctionStringIndexes indexes;  // from the active configuration; known = false: not USB
};

// Best first, each string once; at least the card name up to its ": " when nothing better
// is known.
std::vector<InputName> CameraNames(const CameraStrings& strings);

// The friendly name from a V4L2 card name: up to any ": " that uvcvideo appends.
std::u16string FriendlyNameFromCard(std::string_view card);

}  // namespace kavrin::v4l2
