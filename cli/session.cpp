#include "cli/session.h"

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <random>
#include <span>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "cli/commands.h"
#include "cli/unit_record.h"
#include "config/file_util.h"
#include "config/resources.h"
#include "config/sha256.h"
#include "config/text_codec.h"

namespace kavrin::cli {
namespace {

// The time it began and six random hexadecimal digits: unique enough for the stations of a
// line starting in the same second, and sortable by time.
std::string NewSessionId(WallClock::time_point started) {
  std::random_device random;
  std::uniform_int_distribution<unsigned> digits(0, 0xFFFFFF);
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, "%06x", digits(random));
  return CompactLocalTime(started) + "-" + suffix;
}

// {"path", "sha256"} of the configuration the run decodes and sends with: its file, or the
// built-in default's bytes.
Json ConfigurationJson(const ConfigFile& config) {
  if (config.UsedEmbeddedDefault()) {
    const std::optional<std::span<const uint8_t>> bytes =
        FindResourceData(kDefaultConfigResourceId, kTextResourceType);
    return {{"path", "(built-in default)"}, {"sha256", bytes ? Json(Sha256Hex(*bytes)) : Json()}};
  }
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(config.Path(), ec);
  const std::optional<std::string> sha256 = Sha256OfFile(config.Path());
  return {{"path", PathToUtf8(ec ? config.Path() : absolute)},
          {"sha256", sha256 ? Json(*sha256) : Json()}};
}

Json OptionsJson(const DeviceOptions& options) {
  return {{"clock", options.clock},   {"force", options.force},
          {"verify", options.verify}, {"setKavrinFlag", options.setKavrinFlag},
          {"count", options.count},   {"devices", options.devices}};
}

}  // namespace

const char* ToolVersion() { return KAVRIN_VERSION; }

std::string HostName() {
#ifdef _WIN32
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 256];
  DWORD size = static_cast<DWORD>(std::size(name));
  if (GetComputerNameExW(ComputerNameDnsHostname, name, &size) && size > 0) {
    return ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(name), size));
  }
#else
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) == 0 && name[0] != '\0') return name;
#endif
  return "unknown";
}

Session::Session(DeviceCommand& command, const KavrinPlan& plan)
    : command_(command.Out().Command()),
      id_(NewSessionId(span_.Started())),
      station_(command.Options().stationName.empty() ? HostName() : command.Options().stationName),
      config_(ConfigurationJson(command.Config())),
      settings_(StateSettings(command.Config(), plan.origin, plan.changes, plan.block)),
      options_(OptionsJson(command.Options())) {}

Json Session::Head(const char* record, bool ok) const {
  Json head = Json::object();
  head["schema"] = kJsonSchema;
  head["command"] = command_;
  head["record"] = record;
  head["ok"] = ok;
  head["session"] = id_;
  head["tool"] = {{"name", "kavrin"}, {"version", ToolVersion()}};
  head["station"] = station_;
  return head;
}

void Session::Announce(Reporter& out) const {
  if (out.JsonOutput()) out.Document(StartRecord());
  out.Note("session " + id_ + " at station " + station_ + ", configuration " +
           config_["path"].get<std::string>());
  for (const std::string& line : settings_.lines) out.Note(line);
}

Json Session::StartRecord() const {
  Json record = Head("start", true);
  record["started"] = IsoLocalTime(span_.Started());
  record["config"] = config_;
  MergeFields(record, settings_.json);
  record["options"] = options_;
  return record;
}

Json Session::UnitRecord(const UnitResult& result) const {
  Json record = Head("unit", result.ok);
  MergeFields(record, UnitJson(command_, result));
  record["config"] = config_;
  record["source"] = settings_.json["source"];
  record["changes"] = settings_.json["changes"];
  // A unit that failed before its settings went out, or before it answered: no fingerprint,
  // empty versions.
  if (!record.contains("settingsSha256")) record["settingsSha256"] = nullptr;
  if (!record.contains("unit")) record["unit"] = UnitInformationJson({});
  record["result"] = result.ok ? "ok" : "failed";
  record["started"] = IsoLocalTime(result.span.Started());
  record["finished"] = IsoLocalTime(result.span.Finished());
  record["durationMs"] = result.span.DurationMs();
  return record;
}

Json Session::SummaryRecord(const RunTally& tally, const std::string& stoppedBy,
                            const Json& extra) {
  span_.Finish();
  Json record = Head("summary", tally.failed == 0);
  record["summary"] = TallyJson(tally);
  record["stoppedBy"] = stoppedBy;
  MergeFields(record, extra);
  record["started"] = IsoLocalTime(span_.Started());
  record["finished"] = IsoLocalTime(span_.Finished());
  record["durationMs"] = span_.DurationMs();
  return record;
}

int RunKavrinSession(DeviceCommand& command, const KavrinPlan& plan, const Selection& selection) {
  KavrinPlan recorded = plan;
  recorded.queryInformation = true;
  Session session(command, recorded);
  Reporter& out = command.Out();
  if (!selection.note.empty()) out.Note(selection.note);
  session.Announce(out);
  const RunTally tally = RunUnits(
      selection.units, command.Environment().makeBackend,
      [&](const DeviceRow& unit, std::size_t, VideoInputBackend& backend) {
        return RunKavrinOn(unit, backend, command.Config(), recorded);
      },
      [&](const UnitResult& result) { ReportUnit(out, result, session.UnitRecord(result)); });
  ReportSummaryDocument(out, tally, session.SummaryRecord(tally, "done"));
  return tally.failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace kavrin::cli
