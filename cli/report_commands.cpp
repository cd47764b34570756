// kavrin report: a production line's report from its station logs.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/command_result.h"
#include "cli/commands.h"
#include "cli/line_report.h"
#include "cli/line_report_html.h"
#include "cli/line_report_text.h"
#include "config/file_io.h"
#include "config/file_util.h"

namespace kavrin::cli {
namespace {

struct ReportOptions {
  std::vector<std::string> logs;
  std::string htmlPath;  // --html; empty: no page
  bool json = false;
};

// "line-3.jsonl: 2 lines skipped (line 41: not JSON ...)": said once per log.
void NoteSkipped(Reporter& out, const LineReport& report) {
  for (const LogRead& log : report.records.logs) {
    if (log.skipped > 0) {
      for (const SkippedLine& line : report.records.skipped) {
        if (line.log != log.path) continue;
        out.Note(log.path + ": " + std::to_string(log.skipped) +
                 (log.skipped == 1 ? " line" : " lines") + " skipped (line " +
                 std::to_string(line.line) + ": " + line.why + ")");
        break;
      }
    }
    if (log.duplicates > 0) {
      out.Note(log.path + ": " + std::to_string(log.duplicates) +
               " records already read from an earlier line or log, counted once");
    }
  }
}

int RunReport(const ReportOptions& options) {
  Reporter out("report", options.json, std::cout, std::cerr);
  StationLogReader reader;
  for (const std::string& log : options.logs) reader.ReadFile(log);
  const LineReport report = BuildLineReport(reader.Take());

  // A log that cannot be read fails the command, but the others are still reported: a shift
  // leader learns what the readable logs say and which log is missing.
  Reason reason = Reason::kNone;
  std::string message;
  for (const LogRead* log : report.UnreadableLogs()) {
    out.Note(log->problem);
    if (reason == Reason::kNone) reason = Reason::kLogUnreadable;
    message += (message.empty() ? "" : "; ") + log->problem;
  }
  NoteSkipped(out, report);

  if (!options.htmlPath.empty()) {
    const std::string page = LineReportHtml(report);
    const std::filesystem::path path = PathFromUtf8(options.htmlPath);
    const FileOutcome written = WriteFileAtomically(
        path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(page.data()), page.size()));
    if (!written) {
      const std::string problem = CannotWriteText(path, written);
      out.Note(problem);
      if (reason == Reason::kNone) reason = Reason::kOutputUnwritable;
      message += (message.empty() ? "" : "; ") + problem;
    }
  }

  if (options.json) {
    Json document = DocumentHead(out.Command(), reason == Reason::kNone);
    if (reason != Reason::kNone) AddFailure(document, reason, message);
    if (!options.htmlPath.empty()) document["html"] = options.htmlPath;
    MergeFields(document, LineReportJson(report));
    out.Document(document);
  } else if (report.UnreadableLogs().size() < report.records.logs.size()) {
    out.Text(LineReportText(report));
  }
  return reason == Reason::kNone ? kExitOk : kExitFailed;
}

}  // namespace

void AddReportCommands(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ReportOptions>();
  CLI::App* report = app.add_subcommand(
      "report", "Report on station logs: units per station and hour, failures, repeats, sessions");
  report->add_option("LOG", options->logs, "Station logs (--log files), one JSON record a line")
      ->required();
  report->add_option("--html", options->htmlPath,
                     "Also write the report as one self-contained HTML page");
  report->add_flag("--json", options->json, "Print one JSON document");
  report->callback([options, exitCode] { *exitCode = RunReport(*options); });
}

}  // namespace kavrin::cli
