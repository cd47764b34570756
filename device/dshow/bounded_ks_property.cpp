#include "device/dshow/bounded_ks_property.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "config/trace.h"
#include "device/dshow/com_ptr.h"

namespace kavrin::dshow {
namespace {

// What the caller and the helper share; whichever leaves last frees it.
struct Call {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  HRESULT result = E_FAIL;
  ULONG returned = 0;
  KSP_NODE request{};
  std::vector<uint8_t> data;
};

}  // namespace

HRESULT BoundedKsProperty(IKsControl* control, const KSP_NODE& request, uint8_t* data, ULONG length,
                          ULONG* returned, std::chrono::milliseconds bound) {
  auto call = std::make_shared<Call>();
  call->request = request;
  if (data != nullptr) call->data.assign(data, data + length);
  control->AddRef();
  std::thread helper([call, control, withData = data != nullptr, length] {
    ComScope com;  // the driver's proxy may want COM on this thread too
    ULONG moved = 0;
    const HRESULT result =
        control->KsProperty(&call->request.Property, sizeof call->request,
                            withData ? call->data.data() : nullptr, length, &moved);
    control->Release();
    const std::lock_guard<std::mutex> lock(call->mutex);
    call->result = result;
    call->returned = moved;
    call->finished = true;
    call->done.notify_all();
  });
  std::unique_lock<std::mutex> lock(call->mutex);
  if (!call->done.wait_for(lock, bound, [&] { return call->finished; })) {
    lock.unlock();
    helper.detach();
    Trace("\nKsProperty timed out after %ld ms", static_cast<long>(bound.count()));
    return kTransferTimedOut;
  }
  lock.unlock();
  helper.join();
  if (data != nullptr) std::copy(call->data.begin(), call->data.end(), data);
  if (returned != nullptr) *returned = call->returned;
  return call->result;
}

}  // namespace kavrin::dshow
