#include "cli/line_report_html.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "cli/line_report_text.h"
#include "cli/printable_text.h"

namespace kavrin::cli {
namespace {

constexpr const char* kStyle = R"(
body{font-family:system-ui,sans-serif;margin:1.5em;color:#222;background:#fff}
h1{font-size:1.4em}h2{font-size:1.15em;margin-top:1.6em;border-bottom:1px solid #ccc}
table{border-collapse:collapse;margin:.5em 0}
th,td{border:1px solid #ccc;padding:.25em .6em;text-align:left;vertical-align:top}
th{background:#f0f0f0}td.n{text-align:right;font-variant-numeric:tabular-nums}
tr.total td{font-weight:bold}.none{color:#777}.bad{color:#b00020}
.chart{overflow-x:auto}.legend span{display:inline-block;margin-right:1.2em}
.swatch{display:inline-block;width:.9em;height:.9em;margin-right:.3em;vertical-align:middle}
td.t{white-space:nowrap}td.hash{font-family:monospace;word-break:break-all;max-width:24em}.ok{background:#2e7d32}.failed{background:#c62828}code{font-size:.9em}
)";

// Bar chart geometry, in SVG user units.
constexpr int kBarWidth = 26;
constexpr int kBarGap = 10;
constexpr int kPlotHeight = 200;
constexpr int kLeft = 40;
constexpr int kTop = 20;
constexpr int kLabelRoom = 70;

std::string Number(std::size_t n) { return std::to_string(n); }
std::string Or(const std::string& text, const char* instead) {
  return text.empty() ? instead : text;
}

enum class CellKind { kText, kNumber, kHash, kTime };

struct Cell {
  std::string text;
  CellKind kind = CellKind::kText;
};

constexpr CellKind kNumber = CellKind::kNumber;
constexpr CellKind kHash = CellKind::kHash;
constexpr CellKind kTime = CellKind::kTime;  // kept on one line

// A table; every cell's text is escaped here, so no caller can forget it.
class HtmlTable {
 public:
  explicit HtmlTable(std::vector<std::string> heading) : heading_(std::move(heading)) {}
  void Add(std::vector<Cell> row, bool total = false) {
    std::string html = total ? "<tr class=\"total\">" : "<tr>";
    for (const Cell& cell : row) {
      const char* open = cell.kind == kNumber ? "<td class=\"n\">"
                         : cell.kind == kHash ? "<td class=\"hash\">"
                         : cell.kind == kTime ? "<td class=\"t\">"
                                              : "<td>";
      html += open + HtmlText(cell.text) + "</td>";
    }
    rows_ += html + "</tr>\n";
  }
  std::string Html() const {
    if (rows_.empty()) return "<p class=\"none\">None.</p>\n";
    std::string html = "<table>\n<tr>";
    for (const std::string& heading : heading_) html += "<th>" + HtmlText(heading) + "</th>";
    return html + "</tr>\n" + rows_ + "</table>\n";
  }

 private:
  std::vector<std::string> heading_;
  std::string rows_;
};

// "2026-12-11T09:00+08:00" as "12-11 09h" under its bar.
std::string BarLabel(const std::string& hour) {
  return hour.size() >= 13 ? hour.substr(5, 5) + " " + hour.substr(11, 2) + "h" : "(no time)";
}

std::string Chart(const std::vector<HourCount>& hours) {
  if (hours.empty()) return "<p class=\"none\">No units.</p>\n";
  std::size_t most = 1;
  for (const HourCount& hour : hours) most = std::max(most, hour.Units());
  const int width = kLeft + static_cast<int>(hours.size()) * (kBarWidth + kBarGap) + kBarGap;
  const int height = kTop + kPlotHeight + kLabelRoom;
  const int base = kTop + kPlotHeight;
  std::ostringstream svg;
  svg << "<div class=\"chart\"><svg xmlns=\"http://www.w3.org/2000/svg\" id=\"units-per-hour\" "
      << "role=\"img\" aria-label=\"Units per hour\" width=\"" << width << "\" height=\"" << height
      << "\" viewBox=\"0 0 " << width << ' ' << height << "\" font-size=\"11\">\n";
  svg << "<line x1=\"" << kLeft << "\" y1=\"" << base << "\" x2=\"" << width << "\" y2=\"" << base
      << "\" stroke=\"#555\"/>\n";
  svg << "<text x=\"" << kLeft - 6 << "\" y=\"" << kTop + 4 << "\" text-anchor=\"end\">" << most
      << "</text><text x=\"" << kLeft - 6 << "\" y=\"" << base
      << "\" text-anchor=\"end\">0</text>\n";
  for (std::size_t i = 0; i < hours.size(); ++i) {
    const HourCount& hour = hours[i];
    const int x = kLeft + kBarGap + static_cast<int>(i) * (kBarWidth + kBarGap);
    const int okHeight = static_cast<int>(hour.succeeded * kPlotHeight / most);
    const int failedHeight = static_cast<int>(hour.failed * kPlotHeight / most);
    const std::string title = HtmlText(Or(hour.hour, "(no time)") + ": " + Number(hour.succeeded) +
                                       " ok, " + Number(hour.failed) + " failed");
    svg << "<g class=\"bar\"><title>" << title << "</title>";
    svg << "<rect class=\"ok-bar\" x=\"" << x << "\" y=\"" << base - okHeight << "\" width=\""
        << kBarWidth << "\" height=\"" << okHeight << "\" fill=\"#2e7d32\"/>";
    svg << "<rect class=\"failed-bar\" x=\"" << x << "\" y=\"" << base - okHeight - failedHeight
        << "\" width=\"" << kBarWidth << "\" height=\"" << failedHeight << "\" fill=\"#c62828\"/>";
    svg << "<text x=\"" << x + kBarWidth / 2 << "\" y=\"" << base - okHeight - failedHeight - 3
        << "\" text-anchor=\"middle\">" << hour.Units() << "</text>";
    svg << "<text x=\"" << x + kBarWidth / 2 << "\" y=\"" << base + 12 << "\" text-anchor=\"end\" "
        << "transform=\"rotate(-50 " << x + kBarWidth / 2 << ' ' << base + 12 << ")\">"
        << HtmlText(BarLabel(hour.hour)) << "</text></g>\n";
  }
  svg << "</svg></div>\n<p class=\"legend\"><span><span class=\"swatch ok\"></span>ok</span>"
      << "<span><span class=\"swatch failed\"></span>failed</span></p>\n";
  return svg.str();
}

std::string Summary(const LineReport& report) {
  const StationRecords& records = report.records;
  std::ostringstream html;
  html << "<p>" << records.units.size() << (records.units.size() == 1 ? " unit (" : " units (")
       << report.Succeeded() << " ok, " << report.Failed() << " failed) at "
       << report.stations.size() << (report.stations.size() == 1 ? " station" : " stations")
       << " in " << records.sessions.size()
       << (records.sessions.size() == 1 ? " session" : " sessions")
       << ", from these logs:</p>\n<ul>\n";
  for (const LogRead& log : records.logs) {
    html << "<li><code>" << HtmlText(log.path) << "</code>";
    if (!log.problem.empty()) {
      html << " <span class=\"bad\">" << HtmlText(log.problem) << "</span>";
    } else {
      html << ": " << log.records << " records";
      if (log.skipped > 0) {
        html << ", <span class=\"bad\">" << log.skipped << (log.skipped == 1 ? " line" : " lines")
             << " skipped</span>";
      }
      if (log.duplicates > 0) html << ", " << log.duplicates << " records read before";
    }
    html << "</li>\n";
  }
  html << "</ul>\n<p>Hours are the local hour each unit finished in, with its station's UTC "
          "offset.</p>\n";
  return html.str();
}

}  // namespace

std::string HtmlText(std::string_view text) {
  std::string html;
  for (const char c : PrintableText(text)) {
    switch (c) {
      case '&':
        html += "&amp;";
        break;
      case '<':
        html += "&lt;";
        break;
      case '>':
        html += "&gt;";
        break;
      case '"':
        html += "&quot;";
        break;
      case '\'':
        html += "&#39;";
        break;
      default:
        html += c;
    }
  }
  return html;
}

std::string LineReportHtml(const LineReport& report) {
  const StationRecords& records = report.records;
  std::ostringstream html;
  html << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
       << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
          "style-src 'unsafe-inline'\">\n"
       << "<title>Line report</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n"
       << "<h1>Line report</h1>\n"
       << Summary(report);

  html << "<h2>Units per hour</h2>\n" << Chart(report.hours);

  HtmlTable perHour({"Station", "Hour", "Units", "OK", "Failed"});
  for (const StationCount& station : report.stations) {
    for (const HourCount& hour : station.hours) {
      perHour.Add({{station.station},
                   {Or(hour.hour, "(no time)")},
                   {Number(hour.Units()), kNumber},
                   {Number(hour.succeeded), kNumber},
                   {Number(hour.failed), kNumber}});
    }
    perHour.Add({{station.station},
                 {"all"},
                 {Number(station.Units()), kNumber},
                 {Number(station.succeeded), kNumber},
                 {Number(station.failed), kNumber}},
                true);
  }
  html << "<h2>Units per station and hour</h2>\n" << perHour.Html();

  HtmlTable failures({"Reason", "Step", "Units"});
  for (const ReasonCount& reason : report.failures) {
    for (const StepCount& step : reason.steps) {
      failures.Add({{Or(reason.reason, "(no reason)")},
                    {Or(step.step, "-")},
                    {Number(step.count), kNumber}});
    }
  }
  html << "<h2>Failures by reason and step</h2>\n" << failures.Html();

  HtmlTable failed({"Finished", "Station", "Serial", "Port", "Reason", "Step", "Message"});
  for (const std::size_t i : report.failedUnits) {
    const ReportedUnit& unit = records.units[i];
    failed.Add({{unit.finished, kTime},
                {unit.station},
                {unit.serial},
                {unit.port},
                {Or(unit.reason, "(no reason)")},
                {unit.step},
                {unit.message}});
  }
  html << "<h2>Failed units</h2>\n" << failed.Html();

  HtmlTable repeats({"Serial", "Times", "Finished", "Station", "Session", "Result"});
  for (const RepeatedSerial& repeat : report.repeats) {
    for (const std::size_t i : repeat.units) {
      const ReportedUnit& unit = records.units[i];
      repeats.Add({{repeat.serial},
                   {Number(repeat.units.size()), kNumber},
                   {unit.finished, kTime},
                   {unit.station},
                   {unit.session},
                   {UnitResultText(unit)}});
    }
  }
  html << "<h2>Serials programmed more than once</h2>\n" << repeats.Html();

  HtmlTable mismatches({"Serial", "Station", "Finished", "Session", "Unit's settings SHA-256",
                        "Session's settings SHA-256"});
  for (const SettingsMismatch& mismatch : report.mismatches) {
    const ReportedUnit& unit = records.units[mismatch.unit];
    mismatches.Add({{unit.serial},
                    {unit.station},
                    {unit.finished, kTime},
                    {unit.session},
                    {unit.settingsSha256, kHash},
                    {mismatch.sessionSettingsSha256, kHash}});
  }
  html << "<h2>Units written with other settings than their session's</h2>\n" << mismatches.Html();

  HtmlTable sessions(
      {"Session", "Station", "Started", "Finished", "Stopped by", "Units", "OK", "Failed", "Note"});
  for (const std::size_t i : report.sessions) {
    const ReportedSession& session = records.sessions[i];
    sessions.Add({{Or(session.id, "(older log)")},
                  {session.station},
                  {session.started, kTime},
                  {Or(session.finished, "(no summary)"), kTime},
                  {session.stoppedBy},
                  {Number(session.succeeded + session.failed), kNumber},
                  {Number(session.succeeded), kNumber},
                  {Number(session.failed), kNumber},
                  {SessionCountNote(session)}});
  }
  html << "<h2>Sessions</h2>\n" << sessions.Html();

  if (!records.skipped.empty()) {
    HtmlTable skipped({"Log", "Line", "Why"});
    for (const SkippedLine& line : records.skipped) {
      skipped.Add({{line.log}, {Number(line.line), kNumber}, {line.why}});
    }
    html << "<h2>Skipped lines</h2>\n" << skipped.Html();
  }
  html << "</body>\n</html>\n";
  return html.str();
}

}  // namespace kavrin::cli
