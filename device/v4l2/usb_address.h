#pragma once
// Where a camera sits, for telling recorders of one name apart: the USB device's port path
// and serial string from sysfs, and the /dev/v4l links udev made for its node.
#include <filesystem>
#include <string>
#include <vector>

namespace kavrin::v4l2 {

// The USB bus and port path of a USB device's sysfs folder ("1-2.3": bus 1, hub port 2, port
// 3; /dev/v4l/by-path spells it "usb-0:2.3"); empty for a folder that is no such device.
std::string UsbPortPath(const std::filesystem::path& usbDevice);

// The USB device's serial string (sysfs `serial`); empty when it has none.
std::string UsbSerial(const std::filesystem::path& usbDevice);

// Every link under devRoot/v4l/by-id and devRoot/v4l/by-path that leads to the node, by name.
std::vector<std::string> V4lLinksTo(const std::filesystem::path& devRoot,
                                    const std::filesystem::path& node);

}  // namespace kavrin::v4l2
