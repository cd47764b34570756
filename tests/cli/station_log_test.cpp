// The station's log on a full disk: a record that does not fit is not in the log at all, so
// the next record (of this run or the next) starts a line of its own. The disk is made full
// for a child process by its file-size limit, which cuts a write part-way as a full disk does.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <sstream>
#include <string>

#include "cli/station_log.h"
#include "tests/support/param_name.h"
#include "tests/support/temp_dir.h"

namespace kavrin::cli {
namespace {

struct FullDiskCase {
  const char* name;
  long room;  // bytes left after the first record; below 0: the second's length less that
};

void PrintTo(const FullDiskCase& c, std::ostream* out) { *out << c.name; }

class StationLogFullDiskTest : public testing::TestWithParam<FullDiskCase> {};

Json Record(int unit) {
  return Json{
      {"schema", 1},
      {"command", "station"},
      {"unit", unit},
      {"items", Json::array({Json{{"wordIndex", 1}, {"settings", std::string(300, 's')}}})}};
}

std::string Line(const Json& record) { return record.dump() + "\n"; }

TEST_P(StationLogFullDiskTest, ARecordThatDoesNotFitLeavesNoPart) {
  test::TempDir dir;
  const std::string path = (dir / "units.jsonl").string();
  const long firstLength = static_cast<long>(Line(Record(1)).size());
  const long room = GetParam().room >= 0
                        ? GetParam().room
                        : static_cast<long>(Line(Record(2)).size()) + GetParam().room;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    const rlimit limit{static_cast<rlim_t>(firstLength + room),
                       static_cast<rlim_t>(firstLength + room)};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
    StationLog log;
    std::string error;
    if (!log.Open(path, &error)) ::_exit(3);
    const bool first = log.Append(Record(1));
    const bool second = log.Append(Record(2));
    ::_exit(first && !second ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the first record fits, the second does not";
  EXPECT_EQ(dir.Read("units.jsonl"), Line(Record(1))) << "no part of the second record";

  // Room again (the next run): its record starts a line of its own.
  StationLog log;
  std::string error;
  ASSERT_TRUE(log.Open(path, &error)) << error;
  ASSERT_TRUE(log.Append(Record(3)));
  std::istringstream lines(dir.Read("units.jsonl"));
  std::vector<int> units;
  for (std::string line; std::getline(lines, line);) {
    const Json record = Json::parse(line, nullptr, false);
    ASSERT_TRUE(record.is_object()) << line;
    units.push_back(record["unit"].get<int>());
  }
  EXPECT_EQ(units, (std::vector<int>{1, 3}));
}

INSTANTIATE_TEST_SUITE_P(Room, StationLogFullDiskTest,
                         testing::Values(FullDiskCase{"none", 0}, FullDiskCase{"a few bytes", 17},
                                         FullDiskCase{"all but the line end", -1}),
                         [](const auto& testCase) { return test::ParamName(testCase.param.name); });

}  // namespace
}  // namespace kavrin::cli
