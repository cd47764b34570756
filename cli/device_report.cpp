#include "cli/device_report.h"

#include <algorithm>
#include <cstdio>

#include "cli/printable_text.h"
#include "cli/recorder_address.h"
#include "config/text_codec.h"
#include "config/trace.h"

namespace kavrin::cli {
namespace {

std::string ConfiguredName(const ConfigFile& config, int index) {
  return ToUtf8(config.friendlyNames[static_cast<std::size_t>(index)]);
}

uint32_t NameCount(const ConfigFile& config) {
  return std::min<uint32_t>(config.friendlyNameCount, ConfigBounds::kMaxDeviceNames);
}

std::string QuotedNames(const ConfigFile& config) {
  std::string names;
  for (uint32_t i = 0; i < NameCount(config); ++i) {
    if (i > 0) names += i + 1 == NameCount(config) ? " or " : ", ";
    names += "\"" + ConfiguredName(config, static_cast<int>(i)) + "\"";
  }
  return names.empty() ? std::string("(the configuration names no device)") : names;
}

// function "Driving Recorder", product "USB Camera"
std::string NamesText(const VideoInput& input) {
  std::string text;
  for (const InputName& name : input.names) {
    if (!text.empty()) text += ", ";
    text += std::string(NameSourceText(name.source)) + " \"" + ToUtf8(name.text) +
            (name.cut ? "...\" (cut short)" : "\"");
  }
  return text;
}

Json NamesJson(const VideoInput& input) {
  Json names = Json::array();
  for (const InputName& name : input.names) {
    names.push_back(
        {{"text", ToUtf8(name.text)}, {"source", NameSourceText(name.source)}, {"cut", name.cut}});
  }
  return names;
}

}  // namespace

Reason ReasonOf(const ops::Outcome& outcome) {
  switch (outcome.reason) {
    case ops::Reason::kNone:
      return Reason::kNone;
    case ops::Reason::kNotAttached:
    case ops::Reason::kUnavailable:
      return Reason::kUnavailable;
    case ops::Reason::kBusy:
      return Reason::kBusy;
    case ops::Reason::kRefused:
    case ops::Reason::kShortReply:
    case ops::Reason::kTimedOut:
      return Reason::kTransferFailed;
    case ops::Reason::kEngineTestNg:
      return Reason::kEngineTestNg;
    case ops::Reason::kVerifyMismatch:
      return Reason::kVerifyMismatch;
  }
  return Reason::kTransferFailed;
}

std::string OutcomeText(const ops::Outcome& outcome) {
  // What more is known (why the recorder's lock cannot be had) says it best.
  if (!outcome.detail.empty()) return outcome.detail;
  switch (outcome.reason) {
    case ops::Reason::kNone:
      return {};
    case ops::Reason::kNotAttached:
      return "no recorder is attached";
    case ops::Reason::kUnavailable:
      return "the recorder is gone (unplugged?)";
    case ops::Reason::kBusy:
      return "the recorder is busy: another program is using it (try again when it has "
             "finished)";
    case ops::Reason::kRefused:
      return "the recorder refused the transfer";
    case ops::Reason::kShortReply:
      return "the recorder's reply was short";
    case ops::Reason::kTimedOut:
      return "the recorder did not answer in time";
    case ops::Reason::kEngineTestNg:
      return "the recorder answered NG";
    case ops::Reason::kVerifyMismatch:
      return "the recorder holds other settings";
  }
  return {};
}

void AddOutcomeFields(Json& document, const ops::Outcome& outcome) {
  if (outcome.Ok()) return;
  document["step"] = outcome.StepText();
  document["cause"] = outcome.ReasonCode();
  // The platform's own status of the failed transfer (a negative errno on Linux, an HRESULT
  // on Windows), for whoever must look deeper.
  if (outcome.status != 0) document["status"] = outcome.status;
}

std::string HexCode(uint32_t code, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(code));
  return text;
}

std::string PermissionHint() {
  return "hint: video nodes belong to the group \"video\": add yourself with "
         "`sudo usermod -aG video $USER` and log in again, or install the udev rule "
         "resources/70-kavrin-zk742.rules (`cmake --install` puts it in place) and replug "
         "the recorder";
}

DeviceListing ListDevices(VideoInputBackend& backend, const ConfigFile& config) {
  DeviceListing listing;
  const std::optional<std::vector<VideoInput>> inputs = backend.ListVideoInputs();
  listing.listed = inputs.has_value();
  listing.problem = backend.ListProblem();
  if (!inputs) return listing;
  for (const VideoInput& input : *inputs) {
    DeviceRow row;
    row.input = input;
    // Names are tried in list order, so the first name a device matches is the one it
    // would be attached by.
    for (uint32_t i = 0; i < NameCount(config) && row.nameIndex < 0; ++i) {
      row.matched = MatchInputName(input, config.friendlyNames[i]);
      if (row.matched) row.nameIndex = static_cast<int>(i);
    }
    row.diagnosis = backend.Diagnose(input);
    // A device named like the recorder that cannot be bound is passed over for the next,
    // and the trace says so in the attach's own words.
    if (row.nameIndex >= 0 && !row.IsRecorder()) Trace("\nBindToObject() faiel");
    listing.rows.push_back(std::move(row));
  }
  return listing;
}

std::string DeviceRow::WhyNotUsable() const {
  if (IsRecorder()) return {};
  if (nameIndex < 0) return "matches no configured name";
  if (diagnosis.permissionDenied) return "permission denied: " + diagnosis.detail;
  if (!diagnosis.opened) return diagnosis.detail.empty() ? "cannot be opened" : diagnosis.detail;
  return diagnosis.detail.empty() ? "no recorder extension unit" : diagnosis.detail;
}

bool AnyRecorder(const DeviceListing& listing) {
  return std::any_of(listing.rows.begin(), listing.rows.end(),
                     [](const DeviceRow& row) { return row.IsRecorder(); });
}

bool PermissionProblem(const DeviceListing& listing) {
  return std::any_of(listing.rows.begin(), listing.rows.end(), [](const DeviceRow& row) {
    return row.nameIndex >= 0 && row.diagnosis.permissionDenied;
  });
}

Json DeviceListingJson(const DeviceListing& listing, const ConfigFile& config) {
  Json rows = Json::array();
  for (const DeviceRow& row : listing.rows) {
    Json entry = Json::object();
    entry["device"] = DeviceJson(row.input);
    entry["links"] = row.input.links;
    entry["matches"] =
        row.nameIndex >= 0 ? Json(ConfiguredName(config, row.nameIndex)) : Json(nullptr);
    entry["nameIndex"] = row.nameIndex;
    entry["matchedBy"] = row.matched ? Json(NameSourceText(row.matched->source)) : Json(nullptr);
    entry["names"] = NamesJson(row.input);
    entry["opened"] = row.diagnosis.opened;
    entry["permissionDenied"] = row.diagnosis.permissionDenied;
    entry["unitFound"] = row.diagnosis.unitFound;
    entry["unitId"] = row.diagnosis.unitId >= 0 ? Json(row.diagnosis.unitId) : Json(nullptr);
    entry["detail"] = row.diagnosis.detail;
    entry["usable"] = row.IsRecorder();
    entry["whyNotUsable"] = row.WhyNotUsable();
    rows.push_back(std::move(entry));
  }
  Json fields = Json::object();
  fields["devices"] = std::move(rows);
  fields["problem"] = listing.problem;
  if (PermissionProblem(listing)) fields["hint"] = PermissionHint();
  return fields;
}

void PrintDeviceListing(const DeviceListing& listing, const ConfigFile& config, std::ostream& out) {
  if (listing.rows.empty()) {
    out << "No video input devices: "
        << (listing.problem.empty() ? std::string("none found") : listing.problem) << ".\n";
    out << "Looking for " << QuotedNames(config) << ".\n";
    return;
  }
  for (const DeviceRow& row : listing.rows) {
    const VideoInput& input = row.input;
    out << PrintableText(input.location) << "  \"" << PrintableText(ToUtf8(input.friendlyName))
        << "\"\n";
    if (!input.names.empty()) out << "    names:  " << PrintableText(NamesText(input)) << '\n';
    std::string how;
    if (row.matched && row.matched->source != NameSource::kPlatform) {
      how = std::string(" by its ") + NameSourceText(row.matched->source) + " string" +
            (row.matched->cut ? " (the start the kernel kept)" : "");
    }
    out << "    name:   "
        << (row.nameIndex >= 0 ? "matches \"" + ConfiguredName(config, row.nameIndex) +
                                     "\" (name " + std::to_string(row.nameIndex) + ")" + how
                               : std::string("matches no configured name"))
        << '\n';
    out << "    port:   " << (input.port.empty() ? "-" : PrintableText(input.port))
        << "    serial: " << (input.serial.empty() ? "-" : PrintableText(input.serial)) << '\n';
    for (const std::string& link : input.links)
      out << "    link:   " << PrintableText(link) << '\n';
    out << "    unit:   "
        << (row.diagnosis.detail.empty() ? "-" : PrintableText(row.diagnosis.detail)) << '\n';
    out << "    status: "
        << (row.IsRecorder()     ? std::string("usable recorder")
            : row.nameIndex >= 0 ? "not usable: " + row.WhyNotUsable()
                                 : std::string("not the recorder"))
        << '\n';
  }
  // Recorders the backend could not list (a malformed state file beside good ones).
  if (!listing.problem.empty()) out << "Not listed: " << listing.problem << '\n';
  if (PermissionProblem(listing)) out << PermissionHint() << '\n';
}

std::string ExplainNoRecorder(const DeviceListing& listing, const ConfigFile& config) {
  for (const DeviceRow& row : listing.rows) {
    if (row.nameIndex < 0) continue;
    std::string reason = PrintableText(row.input.location) + " (\"" +
                         PrintableText(ToUtf8(row.input.friendlyName)) +
                         "\") cannot be used: " + row.diagnosis.detail;
    if (row.diagnosis.permissionDenied) reason += "\n" + PermissionHint();
    return reason;
  }
  if (listing.rows.empty() && !listing.problem.empty()) return listing.problem;
  return "no video input is named " + QuotedNames(config);
}

Json InformationJson(const std::vector<ops::InfoRow>& rows) {
  Json list = Json::array();
  for (const ops::InfoRow& row : rows) {
    Json entry{{"title", ToUtf8(row.title)},
               {"command", row.commandCode},
               {"answer", ToUtf8(AnsiToWide(row.answer))},
               {"ok", row.outcome.Ok()}};
    if (!row.outcome.Ok()) entry["cause"] = row.outcome.ReasonCode();
    list.push_back(std::move(entry));
  }
  return list;
}

std::string InformationText(const std::vector<ops::InfoRow>& rows) {
  std::string text;
  for (const ops::InfoRow& row : rows) {
    text += ToUtf8(row.title) + " : " + PrintableText(ToUtf8(AnsiToWide(row.answer))) + "\n";
  }
  return text;
}

Json TestsJson(const std::vector<ops::TestRow>& tests) {
  Json list = Json::array();
  for (const ops::TestRow& t : tests) {
    const bool answered = t.outcome.Ok();
    Json entry{{"title", ToUtf8(t.title)},
               {"testCode", HexCode(t.testCode, 4)},
               {"answered", answered},
               {"busy", t.outcome.reason == ops::Reason::kBusy},
               {"answer", answered ? Json(t.answer) : Json(nullptr)},
               {"verdict", t.Pass() ? "OK" : "NG"}};
    if (!answered) entry["cause"] = t.outcome.ReasonCode();
    list.push_back(std::move(entry));
  }
  return list;
}

std::string TestsText(const std::vector<ops::TestRow>& tests) {
  if (tests.empty()) return "No engine tests are configured.\n";
  std::string text;
  for (const ops::TestRow& t : tests) {
    text += HexCode(t.testCode, 4) + "  " + ToUtf8(t.title) + " : " + (t.Pass() ? "OK" : "NG");
    if (!t.outcome.Ok()) {
      text += t.outcome.reason == ops::Reason::kBusy
                  ? "  (not asked: the recorder is busy)"
                  : "  (no answer: " + t.outcome.ReasonCode() + ")";
    }
    text += '\n';
  }
  return text;
}

std::string FailedTestsText(const std::vector<ops::TestRow>& tests) {
  std::string text = "engine test NG:";
  for (const ops::TestRow& t : tests) {
    if (!t.Pass()) text += " " + HexCode(t.testCode, 4) + " \"" + ToUtf8(t.title) + "\"";
  }
  return text;
}

}  // namespace kavrin::cli
