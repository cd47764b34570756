#pragma once
// Runs a kavrin command line in-process, as the kavrin binary would, with stdout and stderr
// captured.
#include <string>
#include <vector>

#include "cli/device_environment.h"

namespace kavrin::test {

struct CommandResult {
  int exitCode;
  std::string out;
  std::string err;
};

// arguments without the program name, e.g. {"block", "new", "-o", "x.bin"}
CommandResult RunKavrinCommand(std::vector<std::string> arguments);
// The same with recorders from the given backends.
CommandResult RunKavrinCommand(std::vector<std::string> arguments,
                               const cli::DeviceEnvironment& environment);

}  // namespace kavrin::test
