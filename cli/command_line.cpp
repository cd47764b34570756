#include "cli/command_line.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "cli/command_result.h"
#include "cli/commands.h"
#include "device/platform_backend.h"

namespace kavrin::cli {
namespace {

// The subcommand named on the command line ("block show"), for a usage error's document.
std::string CommandName(int argc, const char* const* argv) {
  std::string name;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.empty() || word[0] == '-') continue;
    static const char* const kCommands[] = {"config", "block", "new",  "show",  "devices",
                                            "info",   "test",  "read", "write", "kavrin",
                                            "station", "verify"};
    bool known = false;
    for (const char* command : kCommands) known = known || word == command;
    if (!known) break;
    name += (name.empty() ? "" : " ") + word;
    if (word != "block") break;
  }
  return name;
}

bool AsksForJson(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) return true;
  }
  return false;
}

}  // namespace

DeviceEnvironment DeviceEnvironment::Platform() {
  return {[] { return MakeVideoInputBackend(); }, [] { return MakeDeviceChangeMonitor(); }};
}

CLI::Option* AddConfigOption(CLI::App* command, std::string* path) {
  return command->add_option("--config,--file", *path,
                             "Configuration (default ./KAVRIN_CFG.ini, else the built-in default)");
}

int RefuseToStart(int argc, const char* const* argv, const std::string& message) {
  Reporter reporter(CommandName(argc, argv), AsksForJson(argc, argv), std::cout, std::cerr);
  return reporter.Fail(Reason::kCodePage, message, kExitUsage);
}

int RunCommandLine(int argc, const char* const* argv) {
  return RunCommandLine(argc, argv, DeviceEnvironment::Platform());
}

int RunCommandLine(int argc, const char* const* argv, const DeviceEnvironment& environment) {
  CLI::App app{"kavrin - configure ZK742 recorders from the command line"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "kavrin " KAVRIN_VERSION);  // the project's version
  int exitCode = kExitOk;
  AddConfigCommands(app, &exitCode);
  AddBlockCommands(app, &exitCode);
  AddDeviceCommands(app, &exitCode, environment);
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
    // A script that asked for JSON gets its one document even for a command line that
    // cannot be run.
    if (AsksForJson(argc, argv)) {
      Reporter reporter(CommandName(argc, argv), true, std::cout, std::cerr);
      Json document = DocumentHead(reporter.Command(), false);
      AddFailure(document, Reason::kUsage, e.what());
      reporter.Document(document);
    }
    return kExitUsage;
  }
  std::cout.flush();
  // A document or line that did not reach stdout (a full disk, a reader gone) is a failure:
  // a script must not take a command whose output it never saw for a success.
  const bool outputLost = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  if (outputLost && exitCode == kExitOk) {
    std::cerr << "kavrin: cannot write to standard output\n";
    exitCode = kExitFailed;
  }
  return exitCode;
}

}  // namespace kavrin::cli
