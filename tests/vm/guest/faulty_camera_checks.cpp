// Cameras that answer wrongly: the device link must report each failure as a failure,
// never commit after a failed chunk, and never turn an unanswered engine test into a pass.
#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "device/device_link.h"
#include "device/v4l2/v4l2_backend.h"
#include "tests/vm/guest/guest_text.h"
#include "tests/vm/guest/scenarios.h"

namespace kavrin::vm {
namespace {

using namespace std::chrono_literals;
constexpr auto kCommandTimeout = 30s;
// What kavrin reports for a recorder that left the bus in the middle of a transfer: the
// recorder is gone, whatever the driver's own word for it (ENODEV, ESHUTDOWN, a killed URB).
constexpr std::string_view kGoneInsideTransfer = "unavailable";
// And for a commit the driver gave up on (its 5 s time-out): the commit's step, timed out, a
// failed transfer for scripts.
constexpr std::string_view kSlowCommit = "transfer-failed";
constexpr std::string_view kSlowCommitStep = "commit";
constexpr std::string_view kSlowCommitCause = "timed-out";

std::string Outcome(const CommandResult& r) {
  return r.finished ? "exit " + std::to_string(r.exitCode) : std::string("did not finish");
}

void CheckTestIsNg(DeviceLink& link, uint32_t code, const std::string& why, CheckLog& log) {
  uint32_t result = 0xFFFFFFFF;
  const int ok = link.QueryTestResult(code, &result);
  log.Check(ok == 0 && result != 1, "QueryTestResult(" + HexWord(code) + ") " + why + ": returns " +
                                        std::to_string(ok) + ", answer " + std::to_string(result) +
                                        (result == 1 ? " (OK: wrong)" : " (NG)"));
}

}  // namespace

void CheckWrongAnswers(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log) {
  log.Section("a camera that stalls engine tests and cuts settings reads short");
  v4l2::V4l2Backend backend;
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  if (!log.Check(link.Attach() == 1, "DeviceLink attaches the camera")) return;

  std::array<uint8_t, 64> model{};
  const int modelOk = link.QueryString(DeviceLink::MODEL_NAME, model.data());
  log.Check(modelOk == 1 && !ReplyText(model).empty(),
            "QueryString(MODEL_NAME) is still answered: \"" + ReplyText(model) + "\"");

  CheckTestIsNg(link, kPassingTest, "whose answer the camera stalls", log);

  std::array<uint8_t, 112> read{};
  read.fill(0xEE);
  const int readOk = link.ReadData(read.data(), 80);
  const bool untouched = std::all_of(read.begin(), read.end(), [](uint8_t b) { return b == 0xEE; });
  log.Check(readOk == 0 && untouched,
            "ReadData answered 32 of 64 bytes: returns " + std::to_string(readOk) +
                (untouched ? ", destination unchanged"
                           : ", destination changed: " + Hex(std::span(read).first(80))));
  link.Detach();

  const std::string file = setup.work + "/short-read.bin";
  const CommandResult cli =
      RunCommand({setup.kavrinProgram, "read", "-o", file}, setup.work, kCommandTimeout);
  log.Check(cli.finished && cli.exitCode == 1 && !std::filesystem::exists(file),
            "kavrin read -o FILE on short answers: " + Outcome(cli) +
                (std::filesystem::exists(file) ? ", yet the file was written" : ", no file"));

  const nlohmann::json report = camera.Report();
  log.Check(report.value("stalledReads", 0) >= 1 && report.value("shortReads", 0) >= 1,
            "the camera did stall a read and cut one short: " + report.dump());
}

void CheckWrongLength(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log) {
  log.Section("a camera whose selector 17 the driver refuses (GET_LEN 40)");
  v4l2::V4l2Backend backend;
  DeviceLink link(backend);
  link.AddDeviceName(u"ZK742");
  if (!log.Check(link.Attach() == 1, "DeviceLink attaches the camera")) return;

  std::array<uint8_t, 80> data{};
  data.fill(0x5A);
  const int wrote = link.WriteData(data.data(), data.size(), 1);
  log.Check(wrote == 0, "WriteData whose chunks fail returns " + std::to_string(wrote));
  CheckTestIsNg(link, kPassingTest, "that the recorder is never asked", log);
  link.Detach();

  const CommandResult cli =
      RunCommand({setup.kavrinProgram, "kavrin"}, setup.work, kCommandTimeout);
  log.Check(cli.finished && cli.exitCode == 1 && !cli.err.empty(),
            "kavrin kavrin fails with a reason: " + Outcome(cli) + ", stderr: " + cli.err);

  const std::optional<sim::RecorderState> state = camera.RecorderState();
  const nlohmann::json report = camera.Report();
  log.Check(state && state->commits.empty() && report.value("commitSets", -1) == 0,
            "no commit reached the recorder after the failed chunks: " + report.dump());
}

std::string PrepareVanishingState(const GuestSetup& setup, uint64_t transfers) {
  std::optional<sim::RecorderState> state = sim::LoadState(setup.stateTemplate);
  const std::string path = setup.work + "/vanishing-template.json";
  if (!state) return setup.stateTemplate;
  state->faults.vanishAfter = transfers;
  sim::SaveState(path, *state);
  return path;
}

void CheckVanishing(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log) {
  log.Section("a recorder that leaves the bus in the middle of kavrin kavrin");
  const CommandResult cli =
      RunCommand({setup.kavrinProgram, "kavrin"}, setup.work, kCommandTimeout);
  log.Check(cli.finished && cli.exitCode == 1 && !cli.err.empty(),
            "kavrin kavrin fails with a reason: " + Outcome(cli) + ", stderr: " + cli.err);
  log.Check(camera.LeftTheBus(), "the camera left the bus");
  const std::optional<sim::RecorderState> state = camera.RecorderState();
  log.Check(state && state->transfers == 2 && !state->clock.empty() && state->commits.empty(),
            "the recorder took the clock and the first chunk, and nothing was committed: " +
                std::to_string(state ? state->transfers : 0) + " transfers, " +
                std::to_string(state ? state->commits.size() : 0) + " commits");
}

}  // namespace kavrin::vm

namespace kavrin::vm {
namespace {

// `kavrin ... --json` run to its end: its exit, its reason and whether it finished at all.
struct JsonRun {
  CommandResult result;
  std::string reason;
  std::string message;
  std::string step;    // which step of the operation failed
  std::string cause;   // the transfer's own reason
  int64_t status = 0;  // the platform's status of that transfer
  std::string Text() const {
    return Outcome(result) + (reason.empty()
                                  ? ", no reason"
                                  : ", reason " + reason + " (step " + step + ", cause " + cause +
                                        ", status " + std::to_string(status) + "): " + message);
  }
};

JsonRun RunJson(const GuestSetup& setup, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {setup.kavrinProgram};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  argv.push_back("--json");
  JsonRun run{RunCommand(argv, setup.work, kCommandTimeout), "", "", "", ""};
  const nlohmann::json document = nlohmann::json::parse(run.result.out, nullptr, false);
  if (document.is_object()) {
    run.reason = document.value("reason", "");
    run.message = document.value("message", "");
    run.step = document.value("step", "");
    run.cause = document.value("cause", "");
    run.status = document.value("status", int64_t{0});
  }
  return run;
}

}  // namespace

void CheckVanishingInsideGet(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log) {
  log.Section("a recorder unplugged while the GET of kavrin read is in flight");
  const std::string file = setup.work + "/gone-inside-get.bin";
  const JsonRun read = RunJson(setup, {"read", "-o", file});
  log.Check(read.result.finished && read.result.exitCode == 1 &&
                read.reason == kGoneInsideTransfer && !std::filesystem::exists(file),
            "kavrin read: " + read.Text() +
                (std::filesystem::exists(file) ? ", yet the file was written" : ", no file"));
  log.Check(camera.LeftTheBus(), "the camera left the bus inside the transfer");
}

void CheckVanishingInsideSet(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log) {
  log.Section("a recorder unplugged while the first chunk's SET of kavrin kavrin is in flight");
  const JsonRun kavrin = RunJson(setup, {"kavrin"});
  log.Check(
      kavrin.result.finished && kavrin.result.exitCode == 1 && kavrin.reason == kGoneInsideTransfer,
      "kavrin kavrin: " + kavrin.Text());
  log.Check(camera.LeftTheBus(), "the camera left the bus inside the transfer");
  const std::optional<sim::RecorderState> state = camera.RecorderState();
  log.Check(state && state->transfers == 1 && state->commits.empty(),
            "the recorder took only the clock, and nothing was committed: " +
                std::to_string(state ? state->transfers : 0) + " transfers, " +
                std::to_string(state ? state->commits.size() : 0) + " commits");
}

void CheckSlowRecorder(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log) {
  log.Section("a slow recorder: answers 1.5 s late, a commit 6 s late");
  const std::optional<sim::RecorderState> before = camera.RecorderState();
  const std::string file = setup.work + "/slow-read.bin";
  const auto started = std::chrono::steady_clock::now();
  const JsonRun read = RunJson(setup, {"read", "-o", file});
  const auto seconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - started)
                           .count() /
                       1000.0;
  log.Check(read.result.finished && read.result.exitCode == 0 && std::filesystem::exists(file),
            "kavrin read waits for late answers: " + Outcome(read.result) + " after " +
                std::to_string(seconds).substr(0, 4) + " s" +
                (std::filesystem::exists(file) ? ", file written" : ", no file"));

  const JsonRun kavrin = RunJson(setup, {"kavrin"});
  log.Check(kavrin.result.finished && kavrin.result.exitCode == 1 && kavrin.reason == kSlowCommit &&
                kavrin.step == kSlowCommitStep && kavrin.cause == kSlowCommitCause,
            "kavrin kavrin on a commit longer than the driver waits: " + kavrin.Text());
  const std::optional<sim::RecorderState> after = camera.RecorderState();
  // The camera did take the late commit (the recorder cannot know the host gave up); what
  // matters is that kavrin sent nothing after it: in the camera's trace, the commit's own
  // "SET 18" is the last transfer after the delay.
  const std::size_t commitsBefore = before ? before->commits.size() : 0;
  const std::string trace = camera.LogText();
  const std::size_t delayed = trace.find("answering 6000 ms late");
  int transfersAfter = -1;
  if (delayed != std::string::npos) {
    transfersAfter = 0;
    for (std::size_t at = delayed; (at = trace.find("zk742: ", at + 1)) != std::string::npos;) {
      transfersAfter +=
          trace.compare(at, 11, "zk742: SET ") == 0 || trace.compare(at, 11, "zk742: GET ") == 0;
    }
  }
  log.Check(after && after->commits.size() == commitsBefore + 1 && transfersAfter == 1,
            "the late commit reached the recorder and nothing followed it: " +
                std::to_string(after ? after->commits.size() - commitsBefore : 0) + " commit(s), " +
                std::to_string(transfersAfter) + " transfer(s) from the delay on");
}

}  // namespace kavrin::vm
