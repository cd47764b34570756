// The recorder's node as an unprivileged user sees it: with the mode and group that the
// project's udev rule gives it, and as the kernel made it. The guest has no udev, so the
// rule's own values (read from the rule file the package installs) are applied by hand.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/vm/guest/scenarios.h"

namespace kavrin::vm {
namespace {

using namespace std::chrono_literals;
constexpr auto kCommandTimeout = 30s;
constexpr uid_t kUser = 1000;  // /etc/passwd's "operator", in no group but its own
constexpr gid_t kUserGroup = 1000;

struct RuleValues {
  std::string group;
  mode_t mode = 0;
};

// GROUP= and MODE= of the rule line that matches the product "ZK742".
std::optional<RuleValues> ReadRule(const std::string& path) {
  std::ifstream in(path);
  const std::regex line(R"re(ATTRS\{product\}=="ZK742".*GROUP="([^"]+)".*MODE="([0-7]+)")re");
  for (std::string text; std::getline(in, text);) {
    std::smatch match;
    if (std::regex_search(text, match, line)) {
      return RuleValues{match[1].str(),
                        static_cast<mode_t>(std::stoul(match[2].str(), nullptr, 8))};
    }
  }
  return std::nullopt;
}

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

}  // namespace

void CheckPermissions(const GuestSetup& setup, PluggedCamera& camera, CheckLog& log) {
  log.Section("kavrin devices as an unprivileged user");
  const std::optional<RuleValues> rule = ReadRule(setup.udevRule);
  if (!log.Check(rule.has_value(),
                 "the udev rule " + setup.udevRule + " gives the ZK742 a group and a mode"))
    return;
  const group* ruleGroup = getgrnam(rule->group.c_str());
  if (!log.Check(ruleGroup != nullptr, "the guest has the rule's group \"" + rule->group + "\""))
    return;
  const gid_t video = ruleGroup->gr_gid;
  // The rule matches every video node of the camera (capture and metadata), as udev would.
  std::vector<std::string> nodes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/video4linux", error)) {
    nodes.push_back("/dev/" + entry.path().filename().string());
  }
  const std::string node = camera.Input().location;
  struct stat kernels {};
  if (!log.Check(stat(node.c_str(), &kernels) == 0, "the recorder's node " + node + " exists"))
    return;
  auto setAll = [&](uid_t owner, gid_t group, mode_t mode) {
    bool all = true;
    for (const std::string& n : nodes)
      all = chown(n.c_str(), owner, group) == 0 && chmod(n.c_str(), mode) == 0 && all;
    return all;
  };

  struct Case {
    const char* what;
    bool ruleApplied;
    bool inGroup;
    bool usable;
  };
  const Case cases[] = {
      {"the node as the kernel made it, a member of the group", false, true, false},
      {"the rule's mode and group (applied by hand), a member of the group", true, true, true},
      {"the rule's mode and group (applied by hand), a user outside the group", true, false, false},
  };
  for (const Case& c : cases) {
    const bool set = c.ruleApplied
                         ? setAll(0, video, rule->mode)
                         : setAll(kernels.st_uid, kernels.st_gid, kernels.st_mode & 07777);
    struct stat now {};
    stat(node.c_str(), &now);
    Credentials user{.uid = kUser, .gid = kUserGroup, .groups = {kUserGroup}};
    if (c.inGroup) user.groups.push_back(video);
    const CommandResult run =
        RunCommand({setup.kavrinProgram, "devices", "--json"}, setup.work, kCommandTimeout, user);
    const nlohmann::json listing = nlohmann::json::parse(run.out, nullptr, false);
    bool usable = false, denied = false;
    if (listing.is_object() && listing.contains("devices")) {
      for (const nlohmann::json& row : listing["devices"]) {
        usable = usable || row.value("usable", false);
        denied = denied || row.value("permissionDenied", false);
      }
    }
    const std::string reason = listing.is_object() ? listing.value("reason", "") : "";
    const bool right = c.usable ? run.exitCode == 0 && usable
                                : run.exitCode == 1 && !usable && denied && reason == "permission";
    log.Check(set && right,
              std::string(c.what) + " (node " + Octal(now.st_mode) + ", group " +
                  std::to_string(now.st_gid) + "): exit " + std::to_string(run.exitCode) +
                  (usable ? ", usable" : ", not usable") + (denied ? ", permission denied" : "") +
                  (reason.empty() ? "" : ", reason " + reason));
  }
  // As the kernel made them again, for whatever runs next.
  setAll(kernels.st_uid, kernels.st_gid, kernels.st_mode & 07777);
}

}  // namespace kavrin::vm
