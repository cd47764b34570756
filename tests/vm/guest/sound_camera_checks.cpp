// Discovery and every DeviceLink command against the sound camera, through the real uvcvideo
// driver; what the host reads back is compared with what the recorder itself holds.
#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "config/trace.h"
#include "device/device_link.h"
#include "device/v4l2/v4l2_backend.h"
#include "tests/vm/camera/zk742_descriptors.h"
#include "tests/vm/guest/guest_text.h"
#include "tests/vm/guest/scenarios.h"

namespace kavrin::vm {
namespace {

// Collects the trace lines written while it lives.
class TraceRecorder {
 public:
  TraceRecorder() {
    SetTraceSink([this](std::string_view text) { lines_.append(text); });
  }
  ~TraceRecorder() { SetTraceSink({}); }
  const std::string& Text() const { return lines_; }

 private:
  std::string lines_;
};

std::string Printable(const std::string& trace) {
  std::string text;
  for (char c : trace) text += c == '\n' ? std::string("\\n") : std::string(1, c);
  return text;
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

int CountNodes(const std::string& folder) {
  std::error_code error;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    count += entry.path().filename().string().starts_with("video") ? 1 : 0;
  }
  return count;
}

}  // namespace

void CheckDiscovery(PluggedCamera& camera, CheckLog& log) {
  log.Section("discovery by friendly name");
  struct Case {
    std::vector<std::u16string> names;
    int attached;
    uint32_t index;
    std::string trace;
  };
  const Case cases[] = {
      {{u"Driving Recorder", u"ZK742"}, 1, 1, "\nattach ZK742(1)\n"},
      {{u"zk742"}, 1, 0, "\nattach zk742(0)\n"},
      {{u"ZK74", u"ZK742 Pro", u"Driving Recorder"}, 0, 0, ""},
  };
  for (const Case& c : cases) {
    std::string names;
    for (const std::u16string& name : c.names)
      names += (names.empty() ? "\"" : ", \"") + Narrow(name) + "\"";
    v4l2::V4l2Backend backend;
    DeviceLink link(backend);
    for (const std::u16string& name : c.names) link.AddDeviceName(name.c_str());
    TraceRecorder trace;
    const int attached = link.Attach();
    const bool indexRight = attached == 0 || link.CurrentIndex() == c.index;
    const bool traceRight = c.trace.empty() ? trace.Text().find("attach") == std::string::npos
                                            : trace.Text().find(c.trace) != std::string::npos;
    log.Check(attached == c.attached && indexRight && traceRight,
              "names " + names + ": Attach " + std::to_string(attached) + ", index " +
                  std::to_string(link.CurrentIndex()) + ", trace \"" + Printable(trace.Text()) +
                  "\"");
    link.Detach();
  }

  v4l2::V4l2Backend backend;
  const auto inputs = backend.ListVideoInputs();
  const auto listed =
      inputs ? std::count_if(inputs->begin(), inputs->end(),
                             [](const VideoInput& i) { return i.friendlyName == u"ZK742"; })
             : 0;
  const int nodes = CountNodes("/sys/class/video4linux");
  log.Check(listed == 1 && nodes == 2, "of uvcvideo's " + std::to_string(nodes) +
                                           " nodes for the camera, " + std::to_string(listed) +
                                           " (the capture node) is listed");

  const InputDiagnosis diagnosis = backend.Diagnose(camera.Input());
  log.Check(diagnosis.unitFound && diagnosis.unitId == kRecorderUnitId,
            "the recorder's extension unit is found by its GUID: unit " +
                std::to_string(diagnosis.unitId) + " (expected " + std::to_string(kRecorderUnitId) +
                ", past the other vendor's unit " + std::to_string(kOtherUnitId) + ") " +
                diagnosis.detail);
}

void CheckCommands(PluggedCamera& camera, CheckLog& log) {
  log.Section("DeviceLink commands");
  const std::optional<sim::RecorderState> before = camera.RecorderState();
  if (!log.Check(before.has_value(), "the recorder's state can be read")) return;
  v4l2::V4l2Backend backend;
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  if (!log.Check(link.Attach() == 1, "DeviceLink attaches the camera")) return;

  struct StringCase {
    uint32_t code;
    const char* name;
    std::string expected;
  };
  const StringCase strings[] = {
      {DeviceLink::MODEL_NAME, "MODEL_NAME", before->model},
      {DeviceLink::HW_VERSION, "HW_VERSION", before->hwVersion},
      {DeviceLink::FW_VERSION, "FW_VERSION", before->fwVersion},
      {DeviceLink::FW_UPDATE_NAME, "FW_UPDATE_NAME", before->fwUpdateName}};
  for (const StringCase& c : strings) {
    std::array<uint8_t, 64> reply{};
    const int ok = link.QueryString(c.code, reply.data());
    log.Check(ok == 1 && ReplyText(reply) == c.expected,
              std::string("QueryString(") + c.name + ") = " + std::to_string(ok) + " \"" +
                  ReplyText(reply) + "\" (the recorder holds \"" + c.expected + "\")");
  }

  std::array<uint8_t, 80> written{};
  for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<uint8_t>(i * 37 + 11);
  const int wrote = link.WriteData(written.data(), written.size(), 1);
  log.Check(wrote == 1, "WriteData of 80 bytes with the kavrin flag = " + std::to_string(wrote));
  std::array<uint8_t, 112> read{};
  read.fill(0xEE);
  const int readOk = link.ReadData(read.data(), 80);
  const bool same = std::equal(written.begin(), written.end(), read.begin());
  const bool restKept =
      std::all_of(read.begin() + 80, read.end(), [](uint8_t b) { return b == 0xEE; });
  log.Check(readOk == 1 && same && restKept,
            "ReadData of 80 bytes = " + std::to_string(readOk) + ", " +
                (same ? "the bytes written" : "other bytes: " + Hex(std::span(read).first(80))) +
                (restKept ? ", bytes 80-111 untouched" : ", bytes past 80 changed"));

  struct TestCase {
    uint32_t code;
    uint32_t expected;
  };
  for (const TestCase& c : {TestCase{kPassingTest, 1}, TestCase{kFailingTest, 0}}) {
    uint32_t result = 0xFFFFFFFF;
    const int ok = link.QueryTestResult(c.code, &result);
    log.Check(ok == 1 && result == c.expected,
              "QueryTestResult(" + HexWord(c.code) + ") = " + std::to_string(ok) + ", answer " +
                  std::to_string(result) + (c.expected == 1 ? " (OK)" : " (NG)"));
  }

  LocalTime time;
  time.wYear = 2026;
  time.wMonth = 12;
  time.wDayOfWeek = 6;
  time.wDay = 5;
  time.wHour = 14;
  time.wMinute = 3;
  time.wSecond = 9;
  const int clockOk = link.SetClock(time);
  link.Detach();

  const std::optional<sim::RecorderState> after = camera.RecorderState();
  if (!log.Check(after.has_value(), "the recorder's state can be read again")) return;
  log.Check(clockOk == 1 && after->clock == "2026-12-05T14:03:09",
            "SetClock(2026-12-05 14:03:09) = " + std::to_string(clockOk) +
                "; the recorder's clock \"" + after->clock + "\"");
  log.Check(std::equal(written.begin(), written.end(), after->settings.begin()) &&
                after->commits == std::vector<uint32_t>{1} && after->kavrinFlag,
            "the recorder committed the 80 bytes once, with value 1: " +
                Hex(std::span(after->settings).first(8)) + " ..., commits " +
                std::to_string(after->commits.size()));
  // Four strings (SET+GET), a write (two chunks and the commit), a read (two SET+GET), two
  // tests (SET+GET) and the clock: nothing lost, nothing repeated.
  const uint64_t transfers = after->transfers - before->transfers;
  log.Check(transfers == 8 + 3 + 4 + 4 + 1,
            "the recorder saw " + std::to_string(transfers) + " transfers (20 expected)");
  const nlohmann::json report = camera.Report();
  log.Check(
      report.value("otherUnitTransfers", -1) == 0 && report.value("lostRequests", -1) == 0 &&
          report.value("stalledReads", -1) == 0,
      "no transfer went to the other vendor's unit, none was lost or refused: " + report.dump());
}

std::string PrepareStateWithProduct(const GuestSetup& setup, const std::string& product) {
  std::optional<sim::RecorderState> state = sim::LoadState(setup.stateTemplate);
  const std::string path = setup.work + "/product-template.json";
  if (!state) return setup.stateTemplate;
  state->friendlyName = product;  // the camera's USB product string
  sim::SaveState(path, *state);
  return path;
}

void CheckFunctionName(PluggedCamera& camera, CheckLog& log) {
  log.Section("a camera function named apart from its product");
  v4l2::V4l2Backend backend;
  const auto inputs = backend.ListVideoInputs();
  std::string names;
  if (inputs) {
    for (const VideoInput& input : *inputs) {
      if (input.location != camera.Input().location) continue;
      for (const InputName& name : input.names) {
        names += std::string(names.empty() ? "" : ", ") + NameSourceText(name.source) + " \"" +
                 Narrow(name.text) + "\"" + (name.cut ? " (cut)" : "");
      }
    }
  }
  log.Check(names == "function \"Driving Recorder\", product \"USB Camera\"",
            "the camera answers to its function's and its product's names: " + names);

  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  link.AddDeviceName(u"Driving Recorder");
  TraceRecorder trace;
  const int attached = link.Attach();
  log.Check(attached == 1 && link.CurrentIndex() == 1 &&
                link.AttachedName().source == NameSource::kFunction &&
                trace.Text().find("\nattach Driving Recorder(1)\n") != std::string::npos,
            "names \"ZK742\", \"Driving Recorder\": attached by the function's name, trace \"" +
                Printable(trace.Text()) + "\"");
  std::array<uint8_t, 64> reply{};
  const int ok = attached == 1 ? link.QueryString(DeviceLink::MODEL_NAME, reply.data()) : 0;
  const std::optional<sim::RecorderState> recorder = camera.RecorderState();
  log.Check(ok == 1 && recorder && ReplyText(reply) == recorder->model,
            "and it answers as the recorder: model \"" + ReplyText(reply) + "\"");
}

}  // namespace kavrin::vm
