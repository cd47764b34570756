// The simulator's state file: JSON, written atomically, read strictly (a typo in a key is an
// error rather than a silently ignored fault rule).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <thread>

#include "config/file_util.h"
#include "device/sim/recorder.h"

namespace kavrin::sim {
namespace {

using nlohmann::json;

constexpr std::uintmax_t kMaxStateFileSize = 1 << 20;

// Tells this process's temporary files from other programs' on the same state file, without
// asking the operating system for a process id.
uint64_t ProcessToken() {
  static const uint64_t token = (uint64_t{std::random_device{}()} << 32) ^ std::random_device{}();
  return token;
}

struct ParseError {
  std::string message;
};

[[noreturn]] void Fail(const std::string& message) { throw ParseError{message}; }

void CheckKeys(const json& object, const std::set<std::string>& known, const std::string& where) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (!known.contains(it.key())) Fail("unknown key \"" + it.key() + "\"" + where);
  }
}

std::string TextField(const json& value, const std::string& key) {
  if (!value.is_string()) Fail("\"" + key + "\" must be a text");
  return value.get<std::string>();
}

uint64_t UnsignedField(const json& value, const std::string& key, uint64_t max) {
  if (!value.is_number_unsigned() || value.get<uint64_t>() > max) {
    Fail("\"" + key + "\" must be a whole number from 0 to " + std::to_string(max));
  }
  return value.get<uint64_t>();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::array<uint8_t, 80> SettingsField(const json& value) {
  if (!value.is_string()) Fail("\"settings\" must be a text of 160 hexadecimal digits");
  std::string digits;
  for (char c : value.get<std::string>()) {
    if (c == ' ') continue;  // "10 CA 11 A0 ..." reads as well
    if (HexDigit(c) < 0) Fail("\"settings\" holds a character that is no hexadecimal digit");
    digits.push_back(c);
  }
  if (digits.size() != 160) {
    Fail("\"settings\" must have 160 hexadecimal digits, not " + std::to_string(digits.size()));
  }
  std::array<uint8_t, 80> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<uint8_t>(HexDigit(digits[2 * i]) * 16 + HexDigit(digits[2 * i + 1]));
  }
  return bytes;
}

// "0x1011" (or decimal "4113") as a test code.
uint32_t TestCodeKey(const std::string& key) {
  const bool hex = key.size() > 2 && key[0] == '0' && (key[1] == 'x' || key[1] == 'X');
  const std::string digits = hex ? key.substr(2) : key;
  if (digits.empty() || digits.size() > (hex ? 8u : 10u)) Fail("bad test code \"" + key + "\"");
  uint64_t value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0 || (!hex && d > 9)) Fail("bad test code \"" + key + "\"");
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(d);
  }
  if (value > 0xFFFFFFFFu) Fail("bad test code \"" + key + "\"");
  return static_cast<uint32_t>(value);
}

int32_t StatusField(const json& value) {
  if (value.is_string()) {
    const std::string name = value.get<std::string>();
    if (name == "S_FALSE") return kRecorderFalse;
    if (name == "E_FAIL") return kRecorderFail;
    if (name == "ENODEV") return kRecorderGone;
    Fail("\"status\" names no known status: \"" + name + "\" (S_FALSE, E_FAIL, ENODEV)");
  }
  if (value.is_number_integer()) {
    const int64_t n = value.get<int64_t>();
    if (n >= INT32_MIN && n <= INT32_MAX) return static_cast<int32_t>(n);
    if (n > 0 && n <= 0xFFFFFFFFll) return static_cast<int32_t>(static_cast<uint32_t>(n));
  }
  Fail("\"status\" must be \"S_FALSE\", \"E_FAIL\", \"ENODEV\" or a 32-bit number");
}

FaultPlan::Rule RuleField(const json& value) {
  if (!value.is_object()) Fail("every fault rule must be an object");
  CheckKeys(value,
            {"transfer", "selector", "command", "offset", "isSet", "status", "once", "spent"},
            " in a fault rule");
  FaultPlan::Rule rule;
  if (value.contains("transfer"))
    rule.transfer = UnsignedField(value["transfer"], "transfer", UINT64_MAX);
  if (value.contains("selector"))
    rule.selector = static_cast<uint32_t>(UnsignedField(value["selector"], "selector", UINT32_MAX));
  if (value.contains("command"))
    rule.command = static_cast<uint32_t>(UnsignedField(value["command"], "command", UINT32_MAX));
  if (value.contains("offset"))
    rule.offset = static_cast<uint32_t>(UnsignedField(value["offset"], "offset", UINT32_MAX));
  for (const char* flag : {"isSet", "once", "spent"}) {
    if (value.contains(flag) && !value[flag].is_boolean())
      Fail(std::string("\"") + flag + "\" must be true or false");
  }
  if (value.contains("isSet")) rule.isSet = value["isSet"].get<bool>();
  if (value.contains("status")) rule.status = StatusField(value["status"]);
  if (value.contains("once")) rule.once = value["once"].get<bool>();
  if (value.contains("spent")) rule.spent = value["spent"].get<bool>();
  return rule;
}

FaultPlan FaultsField(const json& value) {
  if (!value.is_object()) Fail("\"faults\" must be an object");
  CheckKeys(value, {"rules", "vanishAfter", "refuseBind"}, " in \"faults\"");
  FaultPlan plan;
  if (value.contains("rules")) {
    if (!value["rules"].is_array()) Fail("\"rules\" must be a list");
    for (const json& rule : value["rules"]) plan.rules.push_back(RuleField(rule));
  }
  if (value.contains("vanishAfter"))
    plan.vanishAfter = UnsignedField(value["vanishAfter"], "vanishAfter", UINT64_MAX);
  if (value.contains("refuseBind")) {
    if (!value["refuseBind"].is_boolean()) Fail("\"refuseBind\" must be true or false");
    plan.refuseBind = value["refuseBind"].get<bool>();
  }
  return plan;
}

RecorderState StateFromObject(const json& root) {
  if (!root.is_object()) Fail("the state must be a JSON object");
  CheckKeys(root,
            {"friendlyName", "serial", "port", "model", "hwVersion", "fwVersion", "fwUpdateName",
             "settings", "testResults", "clock", "commits", "kavrinFlag", "transfers", "faults"},
            "");
  RecorderState state;
  const std::pair<const char*, std::string*> texts[] = {{"friendlyName", &state.friendlyName},
                                                        {"serial", &state.serial},
                                                        {"port", &state.port},
                                                        {"model", &state.model},
                                                        {"hwVersion", &state.hwVersion},
                                                        {"fwVersion", &state.fwVersion},
                                                        {"fwUpdateName", &state.fwUpdateName},
                                                        {"clock", &state.clock}};
  for (const auto& [key, field] : texts) {
    if (root.contains(key)) *field = TextField(root[key], key);
  }
  if (root.contains("settings")) state.settings = SettingsField(root["settings"]);
  if (root.contains("testResults")) {
    const json& results = root["testResults"];
    if (!results.is_object()) Fail("\"testResults\" must be an object such as {\"0x1011\": 1}");
    for (auto it = results.begin(); it != results.end(); ++it) {
      state.testResults[TestCodeKey(it.key())] =
          static_cast<uint32_t>(UnsignedField(it.value(), "testResults", UINT32_MAX));
    }
  }
  if (root.contains("commits")) {
    if (!root["commits"].is_array()) Fail("\"commits\" must be a list");
    for (const json& commit : root["commits"]) {
      state.commits.push_back(static_cast<uint32_t>(UnsignedField(commit, "commits", UINT32_MAX)));
    }
  }
  if (root.contains("kavrinFlag")) {
    if (!root["kavrinFlag"].is_boolean()) Fail("\"kavrinFlag\" must be true or false");
    state.kavrinFlag = root["kavrinFlag"].get<bool>();
  }
  if (root.contains("transfers"))
    state.transfers = UnsignedField(root["transfers"], "transfers", UINT64_MAX);
  if (root.contains("faults")) state.faults = FaultsField(root["faults"]);
  return state;
}

nlohmann::ordered_json StatusJson(int32_t status) {
  if (status == kRecorderFalse) return "S_FALSE";
  if (status == kRecorderFail) return "E_FAIL";
  if (status == kRecorderGone) return "ENODEV";
  return status;
}

std::string HexText(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::string StateToJson(const RecorderState& state) {
  // Written in a reader's order rather than sorted.
  using ordered = nlohmann::ordered_json;
  ordered root = ordered::object();
  root["friendlyName"] = state.friendlyName;
  root["serial"] = state.serial;
  root["port"] = state.port;
  root["model"] = state.model;
  root["hwVersion"] = state.hwVersion;
  root["fwVersion"] = state.fwVersion;
  root["fwUpdateName"] = state.fwUpdateName;
  std::string settings;
  for (uint8_t b : state.settings) settings += HexText(b, 2).substr(2);
  root["settings"] = settings;
  ordered results = ordered::object();
  for (const auto& [code, answer] : state.testResults) results[HexText(code, 4)] = answer;
  root["testResults"] = results;
  root["clock"] = state.clock;
  root["commits"] = state.commits;
  root["kavrinFlag"] = state.kavrinFlag;
  root["transfers"] = state.transfers;
  ordered rules = ordered::array();
  for (const FaultPlan::Rule& rule : state.faults.rules) {
    ordered r = ordered::object();
    if (rule.transfer != 0) r["transfer"] = rule.transfer;
    if (rule.selector) r["selector"] = *rule.selector;
    if (rule.command) r["command"] = *rule.command;
    if (rule.offset) r["offset"] = *rule.offset;
    if (rule.isSet) r["isSet"] = *rule.isSet;
    r["status"] = StatusJson(rule.status);
    r["once"] = rule.once;
    if (rule.spent) r["spent"] = true;
    rules.push_back(r);
  }
  root["faults"] = {{"rules", rules},
                    {"vanishAfter", state.faults.vanishAfter},
                    {"refuseBind", state.faults.refuseBind}};
  // Texts the recorder holds are bytes: invalid UTF-8 is replaced rather than thrown on.
  return root.dump(2, ' ', false, ordered::error_handler_t::replace) + "\n";
}

std::optional<RecorderState> StateFromJson(const std::string& text, std::string* error) {
  try {
    const json root = json::parse(text);
    return StateFromObject(root);
  } catch (const ParseError& e) {
    if (error != nullptr) *error = e.message;
  } catch (const json::exception& e) {
    if (error != nullptr) *error = std::string("not valid JSON: ") + e.what();
  }
  return std::nullopt;
}

std::optional<RecorderState> LoadState(const std::string& path, std::string* error) {
  // Only a regular file of sensible size: a path naming a folder or a device must not hang
  // or exhaust memory.
  std::error_code ec;
  const bool regular = std::filesystem::is_regular_file(path, ec);
  if (regular && std::filesystem::file_size(path, ec) > kMaxStateFileSize) {
    if (error != nullptr) *error = path + ": larger than a state file can be";
    return std::nullopt;
  }
  const std::optional<std::vector<uint8_t>> bytes = regular ? ReadWholeFile(path) : std::nullopt;
  if (!bytes) {
    if (error != nullptr) *error = "cannot read " + path;
    return std::nullopt;
  }
  std::string detail;
  std::optional<RecorderState> state =
      StateFromJson(std::string(bytes->begin(), bytes->end()), &detail);
  if (!state && error != nullptr) *error = path + ": " + detail;
  return state;
}

namespace {

// The state written to a new file beside the target; its path, or empty when it could not be
// written.
std::filesystem::path WriteBeside(const std::filesystem::path& target, const RecorderState& state) {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path temp =
      target.parent_path() / ("." + target.filename().string() + ".tmp" +
                              std::to_string(ProcessToken()) + "-" + std::to_string(counter++));
  const std::string text = StateToJson(state);
  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (out) return temp;
  std::error_code ec;
  std::filesystem::remove(temp, ec);
  return {};
}

// Windows refuses to replace a file another program has open at that moment (a reader
// listing the recorders, a virus scanner); that passes within moments, so a few more tries
// are made before the save fails.
template <typename Move>
bool MoveWithRetries(const std::filesystem::path& temp, const Move& move) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (move()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::error_code ec;
  std::filesystem::remove(temp, ec);
  return false;
}

}  // namespace

bool SaveState(const std::string& path, const RecorderState& state) {
  // A new file renamed over the old one: a reader sees the old state or the new, never half
  // of one. No fsync: the file is rewritten after every transfer, and a simulated recorder
  // need not survive a power cut.
  const std::filesystem::path temp = WriteBeside(path, state);
  if (temp.empty()) return false;
  return MoveWithRetries(temp, [&] {
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    return !ec;
  });
}

SaveOutcome SaveStateOver(const std::string& path, const RecorderState& state,
                          const FileIdentity& expected) {
  const std::filesystem::path temp = WriteBeside(path, state);
  if (temp.empty()) return SaveOutcome::kFailed;
  // Only over the file that was read: a recorder unplugged meanwhile (its file removed) must
  // not come back, and a file put there meanwhile is the user's.
  bool gone = false;
  const bool moved = MoveWithRetries(temp, [&] {
    const FileOutcome outcome = ReplaceIfStill(temp, path, expected);
    gone = outcome.fault == FileFault::Missing;
    return outcome.Ok() || gone;
  });
  if (gone) {
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    return SaveOutcome::kGone;
  }
  return moved ? SaveOutcome::kSaved : SaveOutcome::kFailed;
}

}  // namespace kavrin::sim
