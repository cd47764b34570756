#include "cli/device_report.h"

#include <cstdio>

#include "config/text_codec.h"

namespace kavrin::cli {
namespace {

using nlohmann::json;

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

json NamesJson(const VideoInput& input) {
  json names = json::array();
  for (const InputName& name : input.names) {
    names.push_back(
        {{"text", ToUtf8(name.text)}, {"source", NameSourceText(name.source)}, {"cut", name.cut}});
  }
  return names;
}

}  // namespace

std::string LinkFailureReason(const DeviceLink& link) {
  switch (link.LastFailure()) {
    case LinkFailure::kBusy:
      return "the recorder is busy: another program is using it (try again when it has "
             "finished)";
    case LinkFailure::kNotAttached:
      return "no recorder is attached";
    case LinkFailure::kTransfer:
    case LinkFailure::kNone:
      break;
  }
  return {};
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
    listing.rows.push_back(std::move(row));
  }
  return listing;
}

void PrintDeviceListing(const DeviceListing& listing, const ConfigFile& config, bool asJson,
                        std::ostream& out) {
  const bool permissionProblem =
      std::any_of(listing.rows.begin(), listing.rows.end(),
                  [](const DeviceRow& row) { return row.diagnosis.permissionDenied; });
  if (asJson) {
    json rows = json::array();
    for (const DeviceRow& row : listing.rows) {
      rows.push_back(
          {{"location", row.input.location},
           {"friendlyName", ToUtf8(row.input.friendlyName)},
           {"matches",
            row.nameIndex >= 0 ? json(ConfiguredName(config, row.nameIndex)) : json(nullptr)},
           {"nameIndex", row.nameIndex},
           {"matchedBy", row.matched ? json(NameSourceText(row.matched->source)) : json(nullptr)},
           {"names", NamesJson(row.input)},
           {"opened", row.diagnosis.opened},
           {"permissionDenied", row.diagnosis.permissionDenied},
           {"unitFound", row.diagnosis.unitFound},
           {"unitId", row.diagnosis.unitId >= 0 ? json(row.diagnosis.unitId) : json(nullptr)},
           {"detail", row.diagnosis.detail},
           {"recorder", row.IsRecorder()}});
    }
    json root = {{"devices", rows}, {"problem", listing.problem}};
    if (permissionProblem) root["hint"] = PermissionHint();
    out << root.dump(2) << '\n';
    return;
  }
  if (listing.rows.empty()) {
    out << "No video input devices: "
        << (listing.problem.empty() ? std::string("none found") : listing.problem) << ".\n";
    out << "Looking for " << QuotedNames(config) << ".\n";
    return;
  }
  for (const DeviceRow& row : listing.rows) {
    out << row.input.location << "  \"" << ToUtf8(row.input.friendlyName) << "\"\n";
    if (!row.input.names.empty()) out << "    names:  " << NamesText(row.input) << '\n';
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
    out << "    unit:   " << (row.diagnosis.detail.empty() ? "-" : row.diagnosis.detail) << '\n';
    out << "    status: "
        << (row.IsRecorder()     ? "usable recorder"
            : row.nameIndex >= 0 ? "named like the recorder but not usable"
                                 : "not the recorder")
        << '\n';
  }
  if (permissionProblem) out << PermissionHint() << '\n';
}

std::string ExplainNoRecorder(const DeviceListing& listing, const ConfigFile& config) {
  for (const DeviceRow& row : listing.rows) {
    if (row.nameIndex < 0) continue;
    std::string reason = row.input.location + " (\"" + ToUtf8(row.input.friendlyName) +
                         "\") cannot be used: " + row.diagnosis.detail;
    if (row.diagnosis.permissionDenied) reason += "\n" + PermissionHint();
    return reason;
  }
  if (listing.rows.empty() && !listing.problem.empty()) return listing.problem;
  return "no video input is named " + QuotedNames(config);
}

std::vector<InfoAnswer> QueryInformation(DeviceLink& link, const ConfigFile& config) {
  std::vector<InfoAnswer> rows;
  for (const InfoItem& item : config.infoPanel.rows) {
    InfoAnswer row;
    row.title = ToUtf8(item.title);
    row.commandCode = item.commandCode;
    std::array<uint8_t, 64> reply{};
    row.ok = link.QueryString(item.commandCode, reply.data()) == 1;
    row.busy = !row.ok && link.LastFailure() == LinkFailure::kBusy;
    // A failed query shows an empty field, never what an earlier answer left.
    if (row.ok) {
      row.answer = ToUtf8(
          AnsiToWide(std::string_view(reinterpret_cast<const char*>(reply.data()), reply.size())));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

void PrintInformation(const std::vector<InfoAnswer>& rows, bool asJson, std::ostream& out) {
  if (asJson) {
    json list = json::array();
    for (const InfoAnswer& row : rows) {
      list.push_back({{"title", row.title},
                      {"command", row.commandCode},
                      {"answer", row.answer},
                      {"ok", row.ok}});
    }
    out << json{{"rows", list}}.dump(2) << '\n';
    return;
  }
  for (const InfoAnswer& row : rows) out << row.title << " : " << row.answer << '\n';
}

std::vector<TestVerdict> RunEngineTests(DeviceLink& link, const ConfigFile& config) {
  std::vector<TestVerdict> verdicts;
  for (const SettingItem& item : config.testItems) {
    TestVerdict verdict;
    verdict.title = ToUtf8(item.title);
    verdict.testCode = TestCode(item);
    verdict.answered = link.QueryTestResult(verdict.testCode, &verdict.answer) == 1;
    verdict.busy = !verdict.answered && link.LastFailure() == LinkFailure::kBusy;
    verdicts.push_back(std::move(verdict));
  }
  return verdicts;
}

bool AnyTestFailed(const std::vector<TestVerdict>& verdicts) {
  return std::any_of(verdicts.begin(), verdicts.end(),
                     [](const TestVerdict& v) { return !v.Pass(); });
}

json TestsJson(const std::vector<TestVerdict>& verdicts) {
  json list = json::array();
  for (const TestVerdict& v : verdicts) {
    list.push_back({{"title", v.title},
                    {"testCode", HexCode(v.testCode, 4)},
                    {"answered", v.answered},
                    {"busy", v.busy},
                    {"answer", v.answered ? json(v.answer) : json(nullptr)},
                    {"verdict", v.Pass() ? "OK" : "NG"}});
  }
  return list;
}

void PrintTests(const std::vector<TestVerdict>& verdicts, bool asJson, std::ostream& out) {
  if (asJson) {
    out << json{{"tests", TestsJson(verdicts)}, {"allPassed", !AnyTestFailed(verdicts)}}.dump(2)
        << '\n';
    return;
  }
  if (verdicts.empty()) out << "No engine tests are configured.\n";
  for (const TestVerdict& v : verdicts) {
    out << HexCode(v.testCode, 4) << "  " << v.title << " : " << (v.Pass() ? "OK" : "NG");
    if (!v.answered) out << (v.busy ? "  (not asked: the recorder is busy)" : "  (no answer)");
    out << '\n';
  }
}

}  // namespace kavrin::cli
