#pragma once
// Parses the kavrin command line and runs the chosen subcommand; returns the exit status.
#include "cli/device_environment.h"

namespace kavrin::cli {

int RunCommandLine(int argc, const char* const* argv);
// The same with recorders from elsewhere than the platform (the benchmark's).
int RunCommandLine(int argc, const char* const* argv, const DeviceEnvironment& environment);

}  // namespace kavrin::cli
