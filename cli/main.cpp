// kavrin: the command-line companion of the desktop tool.
#include <cstdio>
#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"kavrin - configure ZK742 recorders from the command line"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "kavrin 1.0.0");
  int exitCode = kavrin::cli::kExitOk;
  kavrin::cli::AddConfigCommands(app, &exitCode);
  kavrin::cli::AddBlockCommands(app, &exitCode);
  kavrin::cli::AddDeviceCommands(app, &exitCode);
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
    return kavrin::cli::kExitUsage;
  }
  std::fflush(stdout);
  return exitCode;
}
