#include "tests/vm/guest/guest_process.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace kavrin::vm {
namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

std::vector<char*> ArgumentPointers(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& a : argv) pointers.push_back(const_cast<char*>(a.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// Waits for the child until the deadline; true with its wait status when it ended.
bool WaitUntil(pid_t pid, std::chrono::steady_clock::time_point deadline, int* status) {
  for (;;) {
    const pid_t r = waitpid(pid, status, WNOHANG);
    if (r == pid) return true;
    if (r < 0) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

void RedirectTo(int targetFd, const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0) {
    dup2(fd, targetFd);
    close(fd);
  }
}

}  // namespace

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& folder,
                         std::chrono::milliseconds timeout, const std::optional<Credentials>& as) {
  const std::string outPath = folder + "/command.out";
  const std::string errPath = folder + "/command.err";
  CommandResult result;
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    unsetenv("KAVRIN_SIMULATOR");
    RedirectTo(STDOUT_FILENO, outPath);
    RedirectTo(STDERR_FILENO, errPath);
    // The output files are open already; the command itself runs with the credentials.
    if (as && (setgroups(as->groups.size(), as->groups.data()) != 0 || setgid(as->gid) != 0 ||
               setuid(as->uid) != 0)) {
      _exit(125);
    }
    std::vector<char*> args = ArgumentPointers(argv);
    execv(args[0], args.data());
    _exit(127);
  }
  if (pid < 0) return result;
  int status = 0;
  if (WaitUntil(pid, std::chrono::steady_clock::now() + timeout, &status)) {
    result.finished = true;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  } else {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  result.out = ReadTextFile(outPath);
  result.err = ReadTextFile(errPath);
  return result;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv,
                                     const std::string& logPath) {
  pid_ = fork();
  if (pid_ == 0) {
    RedirectTo(STDERR_FILENO, logPath);
    std::vector<char*> args = ArgumentPointers(argv);
    execv(args[0], args.data());
    _exit(127);
  }
}

BackgroundProcess::~BackgroundProcess() { Stop(std::chrono::milliseconds(3000)); }

bool BackgroundProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    pid_ = -1;
    return false;
  }
  return true;
}

void BackgroundProcess::Stop(std::chrono::milliseconds grace) {
  if (!Running()) return;
  kill(pid_, SIGTERM);
  int status = 0;
  if (!WaitUntil(pid_, std::chrono::steady_clock::now() + grace, &status)) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = -1;
}

}  // namespace kavrin::vm
