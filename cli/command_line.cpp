#include "cli/command_line.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/command_result.h"
#include "cli/commands.h"
#include "device/platform_backend.h"

namespace kavrin::cli {
namespace {

// Commands that read and print no text through the ANSI code page, so that an unusable
// KAVRIN_CODEPAGE does not stop them.
// `report` reads the station logs' JSON, which is UTF-8 whatever the code page.
bool ConvertsText(const std::string& commandPath) {
  return commandPath != "help" && commandPath != "report";
}

// The subcommands named on the command line, outermost first ("block", "show"): the words
// before the first option that name a subcommand of the one before.
std::vector<CLI::App*> NamedCommands(CLI::App& app, int argc, const char* const* argv) {
  std::vector<CLI::App*> path;
  CLI::App* current = &app;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.empty() || word[0] == '-') break;
    CLI::App* next = nullptr;
    for (CLI::App* sub : current->get_subcommands([](const CLI::App*) { return true; })) {
      if (sub->check_name(word)) next = sub;
    }
    if (next == nullptr) break;
    path.push_back(next);
    current = next;
  }
  return path;
}

std::string PathName(const std::vector<CLI::App*>& path) {
  std::string name;
  for (const CLI::App* command : path) name += (name.empty() ? "" : " ") + command->get_name();
  return name;
}

// The first word that should have named a command and does not ("bogus" in `kavrin bogus`,
// "shwo" in `kavrin block shwo`); empty when every word before the options is a command, or
// the command reached takes arguments of its own.
std::string UnknownCommandWord(CLI::App& app, int argc, const char* const* argv,
                               const std::vector<CLI::App*>& path) {
  const CLI::App* reached = path.empty() ? &app : path.back();
  if (reached->get_subcommands([](const CLI::App*) { return true; }).empty()) return {};
  const int at = 1 + static_cast<int>(path.size());
  if (at >= argc || argv[at][0] == '-' || argv[at][0] == '\0') return {};
  return argv[at];
}

std::string CommandList(const CLI::App& command) {
  std::string list;
  for (const CLI::App* sub : command.get_subcommands([](const CLI::App*) { return true; })) {
    list += (list.empty() ? "" : ", ") + sub->get_name();
  }
  return list;
}

bool AsksForJson(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) return true;
  }
  return false;
}

// A command line that cannot be run as written: the reason on stderr, and for a script that
// asked for JSON its one document.
int UsageFailure(const std::string& commandName, bool json, const std::string& message,
                 Reason reason = Reason::kUsage) {
  Reporter reporter(commandName, json, std::cout, std::cerr);
  return reporter.Fail(reason, message, kExitUsage);
}

// Thrown before any command runs when the one chosen needs the code page.
struct CodePageRefused {
  std::string commandName;
};

// kavrin help [COMMAND...]: the help of kavrin or of the command named.
void AddHelpCommand(CLI::App& app, int* exitCode) {
  auto words = std::make_shared<std::vector<std::string>>();
  CLI::App* help = app.add_subcommand("help", "Show the help of kavrin or of a command");
  help->add_option("COMMAND", *words, "The command, as typed (\"block new\" as two words)");
  help->callback([&app, words, exitCode] {
    CLI::App* command = &app;
    std::string typed;
    std::string usagePrefix;  // the words before the command's own, for its "Usage:" line
    for (const std::string& word : *words) {
      CLI::App* next = nullptr;
      for (CLI::App* sub : command->get_subcommands([](const CLI::App*) { return true; })) {
        if (sub->check_name(word)) next = sub;
      }
      typed += (typed.empty() ? "" : " ") + word;
      if (next == nullptr) {
        std::cerr << "kavrin: unknown command '" << typed
                  << "'; the commands are: " << CommandList(*command) << "\n";
        *exitCode = kExitUsage;
        return;
      }
      usagePrefix += (usagePrefix.empty() ? "" : " ") + command->get_name();
      command = next;
    }
    // The formatter directly: App::help would show the help command's own help, as the
    // command chosen on this line.
    const std::string usageName =
        usagePrefix.empty() ? command->get_name() : usagePrefix + " " + command->get_name();
    std::cout << command->get_formatter()->make_help(command, usageName,
                                                     CLI::AppFormatMode::Normal);
    *exitCode = kExitOk;
  });
}

}  // namespace

DeviceEnvironment DeviceEnvironment::Platform() {
  return {[] { return MakeVideoInputBackend(); }, [] { return MakeDeviceChangeMonitor(); }};
}

CLI::Option* AddConfigOption(CLI::App* command, std::string* path) {
  return command->add_option("--config,--file", *path,
                             "Configuration (default ./KAVRIN_CFG.ini, else the built-in default)");
}

int RunCommandLine(int argc, const char* const* argv, const std::string& codePageProblem) {
  return RunCommandLine(argc, argv, DeviceEnvironment::Platform(), codePageProblem);
}

int RunCommandLine(int argc, const char* const* argv, const DeviceEnvironment& environment,
                   const std::string& codePageProblem) {
  CLI::App app{"kavrin - configure ZK742 recorders from the command line"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "kavrin " KAVRIN_VERSION);  // the project's version
  int exitCode = kExitOk;
  AddConfigCommands(app, &exitCode);
  AddBlockCommands(app, &exitCode);
  AddDeviceCommands(app, &exitCode, environment);
  AddReportCommands(app, &exitCode);
  AddHelpCommand(app, &exitCode);
  const bool json = AsksForJson(argc, argv);
  const std::vector<CLI::App*> named = NamedCommands(app, argc, argv);
  const std::string commandName = PathName(named);
  // Runs after the whole line parsed (help and version have answered by then) and before the
  // chosen command: the code page is refused only to a command that needs it.
  app.parse_complete_callback([&] {
    if (!codePageProblem.empty() && ConvertsText(commandName)) throw CodePageRefused{commandName};
  });
  try {
    app.parse(argc, argv);
  } catch (const CodePageRefused& refused) {
    return UsageFailure(refused.commandName, json, codePageProblem, Reason::kCodePage);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    if (const std::string word = UnknownCommandWord(app, argc, argv, named); !word.empty()) {
      const CLI::App& parent = named.empty() ? app : *named.back();
      return UsageFailure(commandName, json,
                          "unknown command '" + (named.empty() ? word : commandName + " " + word) +
                              "'; the commands are: " + CommandList(parent) +
                              " (kavrin help COMMAND shows a command's help)");
    }
    if (json) return UsageFailure(commandName, json, e.what());
    app.exit(e);  // CLI11's message and its hint; the status is ours
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
