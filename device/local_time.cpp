#include "device/local_time.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace kavrin {
namespace {

// The thread-safe conversions: each thread gets its own broken-down time.
bool BreakDown(std::time_t seconds, bool utc, std::tm* out) {
#ifdef _WIN32
  return (utc ? gmtime_s(out, &seconds) : localtime_s(out, &seconds)) == 0;
#else
  return (utc ? gmtime_r(&seconds, out) : localtime_r(&seconds, out)) != nullptr;
#endif
}

LocalTime ClockNow(bool utc) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  LocalTime time;
  std::tm broken{};
  if (!BreakDown(seconds, utc, &broken)) return time;
  time.wYear = static_cast<uint16_t>(broken.tm_year + 1900);
  time.wMonth = static_cast<uint16_t>(broken.tm_mon + 1);
  time.wDayOfWeek = static_cast<uint16_t>(broken.tm_wday);
  time.wDay = static_cast<uint16_t>(broken.tm_mday);
  time.wHour = static_cast<uint16_t>(broken.tm_hour);
  time.wMinute = static_cast<uint16_t>(broken.tm_min);
  time.wSecond = static_cast<uint16_t>(std::min(broken.tm_sec, 59));  // no leap second
  time.wMilliseconds = static_cast<uint16_t>(millis < 0 ? 0 : millis);
  return time;
}

}  // namespace

LocalTime LocalTime::Now() { return ClockNow(false); }

LocalTime LocalTime::UtcNow() { return ClockNow(true); }

bool LocalTime::IsValid() const {
  // The calendar types keep a day and a month in one byte: larger fields must not wrap into it.
  if (wMonth > 12 || wDay > 31) return false;
  const std::chrono::year_month_day date{std::chrono::year{wYear}, std::chrono::month{wMonth},
                                         std::chrono::day{wDay}};
  return wYear >= 1 && wYear <= 9999 && date.ok() && wHour <= 23 && wMinute <= 59 && wSecond <= 59;
}

std::string LocalTime::Text() const {
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", unsigned{wYear},
                unsigned{wMonth}, unsigned{wDay}, unsigned{wHour}, unsigned{wMinute},
                unsigned{wSecond});
  return text;
}

}  // namespace kavrin
