#include "tests/vm/camera/usbip_link.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace kavrin::vm {
namespace {

// The USB/IP header: 48 bytes, every field big-endian (the setup packet as on the bus).
constexpr std::size_t kHeaderSize = 48;
constexpr uint32_t kCmdSubmit = 1, kCmdUnlink = 2, kRetSubmit = 3, kRetUnlink = 4;
constexpr uint32_t kDirectionIn = 1;
constexpr uint32_t kSpeedHigh = 3;  // USB_SPEED_HIGH
constexpr int32_t kStalled = -EPIPE;
constexpr int32_t kUnlinked = -ECONNRESET;
constexpr const char* kAttachFile = "/sys/devices/platform/vhci_hcd.0/attach";

uint32_t Get32(const std::array<uint8_t, kHeaderSize>& header, std::size_t at) {
  uint32_t value;
  std::memcpy(&value, header.data() + at, 4);
  return ntohl(value);
}

void Put32(std::array<uint8_t, kHeaderSize>& header, std::size_t at, uint32_t value) {
  value = htonl(value);
  std::memcpy(header.data() + at, &value, 4);
}

bool ReadExactly(int fd, uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteAll(int fd, const uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A reply's header: command, the URB's seqnum, then the command's own fields from byte 20.
std::array<uint8_t, kHeaderSize> ReplyHeader(uint32_t command, uint32_t seqnum) {
  std::array<uint8_t, kHeaderSize> header{};
  Put32(header, 0, command);
  Put32(header, 4, seqnum);
  return header;
}

}  // namespace

std::unique_ptr<UsbipLink> UsbipLink::Attach(unsigned port, std::string* error) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    *error = std::string("socketpair: ") + std::strerror(errno);
    return nullptr;
  }
  // The kernel keeps its own reference to its end once attached.
  std::ofstream attach(kAttachFile);
  attach << port << ' ' << fds[1] << ' ' << (0x10000u + port) << ' ' << kSpeedHigh;
  attach.close();
  ::close(fds[1]);
  if (!attach) {
    *error = std::string("vhci_hcd refused the device on port ") + std::to_string(port) + " (" +
             kAttachFile + ")";
    ::close(fds[0]);
    return nullptr;
  }
  return std::unique_ptr<UsbipLink>(new UsbipLink(fds[0]));
}

UsbipLink::~UsbipLink() { ::close(fd_); }

bool UsbipLink::NextControl(SetupPacket* setup) {
  for (;;) {
    std::array<uint8_t, kHeaderSize> header;
    if (!ReadExactly(fd_, header.data(), header.size())) return false;
    const uint32_t command = Get32(header, 0);
    const uint32_t seqnum = Get32(header, 4);
    const uint32_t direction = Get32(header, 12);
    const uint32_t endpoint = Get32(header, 16);
    if (command == kCmdUnlink) {
      // Taken back before it was answered: the held URB is dropped, never completed.
      const uint32_t target = Get32(header, 20);
      const bool wasHeld = held_.erase(target) > 0;
      if (target == seqnum_) {
        ++lost_;
        std::fprintf(stderr, "zk742: the host took back control request %u: it was lost\n", target);
      }
      std::array<uint8_t, kHeaderSize> reply = ReplyHeader(kRetUnlink, seqnum);
      Put32(reply, 20, static_cast<uint32_t>(wasHeld ? kUnlinked : 0));
      if (!WriteAll(fd_, reply.data(), reply.size())) return false;
      continue;
    }
    if (command != kCmdSubmit) {
      std::fprintf(stderr, "zk742: unknown USB/IP command %u\n", command);
      return false;
    }
    const uint32_t length = Get32(header, 24);
    std::vector<uint8_t> data;
    if (direction != kDirectionIn && length > 0) {
      if (length > 65536) return false;
      data.resize(length);
      if (!ReadExactly(fd_, data.data(), data.size())) return false;
    }
    if (endpoint != 0) {
      held_[seqnum] = endpoint;  // the status interrupt or streaming: nothing to say
      continue;
    }
    const uint8_t* s = header.data() + 40;
    setup_ = SetupPacket{s[0], s[1], static_cast<uint16_t>(s[2] | (s[3] << 8)),
                         static_cast<uint16_t>(s[4] | (s[5] << 8)),
                         static_cast<uint16_t>(s[6] | (s[7] << 8))};
    seqnum_ = seqnum;
    outData_ = std::move(data);
    answered_ = false;
    *setup = setup_;
    return true;
  }
}

bool UsbipLink::Complete(int32_t status, std::span<const uint8_t> data) {
  if (answered_) return false;
  answered_ = true;
  const std::size_t length = setup_.IsIn() ? std::min<std::size_t>(data.size(), setup_.length)
                                           : (status == 0 ? outData_.size() : 0);
  std::array<uint8_t, kHeaderSize> reply = ReplyHeader(kRetSubmit, seqnum_);
  Put32(reply, 20, static_cast<uint32_t>(status));
  Put32(reply, 24, static_cast<uint32_t>(length));
  std::vector<uint8_t> message(reply.begin(), reply.end());
  if (setup_.IsIn()) message.insert(message.end(), data.begin(), data.begin() + length);
  if (!WriteAll(fd_, message.data(), message.size())) {
    std::fprintf(stderr, "zk742: answering a request: %s\n", std::strerror(errno));
    return false;
  }
  return true;
}

bool UsbipLink::Reply(std::span<const uint8_t> data) { return Complete(0, data); }

std::optional<std::vector<uint8_t>> UsbipLink::ReceiveData(std::size_t length) {
  // Taking the data completes the request, as gadgetfs does: the camera behaves the same on
  // both (a SET is never refused on the bus; the refusal shows at the next GET).
  std::vector<uint8_t> data = outData_;
  data.resize(std::min(length, data.size()));
  if (!Complete(0, {})) return std::nullopt;
  return data;
}

bool UsbipLink::Acknowledge() { return Complete(0, {}); }

bool UsbipLink::Stall() { return Complete(kStalled, {}); }

}  // namespace kavrin::vm
