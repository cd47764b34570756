#include <sys/wait.h>

#include <cstdlib>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kavrin::test {

ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& workDir, const std::string& launcher) {
  TempDir capture;
  auto quote = [](const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  };
  std::string command =
      "cd " + quote(workDir.string()) + " && " + launcher + "timeout 60 " + quote(program.string());
  for (const std::string& arg : args) command += " " + quote(arg);
  command += " >" + quote((capture / "out").string()) + " 2>" + quote((capture / "err").string());
  const int status = std::system(command.c_str());
  ProgramRun run;
  // timeout(1) ends a hanging program with 124.
  run.exitCode = WIFEXITED(status) && WEXITSTATUS(status) != 124 ? WEXITSTATUS(status) : -1;
  run.out = capture.Read("out");
  run.err = capture.Read("err");
  return run;
}

std::filesystem::path BuiltFile(const char* pathFromBuild) { return pathFromBuild; }

}  // namespace kavrin::test
