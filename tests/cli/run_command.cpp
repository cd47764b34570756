#include "tests/cli/run_command.h"

#include <iostream>
#include <sstream>

#include "cli/command_line.h"

namespace kavrin::test {

CommandResult RunKavrinCommand(std::vector<std::string> arguments) {
  return RunKavrinCommand(std::move(arguments), cli::DeviceEnvironment::Platform());
}

CommandResult RunKavrinCommand(std::vector<std::string> arguments,
                               const cli::DeviceEnvironment& environment) {
  arguments.insert(arguments.begin(), "kavrin");
  std::vector<const char*> argv;
  for (const std::string& a : arguments) argv.push_back(a.c_str());
  std::ostringstream out;
  std::ostringstream err;
  std::streambuf* previousOut = std::cout.rdbuf(out.rdbuf());
  std::streambuf* previousErr = std::cerr.rdbuf(err.rdbuf());
  const int exitCode = cli::RunCommandLine(static_cast<int>(argv.size()), argv.data(), environment);
  std::cout.rdbuf(previousOut);
  std::cerr.rdbuf(previousErr);
  return {exitCode, out.str(), err.str()};
}

}  // namespace kavrin::test
