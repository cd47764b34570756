#pragma once
// The recorder's date and time: the fields of the platform's SYSTEMTIME, read from the clock as
// local time or UTC, checked as a calendar date and written as text. Used by the window's
// Kavrin, the command line's --clock and the simulated recorder.
#include <cstdint>
#include <string>

namespace kavrin {

struct LocalTime {
  uint16_t wYear = 0, wMonth = 0, wDayOfWeek = 0, wDay = 0, wHour = 0, wMinute = 0, wSecond = 0,
           wMilliseconds = 0;
  // The clock now, as local time or as UTC; safe to call from several threads.
  static LocalTime Now();
  static LocalTime UtcNow();
  // A date and time that can be: years 1 to 9999, a real day of the month, no leap second.
  bool IsValid() const;
  // "YYYY-MM-DDTHH:MM:SS"
  std::string Text() const;
};

}  // namespace kavrin
