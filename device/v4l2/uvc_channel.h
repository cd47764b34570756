#pragma once
// The extension-unit transfers on one open V4L2 node of a UVC camera.
#include <chrono>

#include "device/bounded_wait.h"
#include "device/v4l2/system_calls.h"
#include "device/video_input.h"

namespace kavrin::v4l2 {

class UvcChannel : public PropertyChannel {
 public:
  UvcChannel(SystemCalls& calls, int fd, uint8_t unitId, const Guid& unitGuid,
             std::chrono::milliseconds lockWait = kRecorderLockWait);
  ~UvcChannel() override;
  UvcChannel(const UvcChannel&) = delete;
  UvcChannel& operator=(const UvcChannel&) = delete;

  // UVC_SET_CUR or UVC_GET_CUR on the unit; the node id has no meaning here. errno becomes
  // a negative status. A SET is never retried: the recorder may have taken it.
  int32_t TransferProperty(const Guid& propertySet, uint32_t nodeId, uint32_t selector, bool isSet,
                           uint8_t* data, uint32_t length) override;
  // flock on the node: another program's packets cannot come between ours. Polled without
  // blocking, for at most the lock wait: a program that holds the node must not freeze us.
  bool Lock() override;
  void Unlock() override;

 private:
  SystemCalls& calls_;
  int fd_;
  uint8_t unitId_;
  Guid unitGuid_;
  std::chrono::milliseconds lockWait_;
};

}  // namespace kavrin::v4l2
