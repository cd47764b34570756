#pragma once
// Runs the built `kavrin` binary in a given folder and collects what it printed.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace kavrin::test {

using KavrinRun = ProgramRun;

// launcher goes in front of the program on POSIX systems (an environment assignment,
// setpriv, timeout ...).
inline KavrinRun RunKavrin(const std::filesystem::path& workDir,
                           const std::vector<std::string>& args, const std::string& launcher = "") {
  return RunProgram(BuiltFile(KAVRIN_BIN), args, workDir, launcher);
}

}  // namespace kavrin::test
