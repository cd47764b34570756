#include "cli/dry_run.h"

#include "cli/commands.h"
#include "cli/settings_source.h"

namespace kavrin::cli {
namespace {

// The summary of a dry run says so.
Json DryRunSummary() { return Json{{"dryRun", true}}; }

bool LetIn(const std::vector<DeviceSelector>& selectors, const VideoInput& input) {
  if (selectors.empty()) return true;
  for (const DeviceSelector& selector : selectors) {
    if (selector.Matches(input)) return true;
  }
  return false;
}

// Which settings, from where, and how they differ from the defaults: what a line checks
// before anything is written.
void NoteSettings(DeviceCommand& command, const KavrinPlan& plan) {
  const SettingsStatement statement =
      StateSettings(command.Config(), plan.origin, plan.changes, plan.block);
  for (const std::string& line : statement.lines) command.Out().Note(line);
}

}  // namespace

int RunKavrinDryRun(DeviceCommand& command, const KavrinPlan& plan, const Selection& selection,
                    bool many) {
  NoteSettings(command, plan);
  return RunDryRun(command, selection, many, [&] { return KavrinSending(plan); });
}

int RunDryRun(DeviceCommand& command, const Selection& selection, bool many,
              const SendingSource& sending) {
  const ConfigFile& config = command.Config();
  // The backend each unit is handed is never bound: nothing reaches a recorder.
  const int exitCode = command.Run(
      selection, many,
      [&](const DeviceRow& unit, std::size_t, VideoInputBackend&) {
        return PlanOn(unit, config, sending());
      },
      DryRunSummary());
  command.Out().Note("dry run: nothing was sent");
  return exitCode;
}

int RunStationDryRun(DeviceCommand& command, const KavrinPlan& plan,
                     const std::vector<DeviceSelector>& selectors) {
  Reporter& out = command.Out();
  const ConfigFile& config = command.Config();
  NoteSettings(command, plan);
  std::vector<DeviceRow> present;
  for (const DeviceRow& row : command.List().rows) {
    if (row.IsRecorder() && LetIn(selectors, row.input)) present.push_back(row);
  }
  RunTally tally;
  if (present.empty()) {
    // No recorder to name: the plan alone, as every unit plugged in would get it.
    const Sending sending = KavrinSending(plan);
    if (out.JsonOutput()) {
      Json document = DocumentHead(out.Command(), true);
      MergeFields(document, SendingJson(config, sending, nullptr));
      out.Document(document);
    } else {
      out.Text(SendingText(config, sending, nullptr));
    }
    out.Note("dry run: no recorder is present now; each one plugged in would be sent the above");
  } else {
    tally = RunUnits(
        present, command.Environment().makeBackend,
        [&](const DeviceRow& unit, std::size_t, VideoInputBackend&) {
          return PlanOn(unit, config, KavrinSending(plan));
        },
        [&](const UnitResult& result) { ReportUnit(out, result); });
  }
  Json extra = DryRunSummary();
  extra["stoppedBy"] = "dry-run";
  ReportSummary(out, tally, extra);
  out.Note("dry run: nothing was sent");
  return kExitOk;
}

}  // namespace kavrin::cli
