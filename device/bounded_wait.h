#pragma once
// Waiting for something another program holds (the recorder, for one of its commands)
// without ever waiting for ever.
#include <chrono>
#include <functional>

namespace kavrin {

// How long a command waits for a recorder that another program is using: far longer than any
// one command of the other program takes (a few transfers), short enough that the window
// never seems frozen.
inline constexpr std::chrono::milliseconds kRecorderLockWait{1500};

enum class TryResult {
  kDone,    // had it
  kBusy,    // someone else has it now; worth another try
  kFailed,  // cannot be had at all
};

// Calls `attempt` until it is done or has failed, or until it has been busy for `limit`
// (then the result is kBusy). Polls every few milliseconds; tries at least once.
TryResult RetryWhileBusy(const std::function<TryResult()>& attempt,
                         std::chrono::milliseconds limit);

}  // namespace kavrin
