// The kavrin command against the camera, end to end: the same binary a production line runs,
// on the V4L2 backend, with the embedded default configuration.
#include <chrono>
#include <ctime>
#include <string>

#include "tests/vm/guest/guest_text.h"
#include "tests/vm/guest/scenarios.h"

namespace kavrin::vm {
namespace {

using namespace std::chrono_literals;
constexpr auto kCommandTimeout = 30s;

// Local time as the recorder's clock is written: "YYYY-MM-DDTHH:MM:SS".
std::string LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

std::string Outcome(const CommandResult& r) {
  if (!r.finished) return "did not finish";
  std::string text = "exit " + std::to_string(r.exitCode);
  if (!r.err.empty()) text += ", stderr: " + r.err.substr(0, r.err.find_last_not_of('\n') + 1);
  return text;
}

}  // namespace

void CheckKavrinCommand(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log) {
  log.Section("kavrin kavrin, then kavrin read");
  const std::optional<sim::RecorderState> before = camera.RecorderState();
  if (!before) return;

  const std::string startedAt = LocalNow();
  const CommandResult kavrin =
      RunCommand({setup.kavrinProgram, "kavrin"}, setup.work, kCommandTimeout);
  const std::string endedAt = LocalNow();
  log.Check(kavrin.finished && kavrin.exitCode == 0, "kavrin kavrin: " + Outcome(kavrin));

  const std::optional<sim::RecorderState> after = camera.RecorderState();
  if (!after) return;
  std::vector<uint32_t> expectedCommits = before->commits;
  expectedCommits.push_back(2);
  log.Check(after->commits == expectedCommits,
            "the recorder received one more commit, with value 2 (no kavrin flag asked)");
  const std::span<const uint8_t> head = std::span(after->settings).first(4);
  log.Check(Hex(head) == "10 CA 11 A0",
            "the recorder holds the default configuration's settings: " +
                Hex(std::span(after->settings).first(8)) + " ...");
  log.Check(startedAt <= after->clock && after->clock <= endedAt,
            "the recorder's clock \"" + after->clock +
                "\" was set to the local time while the "
                "command ran (" +
                startedAt + " to " + endedAt + ")");

  const std::string file = setup.work + "/read-back.bin";
  const CommandResult read =
      RunCommand({setup.kavrinProgram, "read", "-o", file}, setup.work, kCommandTimeout);
  const std::string bytes = ReadTextFile(file);
  const bool areaSame = bytes.size() == 112 &&
                        std::equal(after->settings.begin(), after->settings.end(), bytes.begin(),
                                   [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); });
  const bool noteZero =
      bytes.size() == 112 && bytes.find_first_not_of('\0', 80) == std::string::npos;
  log.Check(read.finished && read.exitCode == 0 && areaSame && noteZero,
            "kavrin read -o FILE: " + Outcome(read) + "; " + std::to_string(bytes.size()) +
                "-byte file, " +
                (areaSame ? "the recorder's 80 bytes" : "not the recorder's bytes") +
                (noteZero ? ", note area zero" : ", note area not zero"));
}

}  // namespace kavrin::vm
