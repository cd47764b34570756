#include "cli/clock_choice.h"

namespace kavrin::cli {
namespace {

// Exactly `count` digits at text[at...].
std::optional<unsigned> Digits(std::string_view text, std::size_t at, std::size_t count) {
  unsigned value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return value;
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
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  choice.kind_ = Kind::kFixed;
  choice.fixed_.wYear = static_cast<uint16_t>(*year);
  choice.fixed_.wMonth = static_cast<uint16_t>(*month);
  choice.fixed_.wDay = static_cast<uint16_t>(*day);
  choice.fixed_.wHour = static_cast<uint16_t>(*hour);
  choice.fixed_.wMinute = static_cast<uint16_t>(*minute);
  choice.fixed_.wSecond = static_cast<uint16_t>(*second);
  if (!choice.fixed_.IsValid()) return std::nullopt;
  return choice;
}

LocalTime ClockChoice::Time() const {
  switch (kind_) {
    case Kind::kFixed:
      return fixed_;
    case Kind::kUtc:
      return LocalTime::UtcNow();
    case Kind::kLocal:
      break;
  }
  return LocalTime::Now();
}

std::string ClockText(const LocalTime& time) { return time.Text(); }

}  // namespace kavrin::cli
