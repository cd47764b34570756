// Two recorders of one name on the bus at once, told apart by their serial strings: the
// production line's case, through the real uvcvideo driver and the kavrin binary.
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/vm/guest/scenarios.h"

namespace kavrin::vm {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
constexpr auto kCommandTimeout = 30s;

std::vector<json> JsonLines(const std::string& out) {
  std::vector<json> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);)
    lines.push_back(json::parse(line, nullptr, false));
  return lines;
}

std::size_t Commits(PluggedCamera& camera) {
  const std::optional<sim::RecorderState> state = camera.RecorderState();
  return state ? state->commits.size() : 0;
}

}  // namespace

void CheckSeveralRecorders(const GuestSetup& setup, CheckLog& log) {
  log.Section("two recorders of one name, serials VM-A and VM-B, through USB/IP");
  PluggedCamera a(setup, {.label = "unit-a", .usbipPort = 0, .serial = "VM-A"}, log);
  PluggedCamera b(setup, {.label = "unit-b", .usbipPort = 1, .serial = "VM-B"}, log);
  if (!a.Present() || !b.Present()) return;
  log.Check(
      !a.Input().port.empty() && !b.Input().port.empty() && a.Input().port != b.Input().port,
      "the backend gives each its own USB port path: " + a.Input().port + " and " + b.Input().port);

  const CommandResult devices =
      RunCommand({setup.kavrinProgram, "devices", "--json"}, setup.work, kCommandTimeout);
  const json listing = json::parse(devices.out, nullptr, false);
  std::vector<std::string> serials;
  if (listing.is_object() && listing.contains("devices")) {
    for (const json& row : listing["devices"]) {
      if (row.value("usable", false)) serials.push_back(row["device"].value("serial", ""));
    }
  }
  log.Check(devices.exitCode == 0 && serials == std::vector<std::string>{"VM-A", "VM-B"},
            "kavrin devices lists both, by serial: " + std::to_string(serials.size()) +
                " usable recorders");

  const CommandResult guess =
      RunCommand({setup.kavrinProgram, "kavrin", "--json"}, setup.work, kCommandTimeout);
  const json refusal = json::parse(guess.out, nullptr, false);
  log.Check(
      guess.exitCode == 1 && refusal.is_object() && refusal.value("reason", "") == "ambiguous",
      "kavrin kavrin without -d refuses to guess (exit " + std::to_string(guess.exitCode) + ")");
  log.Check(Commits(a) == 0 && Commits(b) == 0, "neither recorder was written");

  const CommandResult one = RunCommand(
      {setup.kavrinProgram, "kavrin", "-d", "serial:VM-B", "--json"}, setup.work, kCommandTimeout);
  log.Check(
      one.exitCode == 0 && Commits(a) == 0 && Commits(b) == 1,
      "kavrin kavrin -d serial:VM-B commits B only (exit " + std::to_string(one.exitCode) + ")");

  const CommandResult all =
      RunCommand({setup.kavrinProgram, "kavrin", "--all", "--json"}, setup.work, kCommandTimeout);
  const std::vector<json> lines = JsonLines(all.out);
  // The session's start record, the two units, the summary.
  const bool summaryRight = lines.size() == 4 && lines[3].is_object() &&
                            lines[3].contains("summary") &&
                            lines[3]["summary"].value("succeeded", 0) == 2;
  log.Check(all.exitCode == 0 && summaryRight,
            "kavrin kavrin --all programs both in parallel: " + std::to_string(lines.size()) +
                " JSON lines, exit " + std::to_string(all.exitCode));
  log.Check(Commits(a) == 1 && Commits(b) == 2, "each recorder received its commit");
}

}  // namespace kavrin::vm
