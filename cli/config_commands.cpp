// kavrin config: shows what a KAVRIN_CFG.ini gives the window, as text or JSON, or checks it
// for what its author should know before shipping it.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/config_loader.h"
#include "cli/config_json.h"
#include "cli/config_report.h"
#include "config/config_check.h"
#include "config/config_file.h"

namespace kavrin::cli {
namespace {

struct ConfigOptions {
  std::string file;  // --file; empty: ./KAVRIN_CFG.ini, else the built-in default
  bool json = false;
  bool check = false;
};

int RunCheck(const ConfigFile& config, const std::string& source) {
  const std::vector<ConfigFinding> findings = CheckConfiguration(config);
  for (const ConfigFinding& finding : findings) std::cout << FormatFinding(finding) << '\n';
  std::cout.flush();
  // The count goes to stderr so that stdout holds nothing but findings.
  std::cerr << "kavrin: "
            << (findings.empty() ? std::string("no") : std::to_string(findings.size()))
            << (findings.size() == 1 ? " finding in " : " findings in ") << source << '\n';
  return findings.empty() ? kExitOk : kExitFailed;
}

int Run(const ConfigOptions& options) {
  const std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.file);
  if (!config) return kExitFailed;
  const std::string source = ConfigSourceText(*config);
  if (options.check) return RunCheck(*config, source);
  if (options.json) {
    Json document{{"source", source}, {"encoding", config->Encoding().Name()}};
    document.update(ConfigurationJson(*config));
    std::cout << document.dump(2) << '\n';
  } else {
    PrintConfiguration(*config, source, std::cout);
  }
  std::cout.flush();
  return std::cout ? kExitOk : kExitFailed;
}

}  // namespace

void AddConfigCommands(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ConfigOptions>();
  CLI::App* config = app.add_subcommand(
      "config", "Show the configuration the window loads (KAVRIN_CFG.ini or the built-in default)");
  config->add_option("--file", options->file,
                     "Configuration file (default ./KAVRIN_CFG.ini, else the built-in default)");
  CLI::Option* json = config->add_flag("--json", options->json, "Print the configuration as JSON");
  config
      ->add_flag("--check", options->check,
                 "Report what the file's author should know before shipping it; exit 1 with "
                 "any finding")
      ->excludes(json);
  config->callback([options, exitCode] { *exitCode = Run(*options); });
}

}  // namespace kavrin::cli
