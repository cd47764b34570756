#include "device/v4l2/uvc_channel.h"

#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <sys/file.h>

#include <cerrno>

namespace kavrin::v4l2 {

UvcChannel::UvcChannel(SystemCalls& calls, int fd, uint8_t unitId, const Guid& unitGuid,
                       std::chrono::milliseconds lockWait)
    : calls_(calls), fd_(fd), unitId_(unitId), unitGuid_(unitGuid), lockWait_(lockWait) {}

UvcChannel::~UvcChannel() { calls_.Close(fd_); }

int32_t UvcChannel::TransferProperty(const Guid& propertySet, uint32_t /*nodeId*/,
                                     uint32_t selector, bool isSet, uint8_t* data,
                                     uint32_t length) {
  // This channel reaches only the unit it was bound to.
  if (!(propertySet == unitGuid_)) return StatusFromErrno(ENOENT);
  if (selector == 0 || selector > 0xFF || length > 0xFFFF || (data == nullptr && length > 0)) {
    return StatusFromErrno(EINVAL);
  }
  uvc_xu_control_query query{};
  query.unit = unitId_;
  query.selector = static_cast<uint8_t>(selector);
  query.query = isSet ? UVC_SET_CUR : UVC_GET_CUR;
  query.size = static_cast<uint16_t>(length);
  query.data = data;
  if (calls_.Ioctl(fd_, UVCIOC_CTRL_QUERY, &query) != 0) return StatusFromErrno(errno);
  return kStatusOk;
}

bool UvcChannel::Lock() {
  const TryResult result = RetryWhileBusy(
      [this] {
        if (calls_.Flock(fd_, LOCK_EX | LOCK_NB) == 0) return TryResult::kDone;
        return errno == EWOULDBLOCK || errno == EINTR ? TryResult::kBusy : TryResult::kFailed;
      },
      lockWait_);
  return result == TryResult::kDone;
}

void UvcChannel::Unlock() {
  while (calls_.Flock(fd_, LOCK_UN) != 0 && errno == EINTR) {
  }
}

}  // namespace kavrin::v4l2
