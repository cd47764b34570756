#pragma once
// Child processes of the guest checks, every wait bounded: the emulated camera (started and
// unplugged per scenario) and the kavrin command.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace kavrin::vm {

struct CommandResult {
  bool finished = false;  // false: killed at the deadline
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs argv[0] with the arguments in `folder`, without KAVRIN_SIMULATOR, and collects its
// output; killed when it outlives the timeout.
CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& folder,
                         std::chrono::milliseconds timeout);

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
