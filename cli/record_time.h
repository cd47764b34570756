#pragma once
// The times a line's records carry: ISO 8601 local time with milliseconds and the local UTC
// offset ("2026-12-11T09:14:03.120+08:00"), so that records of stations in different time
// zones, or of one station across a change of daylight saving time, still compare; and the
// span of a unit or a session, its length measured on a clock that setting the time does not
// move.
#include <chrono>
#include <cstdint>
#include <string>

namespace kavrin::cli {

using WallClock = std::chrono::system_clock;

// "2026-12-11T09:14:03.120+08:00"; "+00:00" for UTC, never "Z".
std::string IsoLocalTime(WallClock::time_point when);
// "20261211T091403": the local time in a form fit for an identifier.
std::string CompactLocalTime(WallClock::time_point when);

// When something started and, once Finish is called, when it ended and how long it took.
class TimeSpan {
 public:
  // Starts now.
  TimeSpan();
  void Finish();

  WallClock::time_point Started() const { return started_; }
  WallClock::time_point Finished() const { return finished_; }
  int64_t DurationMs() const { return durationMs_; }

 private:
  WallClock::time_point started_;
  std::chrono::steady_clock::time_point startedSteady_;
  WallClock::time_point finished_;
  int64_t durationMs_ = 0;
};

}  // namespace kavrin::cli
