#include "cli/clock_choice.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace kavrin::cli {
namespace {

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(unsigned year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Exactly `count` digits at text[at...].
std::optional<unsigned> Digits(std::string_view text, std::size_t at, std::size_t count) {
  unsigned value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return value;
}

// The C library's time conversions share one buffer between threads.
std::mutex& TimeMutex() {
  static std::mutex mutex;
  return mutex;
}

LocalTime UtcNow() {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  LocalTime time;
  std::lock_guard<std::mutex> lock(TimeMutex());
  if (const std::tm* utc = std::gmtime(&seconds); utc != nullptr) {
    time.wYear = static_cast<uint16_t>(utc->tm_year + 1900);
    time.wMonth = static_cast<uint16_t>(utc->tm_mon + 1);
    time.wDayOfWeek = static_cast<uint16_t>(utc->tm_wday);
    time.wDay = static_cast<uint16_t>(utc->tm_mday);
    time.wHour = static_cast<uint16_t>(utc->tm_hour);
    time.wMinute = static_cast<uint16_t>(utc->tm_min);
    time.wSecond = static_cast<uint16_t>(utc->tm_sec > 59 ? 59 : utc->tm_sec);
  }
  return time;
}

}  // namespace

std::optional<ClockChoice> ClockChoice::Parse(std::string_view text) {
  ClockChoice choice;
  if (text == "now") return choice;
  if (text == "utc") {
    choice.kind_ = Kind::kUtc;
    return choice;
  }
  // YYYY-MM-DDTHH:MM:SS
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
      text[13] != ':' || text[16] != ':') {
    return std::nullopt;
  }
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2),
             second = Digits(text, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  if (*year < 1 || *month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) ||
      *hour > 23 || *minute > 59 || *second > 59) {
    return std::nullopt;
  }
  choice.kind_ = Kind::kFixed;
  choice.fixed_.wYear = static_cast<uint16_t>(*year);
  choice.fixed_.wMonth = static_cast<uint16_t>(*month);
  choice.fixed_.wDay = static_cast<uint16_t>(*day);
  choice.fixed_.wHour = static_cast<uint16_t>(*hour);
  choice.fixed_.wMinute = static_cast<uint16_t>(*minute);
  choice.fixed_.wSecond = static_cast<uint16_t>(*second);
  return choice;
}

LocalTime ClockChoice::Time() const {
  switch (kind_) {
    case Kind::kFixed:
      return fixed_;
    case Kind::kUtc:
      return UtcNow();
    case Kind::kLocal:
      break;
  }
  std::lock_guard<std::mutex> lock(TimeMutex());
  return LocalTime::Now();
}

std::string ClockText(const LocalTime& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond);
  return text;
}

}  // namespace kavrin::cli
