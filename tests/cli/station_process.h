#pragma once
// The built kavrin binary as a child process whose output is read as it comes, for the
// station: it runs until it is told to stop, and the test acts while it runs.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kavrin::test {

class ChildProcess {
 public:
  // Runs KAVRIN_BIN with the arguments in `workDir`, with KAVRIN_SIMULATOR set. A
  // fileSizeLimit above 0 stands for a full disk: no file the child writes grows past it (a
  // write cut part-way, failing with EFBIG, as a full disk cuts it with ENOSPC).
  ChildProcess(const std::string& workDir, const std::string& simulator,
               const std::vector<std::string>& arguments, long fileSizeLimit = 0);
  ~ChildProcess();  // kills a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits until a line of stdout (or of stderr) satisfies `wanted`, at most `timeout`;
  // returns it, or an empty text on timeout or end of output. Lines seen are kept.
  std::string WaitForOutLine(const std::function<bool(const std::string&)>& wanted,
                             std::chrono::milliseconds timeout = std::chrono::seconds(10));
  std::string WaitForErrLine(const std::function<bool(const std::string&)>& wanted,
                             std::chrono::milliseconds timeout = std::chrono::seconds(10));
  void Signal(int signalNumber);
  // Stops reading stdout, as `| head -c1` does once it has its byte: the child's next write
  // to it fails (EPIPE, or SIGPIPE where that is not ignored).
  void CloseOut();
  // Waits for the exit, at most `timeout`; the exit status, or -1.
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));

  const std::vector<std::string>& OutLines() const { return out_.lines; }

 private:
  struct Stream {
    int fd = -1;
    std::string pending;
    std::vector<std::string> lines;
    std::size_t checked = 0;  // lines already offered to a wait
  };
  std::string WaitForLine(Stream& stream, const std::function<bool(const std::string&)>& wanted,
                          std::chrono::milliseconds timeout);
  // Reads what has come on both streams within `timeout`; false at end of both.
  bool Pump(std::chrono::milliseconds timeout);

  int pid_ = -1;
  Stream out_;
  Stream err_;
};

}  // namespace kavrin::test
