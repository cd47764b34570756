#include "device/v4l2/usb_address.h"

#include <algorithm>
#include <fstream>

namespace kavrin::v4l2 {
namespace {

namespace fs = std::filesystem;

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A path as a link names it, made absolute against the link's folder and without "..".
fs::path Resolved(const fs::path& link, const fs::path& target) {
  return (target.is_absolute() ? target : link.parent_path() / target).lexically_normal();
}

}  // namespace

std::string UsbPortPath(const fs::path& usbDevice) {
  // "<bus>-<port>[.<port>]...", as the kernel names a USB device (not an interface, which
  // adds ":<config>.<interface>", and not a root hub, "usb<bus>").
  const std::string name = usbDevice.filename().string();
  const std::size_t dash = name.find('-');
  if (dash == std::string::npos || !AllDigits(std::string_view(name).substr(0, dash))) return {};
  std::string_view ports = std::string_view(name).substr(dash + 1);
  for (std::size_t start = 0;;) {
    const std::size_t dot = ports.find('.', start);
    if (!AllDigits(ports.substr(start, dot == std::string_view::npos ? ports.npos : dot - start))) {
      return {};
    }
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return name;
}

std::string UsbSerial(const fs::path& usbDevice) {
  std::ifstream in(usbDevice / "serial", std::ios::binary);
  if (!in.is_open()) return {};
  std::string serial;
  std::getline(in, serial, '\0');
  while (!serial.empty() && (serial.back() == '\n' || serial.back() == '\r')) serial.pop_back();
  return serial.size() > 255 ? std::string() : serial;  // a USB string holds at most 126 characters
}

std::vector<std::string> V4lLinksTo(const fs::path& devRoot, const fs::path& node) {
  std::vector<std::string> links;
  const fs::path wanted = node.lexically_normal();
  for (const char* kind : {"by-id", "by-path"}) {
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::directory_iterator it(devRoot / "v4l" / kind, ec), end; !ec && it != end;
         it.increment(ec)) {
      std::error_code linkError;
      if (!it->is_symlink(linkError)) continue;
      const fs::path target = fs::read_symlink(it->path(), linkError);
      if (!linkError && Resolved(it->path(), target) == wanted)
        found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    links.insert(links.end(), found.begin(), found.end());
  }
  return links;
}

}  // namespace kavrin::v4l2
