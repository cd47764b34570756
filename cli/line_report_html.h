#pragma once
// The line's report (line_report.h) as one self-contained HTML page for a shift leader who
// would rather look than read: inline CSS, an inline SVG bar chart of units per hour, tables
// of failures, repeated serials, settings that differ and sessions. No script at all, and a
// content security policy that forbids any, so that a hostile text in a log (a serial string
// that is markup) can only ever show as text.
#include <string>
#include <string_view>

#include "cli/line_report.h"

namespace kavrin::cli {

std::string LineReportHtml(const LineReport& report);

// Text for HTML content and attribute values: & < > " ' escaped, control characters shown
// as '?'.
std::string HtmlText(std::string_view text);

}  // namespace kavrin::cli
