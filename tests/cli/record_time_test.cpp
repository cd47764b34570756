// The times of a line's records: local time with milliseconds and the zone's offset, whole
// and half hours, east and west of UTC, and UTC itself as +00:00.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "cli/record_time.h"
#include "tests/support/param_name.h"

namespace kavrin::cli {
namespace {

#ifndef _WIN32  // POSIX TZ rules, read without any zone database

// Sets TZ for the test's span.
class ScopedZone {
 public:
  explicit ScopedZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) previous_ = previous, hadZone_ = true;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ScopedZone() {
    if (hadZone_) {
      ::setenv("TZ", previous_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }
  ScopedZone(const ScopedZone&) = delete;
  ScopedZone& operator=(const ScopedZone&) = delete;

 private:
  std::string previous_;
  bool hadZone_ = false;
};

struct ZoneCase {
  const char* name;
  const char* zone;  // a POSIX TZ rule: the offset is west of UTC
  const char* expected;
};

void PrintTo(const ZoneCase& c, std::ostream* out) { *out << c.name; }

class IsoLocalTimeTest : public testing::TestWithParam<ZoneCase> {};

TEST_P(IsoLocalTimeTest, GivesTheLocalTimeWithMillisecondsAndTheOffset) {
  const ScopedZone zone(GetParam().zone);
  // 2026-12-11T01:14:03.120Z
  const WallClock::time_point when =
      std::chrono::sys_days{std::chrono::year{2026} / std::chrono::December / 11} +
      std::chrono::hours(1) + std::chrono::minutes(14) + std::chrono::seconds(3) +
      std::chrono::milliseconds(120);
  EXPECT_EQ(IsoLocalTime(when), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, IsoLocalTimeTest,
    testing::Values(ZoneCase{"utc", "UTC0", "2026-12-11T01:14:03.120+00:00"},
                    ZoneCase{"east_whole_hours", "CST-8", "2026-12-11T09:14:03.120+08:00"},
                    ZoneCase{"east_half_hour", "IST-5:30", "2026-12-11T06:44:03.120+05:30"},
                    ZoneCase{"west_across_midnight", "NST3:30", "2026-12-10T21:44:03.120-03:30"}),
    [](const auto& testCase) { return test::ParamName(testCase.param.name); });

#endif

TEST(TimeSpanTest, FinishesAfterItStartsAndMeasuresNoLessThanItWaited) {
  TimeSpan span;
  std::this_thread::sleep_for(std::chrono::milliseconds(5));  // at least that long
  span.Finish();
  EXPECT_GE(span.DurationMs(), 5);
  EXPECT_LE(span.Started(), span.Finished());
}

}  // namespace
}  // namespace kavrin::cli
