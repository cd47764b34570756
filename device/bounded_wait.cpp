#include "device/bounded_wait.h"

#include <algorithm>
#include <thread>

namespace kavrin {

TryResult RetryWhileBusy(const std::function<TryResult()>& attempt,
                         std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  // A peer's command takes milliseconds: a short poll gets the recorder soon after it is
  // free without spinning the processor.
  constexpr std::chrono::milliseconds kPoll{5};
  const Clock::time_point deadline = Clock::now() + limit;
  for (;;) {
    const TryResult result = attempt();
    if (result != TryResult::kBusy) return result;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return TryResult::kBusy;
    std::this_thread::sleep_for(std::min<Clock::duration>(kPoll, deadline - now));
  }
}

}  // namespace kavrin
