#include "tests/cli/station_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace kavrin::test {

ChildProcess::ChildProcess(const std::string& workDir, const std::string& simulator,
                           const std::vector<std::string>& arguments, long fileSizeLimit) {
  int outPipe[2];
  int errPipe[2];
  if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    if (::chdir(workDir.c_str()) != 0) ::_exit(127);
    if (fileSizeLimit > 0) {
      ::signal(SIGXFSZ, SIG_IGN);  // kept across exec: the write fails instead
      const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    ::setenv("KAVRIN_SIMULATOR", simulator.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(KAVRIN_BIN));
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(KAVRIN_BIN, argv.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  out_.fd = outPipe[0];
  err_.fd = errPipe[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (out_.fd >= 0) ::close(out_.fd);
  if (err_.fd >= 0) ::close(err_.fd);
}

bool ChildProcess::Pump(std::chrono::milliseconds timeout) {
  pollfd fds[2] = {{out_.fd, POLLIN, 0}, {err_.fd, POLLIN, 0}};
  if (out_.fd < 0 && err_.fd < 0) return false;
  if (::poll(fds, 2, static_cast<int>(timeout.count())) <= 0) return true;
  for (int i = 0; i < 2; ++i) {
    Stream& stream = i == 0 ? out_ : err_;
    if (stream.fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(stream.fd, buffer, sizeof buffer);
    if (n <= 0) {
      ::close(stream.fd);
      stream.fd = -1;
      continue;
    }
    stream.pending.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = stream.pending.find('\n')) != std::string::npos;) {
      stream.lines.push_back(stream.pending.substr(0, end));
      stream.pending.erase(0, end + 1);
    }
  }
  return true;
}

std::string ChildProcess::WaitForLine(Stream& stream,
                                      const std::function<bool(const std::string&)>& wanted,
                                      std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    while (stream.checked < stream.lines.size()) {
      const std::string& line = stream.lines[stream.checked++];
      if (wanted(line)) return line;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return {};
    if (!Pump(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now)) &&
        stream.checked == stream.lines.size()) {
      return {};
    }
  }
}

std::string ChildProcess::WaitForOutLine(const std::function<bool(const std::string&)>& wanted,
                                         std::chrono::milliseconds timeout) {
  return WaitForLine(out_, wanted, timeout);
}

std::string ChildProcess::WaitForErrLine(const std::function<bool(const std::string&)>& wanted,
                                         std::chrono::milliseconds timeout) {
  return WaitForLine(err_, wanted, timeout);
}

void ChildProcess::CloseOut() {
  if (out_.fd >= 0) ::close(out_.fd);
  out_.fd = -1;
}

void ChildProcess::Signal(int signalNumber) {
  if (pid_ > 0) ::kill(pid_, signalNumber);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (pid_ > 0) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      // The rest of the output; the pipes close with the child.
      for (int i = 0; i < 500 && (out_.fd >= 0 || err_.fd >= 0); ++i) {
        Pump(std::chrono::milliseconds(10));
      }
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    Pump(std::chrono::milliseconds(20));  // keeps the pipes from filling up
  }
  return -1;
}

}  // namespace kavrin::test
