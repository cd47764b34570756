#pragma once
// A KsProperty call that the calling thread waits for at most a bound. A recorder writing its
// flash on the commit can hold the call for as long as the class driver waits, and the window
// must not freeze meanwhile: the call runs on a helper thread with its own copy of the
// request and the data, and a call still running at the bound is left to finish there (its
// answer is dropped) while the caller gets ERROR_TIMEOUT.
// clang-format off
#include <windows.h>
#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>
// clang-format on

#include <chrono>
#include <cstdint>

namespace kavrin::dshow {

// How long one transfer may take before it counts as timed out: far beyond a flash write's
// commit as the recorder does it (well under a second), short enough to name the fault.
inline constexpr std::chrono::milliseconds kTransferBound{5000};

// HRESULT_FROM_WIN32(ERROR_TIMEOUT), what a transfer beyond the bound returns.
inline const HRESULT kTransferTimedOut = HRESULT_FROM_WIN32(ERROR_TIMEOUT);

// control is AddRef'd for the helper's span. data may be null with length 0 (a size query);
// returned, when given, gets the bytes the driver says it moved or wants.
HRESULT BoundedKsProperty(IKsControl* control, const KSP_NODE& request, uint8_t* data, ULONG length,
                          ULONG* returned = nullptr,
                          std::chrono::milliseconds bound = kTransferBound);

}  // namespace kavrin::dshow
