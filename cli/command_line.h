#pragma once
// Parses the kavrin command line and runs the chosen subcommand; returns the exit status.
#include <string>

#include "cli/device_environment.h"

namespace kavrin::cli {

int RunCommandLine(int argc, const char* const* argv);
// The same with recorders from elsewhere than the platform (the benchmark's).
int RunCommandLine(int argc, const char* const* argv, const DeviceEnvironment& environment);

// A command line that cannot run in this environment (an unknown KAVRIN_CODEPAGE): the reason
// on stderr and, with --json, as the command's document (reason "code-page"). Exit status 2.
int RefuseToStart(int argc, const char* const* argv, const std::string& message);

}  // namespace kavrin::cli
