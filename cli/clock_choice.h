#pragma once
// `--clock now|utc|YYYY-MM-DDTHH:MM:SS`: the date and time the kavrin operation sends. The
// default is the local time, the window's choice; each unit takes the time at its own
// write.
#include <optional>
#include <string>
#include <string_view>

#include "device/device_link.h"

namespace kavrin::cli {

class ClockChoice {
 public:
  // nullopt for a text that is none of the three forms or names a date that cannot be.
  static std::optional<ClockChoice> Parse(std::string_view text);
  ClockChoice() = default;

  // The time to send now. Safe to call from several threads.
  LocalTime Time() const;

 private:
  enum class Kind { kLocal, kUtc, kFixed };
  Kind kind_ = Kind::kLocal;
  LocalTime fixed_;
};

// "YYYY-MM-DDTHH:MM:SS"
std::string ClockText(const LocalTime& time);

}  // namespace kavrin::cli
