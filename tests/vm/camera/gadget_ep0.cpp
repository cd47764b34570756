#include "tests/vm/camera/gadget_ep0.h"

#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/gadgetfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kavrin::vm {
namespace {

// uvcvideo gives a control request 5 s (UVC_CTRL_CONTROL_TIMEOUT) before it cancels it.
constexpr auto kHostWaits = std::chrono::seconds(5);

void Complain(const char* what) {
  std::fprintf(stderr, "zk742: %s: %s\n", what, std::strerror(errno));
}

}  // namespace

std::unique_ptr<GadgetEp0> GadgetEp0::Open(const std::string& path,
                                           const std::vector<uint8_t>& descriptors,
                                           std::string* error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    *error = path + ": " + std::strerror(errno);
    return nullptr;
  }
  const ssize_t written = ::write(fd, descriptors.data(), descriptors.size());
  if (written != static_cast<ssize_t>(descriptors.size())) {
    *error = "writing the descriptors to " + path + ": " +
             (written < 0 ? std::strerror(errno) : "short write");
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<GadgetEp0>(new GadgetEp0(fd));
}

GadgetEp0::~GadgetEp0() { ::close(fd_); }

bool GadgetEp0::NextEvents(std::vector<GadgetEvent>* events) {
  events->clear();
  usb_gadgetfs_event raw[5];
  ssize_t n;
  do {
    n = ::read(fd_, raw, sizeof raw);
  } while (n < 0 && (errno == EINTR || errno == EAGAIN));
  if (n < 0) {
    // EIDRM: gadgetfs dropped a request the camera had not finished; the next read goes on.
    if (errno == EIDRM) {
      GadgetEvent lost;
      lost.type = GadgetEvent::Type::kLost;
      events->push_back(lost);
      return true;
    }
    Complain("reading ep0 events");
    return false;
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(n) / sizeof raw[0]; ++i) {
    GadgetEvent event;
    switch (raw[i].type) {
      case GADGETFS_CONNECT:
        event.type = GadgetEvent::Type::kConnect;
        break;
      case GADGETFS_DISCONNECT:
        event.type = GadgetEvent::Type::kDisconnect;
        break;
      case GADGETFS_SUSPEND:
        event.type = GadgetEvent::Type::kSuspend;
        break;
      case GADGETFS_SETUP: {
        const usb_ctrlrequest& c = raw[i].u.setup;
        event.type = GadgetEvent::Type::kSetup;
        event.setup = SetupPacket{c.bRequestType, c.bRequest, le16toh(c.wValue), le16toh(c.wIndex),
                                  le16toh(c.wLength)};
        current_ = event.setup;
        readAt_ = std::chrono::steady_clock::now();
        break;
      }
      default:
        break;
    }
    events->push_back(event);
  }
  return true;
}

bool GadgetEp0::InTime() const {
  if (std::chrono::steady_clock::now() - readAt_ < kHostWaits) return true;
  std::fprintf(stderr,
               "zk742: answered more than 5 s after reading the request: the host gave up\n");
  return false;
}

bool GadgetEp0::Reply(std::span<const uint8_t> data) {
  const std::size_t length = std::min<std::size_t>(data.size(), current_.length);
  if (::write(fd_, data.data(), length) < 0) {
    Complain("answering a request");
    return false;
  }
  return InTime();
}

std::optional<std::vector<uint8_t>> GadgetEp0::ReceiveData(std::size_t length) {
  std::vector<uint8_t> data(length);
  const ssize_t n = ::read(fd_, data.data(), data.size());
  if (n < 0) {
    Complain("collecting a request's data");
    return std::nullopt;
  }
  data.resize(static_cast<std::size_t>(n));
  return data;
}

bool GadgetEp0::Acknowledge() {
  if (::read(fd_, nullptr, 0) < 0) {
    Complain("acknowledging a request");
    return false;
  }
  return InTime();
}

bool GadgetEp0::Stall() {
  // gadgetfs stalls ep0 when the request is answered in the wrong direction; the call itself
  // then fails with EL2HLT, which is the expected outcome.
  const ssize_t r = current_.IsIn() ? ::read(fd_, nullptr, 0) : ::write(fd_, nullptr, 0);
  if (r < 0 && errno != EL2HLT) {
    Complain("stalling a request");
    return false;
  }
  return InTime();
}

}  // namespace kavrin::vm
