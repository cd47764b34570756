// kavrin config: shows what a KAVRIN_CFG.ini gives the window, as text or JSON, or checks it
// for what its author should know before shipping it.
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "cli/command_result.h"
#include "cli/commands.h"
#include "cli/config_json.h"
#include "cli/config_loader.h"
#include "cli/config_report.h"
#include "config/config_check.h"
#include "config/config_file.h"
#include "config/file_io.h"
#include "config/file_util.h"
#include "config/resources.h"
#include "config/text_codec.h"

namespace kavrin::cli {
namespace {

struct ConfigOptions {
  std::string file;  // --config; empty: ./KAVRIN_CFG.ini, else the built-in default
  bool json = false;
  bool check = false;
  std::string writeDefault;  // --write-default FILE
  bool force = false;        // replace an existing FILE
};

// The built-in configuration, byte for byte as kavrintool carries it (UTF-16 with its mark),
// for an author to start a new file from. An existing file is someone's work: kept unless
// --force, even one that appears while this runs.
int WriteDefault(const ConfigOptions& options, Reporter& out) {
  const std::filesystem::path path = PathFromUtf8(options.writeDefault);
  std::error_code ignored;
  if (!options.force && std::filesystem::symlink_status(path, ignored).type() !=
                            std::filesystem::file_type::not_found) {
    return out.Fail(Reason::kOutputUnwritable,
                    options.writeDefault + " exists; --force replaces it", kExitFailed);
  }
  const FileOutcome written =
      WriteResourceToFile(kDefaultConfigResourceId, kTextResourceType, path,
                          options.force ? WriteMode::Replace : WriteMode::CreateOnly);
  if (!written) {
    return out.Fail(Reason::kOutputUnwritable, CannotWriteText(path, written), kExitFailed);
  }
  if (out.JsonOutput()) {
    Json document = DocumentHead("config", true);
    document["written"] = options.writeDefault;
    out.Document(document);
  } else {
    out.Note("wrote the built-in configuration to " + options.writeDefault);
  }
  std::cout.flush();
  return std::cout ? kExitOk : kExitFailed;
}

int RunCheck(const ConfigFile& config, const std::string& source, Reporter& out) {
  const std::vector<ConfigFinding> findings = CheckConfiguration(config);
  if (out.JsonOutput()) {
    Json list = Json::array();
    for (const ConfigFinding& finding : findings) {
      list.push_back(Json{{"section", ToUtf8(finding.section)},
                          {"key", ToUtf8(finding.key)},
                          {"message", finding.message},
                          {"text", FormatFinding(finding)}});
    }
    Json document = DocumentHead("config", findings.empty());
    if (!findings.empty()) {
      AddFailure(document, Reason::kConfigFindings,
                 std::to_string(findings.size()) +
                     (findings.size() == 1 ? " finding in " : " findings in ") + source);
    }
    document["source"] = source;
    document["findings"] = std::move(list);
    out.Document(document);
  } else {
    std::string text;
    for (const ConfigFinding& finding : findings) text += FormatFinding(finding) + "\n";
    out.Text(text);
  }
  // The count goes to stderr so that stdout holds nothing but findings.
  out.Note((findings.empty() ? std::string("no") : std::to_string(findings.size())) +
           (findings.size() == 1 ? " finding in " : " findings in ") + source);
  return findings.empty() ? kExitOk : kExitFailed;
}

int Run(const ConfigOptions& options) {
  Reporter out("config", options.json, std::cout, std::cerr);
  if (!options.writeDefault.empty()) return WriteDefault(options, out);
  std::string error;
  const std::unique_ptr<ConfigFile> config = LoadConfigForCommand(options.file, &error);
  if (!config) return out.Fail(Reason::kConfigUnreadable, error, kExitFailed);
  const std::string source = ConfigSourceText(*config);
  if (options.check) return RunCheck(*config, source, out);
  if (options.json) {
    Json document = DocumentHead("config", true);
    document["source"] = source;
    document["encoding"] = config->Encoding().Name();
    MergeFields(document, ConfigurationJson(*config));
    out.Document(document);
  } else {
    std::ostringstream text;
    PrintConfiguration(*config, source, text);
    out.Text(text.str());
  }
  std::cout.flush();
  return std::cout ? kExitOk : kExitFailed;
}

}  // namespace

void AddConfigCommands(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ConfigOptions>();
  CLI::App* config = app.add_subcommand(
      "config", "Show the configuration the window loads (KAVRIN_CFG.ini or the built-in default)");
  AddConfigOption(config, &options->file);
  config->add_flag("--json", options->json,
                   "Print one JSON document (the configuration, or the findings with --check)");
  config->add_flag("--check", options->check,
                   "Report what the file's author should know before shipping it; exit 1 with "
                   "any finding");
  CLI::Option* write = config->add_option(
      "--write-default", options->writeDefault,
      "Write the built-in configuration (the bytes the window carries) to FILE and exit");
  write->type_name("FILE");
  config->add_flag("--force", options->force, "With --write-default: replace an existing FILE")
      ->needs(write);
  write->excludes("--check")->excludes("--config");
  config->callback([options, exitCode] { *exitCode = Run(*options); });
}

}  // namespace kavrin::cli
