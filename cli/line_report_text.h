#pragma once
// The line's report (line_report.h) as text for people and as one JSON document for scripts.
#include <string>

#include "cli/command_result.h"
#include "cli/line_report.h"

namespace kavrin::cli {

// The report as text. Texts from the logs are printed with control characters as '?'.
std::string LineReportText(const LineReport& report);

// The report's fields, for the document after its head: logs, skipped, totals, stations,
// hours, failures, failedUnits, repeats, settingsMismatches, sessions.
Json LineReportJson(const LineReport& report);

// A unit's result in words: "ok", or "failed" with its reason.
std::string UnitResultText(const ReportedUnit& unit);

// What a session's summary record said, where it differs from the unit records read (a log
// that lost records), else "".
std::string SessionCountNote(const ReportedSession& session);

}  // namespace kavrin::cli
