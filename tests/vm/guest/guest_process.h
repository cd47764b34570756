#pragma once
// Child processes of the guest checks, every wait bounded: the emulated camera (started and
// unplugged per scenario) and the kavrin command.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kavrin::vm {

struct CommandResult {
  bool finished = false;  // false: killed at the deadline
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Who a command runs as: a user, its group and its supplementary groups.
struct Credentials {
  uid_t uid = 0;
  gid_t gid = 0;
  std::vector<gid_t> groups;
};

// Runs argv[0] with the arguments in `folder`, without KAVRIN_SIMULATOR, and collects its
// output; killed when it outlives the timeout. As root unless other credentials are given.
CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& folder,
                         std::chrono::milliseconds timeout,
                         const std::optional<Credentials>& as = std::nullopt);

// A program running in the background with its standard error in a log file.
class BackgroundProcess {
 public:
  BackgroundProcess(const std::vector<std::string>& argv, const std::string& logPath);
  ~BackgroundProcess();
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  bool Running();
  // SIGTERM, then SIGKILL when it has not ended within the grace time.
  void Stop(std::chrono::milliseconds grace);

 private:
  pid_t pid_ = -1;
};

std::string ReadTextFile(const std::string& path);

}  // namespace kavrin::vm
