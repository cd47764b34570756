#pragma once
// Runs a built program in a given folder and collects what it printed, for tests that run
// the real binaries (kavrin, kavrin.exe).
#include <filesystem>
#include <string>
#include <vector>

namespace kavrin::test {

struct ProgramRun {
  int exitCode = -1;  // -1 when it did not end by itself (a crash, a signal, a time-out)
  std::string out;
  std::string err;
};

// Output goes to a separate folder, so the working folder sees nothing but what the program
// itself does there. A program that runs longer than a minute is ended. launcher is a shell
// prefix for the program on POSIX systems (an environment assignment, setpriv ...); Windows
// starts the program itself and takes none.
ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& workDir, const std::string& launcher = "");

// A path the build system gave (a compile definition) as this platform reaches it. Under
// Wine the build's absolute paths are on drive Z:.
std::filesystem::path BuiltFile(const char* pathFromBuild);

}  // namespace kavrin::test
