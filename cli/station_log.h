#pragma once
// The station's --log: one JSON record per line, appended as each unit finishes. A record is
// in the log whole or not at all: a write that fails part-way (a full disk) is cut back to
// where the record began, so that the next record, of this run or the next, starts a line of
// its own.
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/command_result.h"

namespace kavrin::cli {

class StationLog {
 public:
  StationLog() = default;
  ~StationLog();
  StationLog(const StationLog&) = delete;
  StationLog& operator=(const StationLog&) = delete;

  // Opens the log for appending (no path: no log, and every append succeeds). False with
  // *error set when it cannot be opened.
  bool Open(const std::string& path, std::string* error);
  // False when the record could not be written, with *error (when given) naming the
  // system's reason ("cannot append to units.jsonl: No space left on device"); the log is
  // then as it was before.
  bool Append(const Json& record, std::string* error = nullptr);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
};

}  // namespace kavrin::cli
