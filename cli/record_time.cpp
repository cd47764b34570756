#include "cli/record_time.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace kavrin::cli {
namespace {

bool BreakDown(std::time_t seconds, bool utc, std::tm* out) {
#ifdef _WIN32
  return (utc ? gmtime_s(out, &seconds) : localtime_s(out, &seconds)) == 0;
#else
  return (utc ? gmtime_r(&seconds, out) : localtime_r(&seconds, out)) != nullptr;
#endif
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysOf(const std::tm& t) {
  const std::chrono::year_month_day date{std::chrono::year{t.tm_year + 1900},
                                         std::chrono::month{static_cast<unsigned>(t.tm_mon + 1)},
                                         std::chrono::day{static_cast<unsigned>(t.tm_mday)}};
  return std::chrono::sys_days{date}.time_since_epoch().count();
}

int64_t SecondsOf(const std::tm& t) {
  return DaysOf(t) * 86400 + t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec;
}

struct Broken {
  std::tm local{};
  int offsetMinutes = 0;  // local time less UTC
  int millis = 0;
};

Broken BreakDownLocal(WallClock::time_point when) {
  Broken broken;
  const auto sinceEpoch =
      std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
  if (seconds > sinceEpoch) seconds -= std::chrono::seconds(1);  // before 1970: round down
  broken.millis = static_cast<int>((sinceEpoch - seconds).count());
  const std::time_t t = static_cast<std::time_t>(seconds.count());
  std::tm utc{};
  if (!BreakDown(t, false, &broken.local) || !BreakDown(t, true, &utc)) return broken;
  // The offset from the two broken-down times, as the platforms agree on neither tm_gmtoff
  // nor what %z prints.
  broken.offsetMinutes = static_cast<int>((SecondsOf(broken.local) - SecondsOf(utc)) / 60);
  return broken;
}

}  // namespace

std::string IsoLocalTime(WallClock::time_point when) {
  const Broken b = BreakDownLocal(when);
  const int offset = std::abs(b.offsetMinutes);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                b.local.tm_year + 1900, b.local.tm_mon + 1, b.local.tm_mday, b.local.tm_hour,
                b.local.tm_min, b.local.tm_sec, b.millis, b.offsetMinutes < 0 ? '-' : '+',
                offset / 60, offset % 60);
  return text;
}

std::string CompactLocalTime(WallClock::time_point when) {
  const Broken b = BreakDownLocal(when);
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d", b.local.tm_year + 1900,
                b.local.tm_mon + 1, b.local.tm_mday, b.local.tm_hour, b.local.tm_min,
                b.local.tm_sec);
  return text;
}

TimeSpan::TimeSpan()
    : started_(WallClock::now()),
      startedSteady_(std::chrono::steady_clock::now()),
      finished_(started_) {}

void TimeSpan::Finish() {
  finished_ = WallClock::now();
  durationMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - startedSteady_)
                    .count();
}

}  // namespace kavrin::cli
