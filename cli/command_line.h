#pragma once
// Parses the kavrin command line and runs the chosen subcommand; returns the exit status.
#include <string>

#include "cli/device_environment.h"

namespace kavrin::cli {

// codePageProblem: why the ANSI code page cannot be used (an unknown KAVRIN_CODEPAGE), empty
// when it can. Help, the version and the commands that convert no text still run; the others
// are refused with the reason on stderr and, with --json, as the command's document (reason
// "code-page", exit status 2).
int RunCommandLine(int argc, const char* const* argv, const std::string& codePageProblem = {});
// The same with recorders from elsewhere than the platform (the benchmark's).
int RunCommandLine(int argc, const char* const* argv, const DeviceEnvironment& environment,
                   const std::string& codePageProblem = {});

}  // namespace kavrin::cli
