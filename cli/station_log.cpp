#include "cli/station_log.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "config/file_io.h"
#include "config/file_util.h"

namespace kavrin::cli {

StationLog::~StationLog() {
  if (file_ != nullptr) std::fclose(file_);
}

bool StationLog::Open(const std::string& path, std::string* error) {
  if (path.empty()) return true;
  path_ = path;
  // A link planted in a shared folder is not followed to another user's file.
  if (const FileOutcome links = CheckLinksFollowable(PathFromUtf8(path)); !links) {
    *error = "cannot open the log " + path + ": " + links.reason;
    return false;
  }
  errno = 0;
  // Named as UTF-8 text: on Windows opened by its UTF-16 name, as every other file.
#ifdef _WIN32
  file_ = _wfopen(PathFromUtf8(path).c_str(), L"ab");
#else
  file_ = std::fopen(path.c_str(), "ab");
#endif
  if (file_ == nullptr) {
    *error = "cannot open the log " + path + ": " + std::strerror(errno);
    return false;
  }
  // Unbuffered: a record that failed must not stay behind in a buffer, to be written (in
  // part) by a later flush or by fclose.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  return true;
}

bool StationLog::Append(const Json& record, std::string* error) {
  if (file_ == nullptr) return true;
  const std::string line = record.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
  auto failed = [&](const std::string& why) {
    if (error != nullptr) *error = "cannot append to " + path_ + ": " + why;
    return false;
  };
  std::error_code ec;
  const std::uintmax_t before = std::filesystem::file_size(PathFromUtf8(path_), ec);
  if (ec) return failed(ec.message());
  errno = 0;
  if (std::fwrite(line.data(), 1, line.size(), file_) == line.size() && std::fflush(file_) == 0) {
    return true;
  }
  const int writeError = errno;
  std::clearerr(file_);
  // Half a record would become the head of the next one's line: cut back to where it began.
  std::filesystem::resize_file(PathFromUtf8(path_), before, ec);
  return failed(writeError != 0 ? std::strerror(writeError) : "the write was cut short");
}

}  // namespace kavrin::cli
