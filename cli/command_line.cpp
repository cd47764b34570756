#include "cli/command_line.h"

#include <cstdio>
#include <iostream>

#include "cli/commands.h"

namespace kavrin::cli {

int RunCommandLine(int argc, const char* const* argv) {
  CLI::App app{"kavrin - configure ZK742 recorders from the command line"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "kavrin " KAVRIN_VERSION);  // the project's version
  int exitCode = kExitOk;
  AddConfigCommands(app, &exitCode);
  AddBlockCommands(app, &exitCode);
  AddDeviceCommands(app, &exitCode);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  std::cout.flush();
  std::fflush(stdout);
  return exitCode;
}

}  // namespace kavrin::cli
