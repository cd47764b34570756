#pragma once
// The built kavrin run through the shell, as a user's shell runs it: with standard streams
// closed (`>&-`), under another user (setpriv), on simulated recorders. For the tests of a
// hostile environment.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "device/sim/recorder.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {

namespace fs = std::filesystem;

inline std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct KavrinRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// kavrin in `work` on the simulated recorder(s) at `simulator`; a closed stream is closed
// (`>&-`) for the program, an open one captured.
inline KavrinRun Kavrin(const fs::path& work, const fs::path& simulator,
                        const std::vector<std::string>& args, bool closeOut = false,
                        bool closeErr = false, const std::string& launcher = "") {
  test::TempDir capture;
  std::string command = "cd " + Quote(work.string()) +
                        " && KAVRIN_SIMULATOR=" + Quote(simulator.string()) + " " + launcher +
                        "timeout 60 " + Quote(KAVRIN_BIN);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += closeOut ? " >&-" : " >" + Quote((capture / "out").string());
  command += closeErr ? " 2>&-" : " 2>" + Quote((capture / "err").string());
  const int status = std::system(command.c_str());
  KavrinRun run;
  run.exitCode = WIFEXITED(status) && WEXITSTATUS(status) != 124 ? WEXITSTATUS(status) : -1;
  if (!closeOut) run.out = capture.Read("out");
  if (!closeErr) run.err = capture.Read("err");
  return run;
}

inline std::string ReadText(const fs::path& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return {};
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void Plug(const fs::path& file, const std::string& serial) {
  sim::RecorderState state;
  state.serial = serial;
  ASSERT_TRUE(sim::SaveState(file.string(), state));
}

}  // namespace kavrin::test
