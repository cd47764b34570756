#pragma once
// Runs the built `kavrin` binary in a given folder and collects what it printed.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kavrin::test {

struct KavrinRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Arguments are quoted for the shell; output goes to a separate folder so that the working
// folder sees nothing but what kavrin itself does there. launcher goes in front of the
// program (an environment assignment, setpriv ...).
inline KavrinRun RunKavrin(const std::filesystem::path& workDir,
                           const std::vector<std::string>& args,
                           const std::string& launcher = "") {
  TempDir capture;
  auto quote = [](const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  };
  std::string command = "cd " + quote(workDir.string()) + " && " + launcher + quote(KAVRIN_BIN);
  for (const std::string& arg : args) command += " " + quote(arg);
  command += " >" + quote((capture / "out").string()) + " 2>" + quote((capture / "err").string());
  const int status = std::system(command.c_str());
  KavrinRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = capture.Read("out");
  run.err = capture.Read("err");
  return run;
}

}  // namespace kavrin::test
