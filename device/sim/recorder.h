#pragma once
// The recorder's side of the extension-unit protocol: the simulated recorder of the tests and
// `make demo`, and the logic of the emulated USB camera in the virtual-machine test.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/file_io.h"

namespace kavrin::sim {

// Statuses the recorder answers with: the platform's meanings (0 = S_OK).
inline constexpr int32_t kRecorderOk = 0;
inline constexpr int32_t kRecorderFalse = 1;                                // S_FALSE
inline constexpr int32_t kRecorderFail = static_cast<int32_t>(0x80004005);  // E_FAIL
inline constexpr int32_t kRecorderGone = -19;                               // -ENODEV

// Faults to inject, counted over all transfers (1-based) since the state was created.
struct FaultPlan {
  // A rule fires on a transfer that meets every condition it names; see docs/simulator.md.
  struct Rule {
    uint64_t transfer = 0;             // the Nth transfer overall; 0 = any
    std::optional<uint32_t> selector;  // only on this selector
    std::optional<uint32_t> command;   // only on requests carrying this command
    std::optional<uint32_t> offset;    // only on requests carrying this offset (chunk, test code)
    std::optional<bool> isSet;         // only SETs (true) or GETs (false)
    int32_t status = kRecorderFail;    // status returned instead of S_OK
    bool once = true;                  // fires once, then is spent
    bool spent = false;
  };
  std::vector<Rule> rules;
  uint64_t vanishAfter = 0;  // the device disappears after this many transfers; 0 = never
  bool refuseBind = false;   // the device is listed but cannot be opened (bound)
};

struct RecorderState {
  std::string friendlyName = "ZK742";
  // Where the recorder sits among several: its USB serial string and port path ("1-2.3").
  // Without a serial, the state file's name (without ".json") stands for it.
  std::string serial;
  std::string port;
  std::string model = "ZK742";
  std::string hwVersion = "HW 1.0";
  std::string fwVersion = "FW 1.0";
  std::string fwUpdateName = "";
  std::array<uint8_t, 80> settings{};
  std::map<uint32_t, uint32_t> testResults;  // test code -> answer; absent answers 1
  std::string clock;                         // "YYYY-MM-DDTHH:MM:SS", empty until set
  std::vector<uint32_t> commits;
  bool kavrinFlag = false;  // set by a commit with value 1
  uint64_t transfers = 0;
  FaultPlan faults;
};

// Interprets transfers against a state. A SET on 17 is a request: a chunk write is staged at
// its offset, a read chunk, a string or an engine-test answer becomes the next GET's reply,
// command 10 sets the clock. A SET on 18 commits the staged data with its value. Requests
// that make no sense to a recorder fail.
class Recorder {
 public:
  static constexpr uint32_t kSelectorCommand = 17;
  static constexpr uint32_t kSelectorCommit = 18;

  explicit Recorder(RecorderState& state) : state_(state) {}
  // Returns the transfer status (0 = S_OK). `data` is 64 bytes. A transfer is counted in
  // state.transfers unless the device has vanished.
  int32_t HandleTransfer(uint32_t selector, bool isSet, std::span<uint8_t, 64> data);
  // True once the device has vanished (fault plan).
  bool Vanished() const;

 private:
  int32_t HandleRequest(std::span<const uint8_t, 64> packet);
  int32_t HandleCommit(std::span<const uint8_t, 64> packet);
  // The status of a fault rule that fires on this transfer, if any.
  std::optional<int32_t> InjectedFault(uint32_t selector, bool isSet,
                                       std::span<const uint8_t, 64> data);
  void PrepareReply(std::span<const uint8_t> bytes);

  RecorderState& state_;
  std::array<uint8_t, 80> staged_{};
  bool stagedValid_ = false;
  std::array<uint8_t, 64> reply_{};
  bool replyReady_ = false;
  uint32_t replyCommand_ = 0;  // the command whose answer reply_ holds
  uint32_t replyOffset_ = 0;
};

// JSON state file (docs/simulator.md). Load gives nullopt for an unreadable or malformed
// file; Save writes atomically (temporary file renamed over the target).
std::optional<RecorderState> LoadState(const std::string& path, std::string* error = nullptr);
bool SaveState(const std::string& path, const RecorderState& state);
// Saves over the file that was read, identified before reading: kGone when the path no longer
// names it (removed: the recorder was unplugged; or replaced by the user), and nothing is
// written then.
enum class SaveOutcome { kSaved, kGone, kFailed };
SaveOutcome SaveStateOver(const std::string& path, const RecorderState& state,
                          const FileIdentity& expected);
std::string StateToJson(const RecorderState& state);
std::optional<RecorderState> StateFromJson(const std::string& json, std::string* error = nullptr);

}  // namespace kavrin::sim
