// The real kavrintool program, run offscreen: side files in an empty folder, one copy at a
// time across processes, and what it answers before starting anything (--help, --version,
// no display).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "config/resources.h"
#include "tests/support/param_name.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

using test::TempDir;

// Generous: a loaded machine may take long to start Qt; the test never waits for success.
constexpr auto kDeadline = std::chrono::seconds(60);

class ToolProcess {
 public:
  // Starts kavrintool in folder with the argument; lockFolder stands for $XDG_RUNTIME_DIR.
  // codePage, when given, is set as KAVRIN_CODEPAGE; errors, when given, receives stderr.
  // closed: standard descriptors the tool starts without, as its parent closed them.
  ToolProcess(const std::filesystem::path& folder, const std::string& argument,
              const std::filesystem::path& lockFolder, const std::filesystem::path& simulator,
              const std::string& codePage = "", const std::filesystem::path& errors = {},
              const std::vector<int>& closed = {}) {
    pid_ = ::fork();
    if (pid_ == 0) {
      for (const int fd : closed) ::close(fd);
      if (::chdir(folder.c_str()) != 0) ::_exit(126);
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
      ::setenv("XDG_RUNTIME_DIR", lockFolder.c_str(), 1);
      // A simulated recorder that is not plugged in: no real device is touched.
      ::setenv("KAVRIN_SIMULATOR", simulator.c_str(), 1);
      if (!codePage.empty()) ::setenv("KAVRIN_CODEPAGE", codePage.c_str(), 1);
      if (!errors.empty()) {
        const int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::dup2(fd, 2) < 0) ::_exit(126);
      }
      ::execl(KAVRINTOOL_PATH, KAVRINTOOL_PATH, argument.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~ToolProcess() { Stop(); }
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  bool Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      status_ = status;
      return false;
    }
    return true;
  }
  // Waits for the process to end by itself; false at the deadline.
  bool WaitForExit() {
    const auto until = std::chrono::steady_clock::now() + kDeadline;
    while (Running()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  int ExitStatus() const { return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }
  pid_t Pid() const { return pid_; }
  void Stop() {
    if (!Running()) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, &status_, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
};

bool WaitForFile(const std::filesystem::path& path, ToolProcess& tool) {
  const auto until = std::chrono::steady_clock::now() + kDeadline;
  while (!std::filesystem::exists(path)) {
    if (!tool.Running() || std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

struct Finished {
  int exitCode = -1;
  std::string out, err;
};

// Runs kavrintool to its end in folder with the arguments and an environment of only the
// given variables (no display unless one is given), collecting what it printed.
Finished RunToEnd(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                  const std::map<std::string, std::string>& environment) {
  TempDir capture;
  const std::string out = (capture / "out").string(), err = (capture / "err").string();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    ::clearenv();
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (outFd < 0 || errFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0) ::_exit(125);
    std::vector<char*> argv{const_cast<char*>(KAVRINTOOL_PATH)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(KAVRINTOOL_PATH, argv.data());
    ::_exit(127);
  }
  Finished finished;
  int status = 0;
  const auto until = std::chrono::steady_clock::now() + kDeadline;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > until) {  // it opened a window instead of ending
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return finished;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  finished.out = capture.Read("out");
  finished.err = capture.Read("err");
  return finished;
}

std::string Resource(uint32_t id) {
  const auto data = FindResourceData(id, kTextResourceType);
  return data ? std::string(reinterpret_cast<const char*>(data->data()), data->size()) : "";
}

TEST(KavrintoolRunTest, WritesTheSideFilesAndKeepsASecondCopyOut) {
  TempDir locks;
  TempDir first;
  TempDir second;
  TempDir third;
  const std::filesystem::path simulator = locks / "no-recorder.json";

  ToolProcess tool(first.Path(), "80000006", locks.Path(), simulator);
  // The option list is the last side file, renamed into place whole; the lock is taken
  // before any of them is written.
  ASSERT_TRUE(WaitForFile(first / "InitOptionList.txt", tool));
  EXPECT_EQ(first.List(),
            (std::vector<std::string>{"InitOptionList.txt", "KAVRIN_CFG.ini", "ReleaseNote.txt"}));
  EXPECT_EQ(first.Read("KAVRIN_CFG.ini"), Resource(kDefaultConfigResourceId));
  EXPECT_EQ(first.Read("ReleaseNote.txt"), Resource(kReleaseNoteResourceId));

  {
    ToolProcess secondCopy(second.Path(), "80000006", locks.Path(), simulator);
    ASSERT_TRUE(secondCopy.WaitForExit()) << "the second copy must end by itself";
    EXPECT_EQ(secondCopy.ExitStatus(), 0);
    EXPECT_TRUE(second.List().empty()) << "a second copy writes no side file";
  }
  EXPECT_TRUE(tool.Running()) << "the first copy keeps its window open";

  tool.Stop();
  ToolProcess afterwards(third.Path(), "80000000", locks.Path(), simulator);
  EXPECT_TRUE(WaitForFile(third / "InitOptionList.txt", afterwards))
      << "a new copy starts once the first has ended";
}

struct EarlyCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* printed;  // the start of standard output
};

// Answered before anything else: with an offscreen platform that would open the window, with
// a first copy holding the instance lock, and with switches that ask for side files.
TEST(KavrintoolRunTest, HelpAndVersionPrintAndEndBeforeAnythingElse) {
  TempDir locks;
  TempDir first;
  const std::filesystem::path simulator = locks / "no-recorder.json";
  // A first copy that holds the instance lock: its option list is written after the claim.
  ToolProcess holder(first.Path(), "80000000", locks.Path(), simulator);
  ASSERT_TRUE(WaitForFile(first / "InitOptionList.txt", holder));

  const EarlyCase cases[] = {
      {"help", {"--help"}, "Usage: kavrintool"},
      {"short help", {"-h"}, "Usage: kavrintool"},
      {"help after switches", {"80000006", "--help"}, "Usage: kavrintool"},
      {"version", {"--version"}, "kavrintool 20130418-1"},
  };
  for (const EarlyCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir folder;
    const Finished run = RunToEnd(folder.Path(), c.arguments,
                                  {{"QT_QPA_PLATFORM", "offscreen"},
                                   {"XDG_RUNTIME_DIR", locks.Path().string()},
                                   {"KAVRIN_SIMULATOR", simulator.string()}});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind(c.printed, 0), 0u) << run.out;
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_TRUE(folder.List().empty()) << "no side file before --help";
  }
}

TEST(KavrintoolRunTest, WithoutADisplaySaysSoInOneLine) {
  TempDir locks;
  TempDir folder;
  const Finished run = RunToEnd(folder.Path(), {"80000006"},
                                {{"XDG_RUNTIME_DIR", locks.Path().string()},
                                 {"KAVRIN_SIMULATOR", (locks / "none.json").string()}});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find("display"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("kavrin command"), std::string::npos) << run.err;
  EXPECT_TRUE(folder.List().empty()) << "no side file without a window";
}

TEST(KavrintoolRunTest, AnUnknownCodePageIsRefusedBeforeAnythingIsWritten) {
  TempDir locks;
  TempDir work;
  TempDir capture;
  ToolProcess tool(work.Path(), "80000006", locks.Path(), locks / "no-recorder.json", "KLINGON",
                   capture / "stderr");
  ASSERT_TRUE(tool.WaitForExit());
  EXPECT_EQ(tool.ExitStatus(), 1);
  EXPECT_EQ(capture.Read("stderr"),
            "kavrintool: KAVRIN_CODEPAGE=\"KLINGON\" is not a code page this system can convert; "
            "unset it or name one such as BIG5, CP1252 or UTF-8\n");
  EXPECT_TRUE(work.List().empty()) << "no side file is written with texts it cannot convert";
}

struct ClosedStreamCase {
  const char* name;
  std::vector<int> closed;
};

void PrintTo(const ClosedStreamCase& c, std::ostream* out) { *out << c.name; }

class ClosedStreamTest : public testing::TestWithParam<ClosedStreamCase> {};

// Started with stdout or stderr closed and the trace console on: the trace and Qt's messages
// go nowhere, never into the side files or the instance lock the tool opens first.
TEST_P(ClosedStreamTest, TraceAndMessagesLandInNoFile) {
  TempDir locks;
  TempDir work;
  ToolProcess tool(work.Path(), "80000016", locks.Path(), locks / "no-recorder.json", "", {},
                   GetParam().closed);
  ASSERT_TRUE(WaitForFile(work / "InitOptionList.txt", tool));
  // What the closed numbers are now: the null device, not the first thing the tool opened
  // (Qt's event descriptor, the display connection, the instance lock).
  for (const int fd : GetParam().closed) {
    std::error_code ec;
    const auto opened = std::filesystem::read_symlink(
        "/proc/" + std::to_string(tool.Pid()) + "/fd/" + std::to_string(fd), ec);
    EXPECT_EQ(opened, "/dev/null") << "descriptor " << fd;
  }
  tool.Stop();
  EXPECT_EQ(work.Read("KAVRIN_CFG.ini"), Resource(kDefaultConfigResourceId));
  EXPECT_EQ(work.Read("ReleaseNote.txt"), Resource(kReleaseNoteResourceId));
  for (const std::string& name : locks.List()) {
    EXPECT_EQ(locks.Read(name), "") << name << " holds output";
  }
}

INSTANTIATE_TEST_SUITE_P(Streams, ClosedStreamTest,
                         testing::Values(ClosedStreamCase{"Stdout", {1}},
                                         ClosedStreamCase{"Stderr", {2}},
                                         ClosedStreamCase{"Both", {1, 2}}),
                         [](const auto& testCase) { return test::ParamName(testCase.param.name); });

}  // namespace
}  // namespace kavrin
