#pragma once
// What every kavrin command reports, and how: the stable reason codes a script tests, the
// JSON document each command prints with --json, and one output that several unit threads
// may share.
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>

namespace kavrin::cli {

using Json = nlohmann::ordered_json;

// The version of the JSON documents' shape (docs/cli.md). It changes when a field changes
// meaning or goes away; new fields may appear without a change.
inline constexpr int kJsonSchema = 1;

// Why a command or a unit failed. Codes are stable: scripts test them.
enum class Reason {
  kNone,
  kUsage,             // "usage": the command line cannot be run as written
  kCodePage,          // "code-page": KAVRIN_CODEPAGE names no code page the system has
  kConfigUnreadable,  // "config-unreadable"
  kConfigFindings,    // "config-findings": config --check found something
  kBlockFile,         // "block-file": the block file cannot be read or is not 112 bytes
  kOutputUnwritable,  // "output-unwritable": a file to write cannot be written
  kInvalidSetting,    // "invalid-setting": --set names no item or no option text
  kInvalidLogo,       // "invalid-logo": --logo does not fit or cannot be encoded
  kInvalidClock,      // "invalid-clock"
  kNoRecorder,        // "no-recorder": no usable recorder is present
  kNoSuchDevice,      // "no-such-device": --device names nothing present
  kNotARecorder,      // "not-a-recorder": --device names a video input that is no recorder
  kAmbiguous,         // "ambiguous": several recorders and a command that writes
  kPermission,        // "permission": the recorder may not be opened
  kUnavailable,       // "unavailable": a listed recorder could not be opened (gone)
  kBusy,              // "busy": another program held the recorder for the whole wait
  kEngineTestNg,      // "engine-test-ng"
  kTransferFailed,    // "transfer-failed"
  kVerifyMismatch,    // "verify-mismatch"
  kLogUnwritable,     // "log-unwritable": the station's log cannot be appended to
  kLogUnreadable,     // "log-unreadable": a log given to report cannot be read
};
// The last code, for whatever lists them all (the manual page's check).
inline constexpr Reason kLastReason = Reason::kLogUnreadable;

std::string_view ReasonCode(Reason reason);

// {"schema", "command", "ok"}: the head of every document.
Json DocumentHead(std::string_view command, bool ok);
// Adds every field of `from` (an object) to `into`, replacing fields of the same name.
void MergeFields(Json& into, const Json& from);
// Adds "reason" and "message" to a failed document.
void AddFailure(Json& document, Reason reason, const std::string& message);

// The output of one command. Text goes to `out`, reasons to `err` as "kavrin: ...", JSON
// documents to `out` one per line (a document per command, or one per unit and a summary).
// Safe to use from several threads: each call prints whole.
class Reporter {
 public:
  Reporter(std::string command, bool json, std::ostream& out, std::ostream& err)
      : command_(std::move(command)), json_(json), out_(out), err_(err) {}

  const std::string& Command() const { return command_; }
  bool JsonOutput() const { return json_; }

  // A refusal or failure of the whole command: the message on stderr and, with --json, a
  // document that carries the reason and `extra`'s fields. Returns exitCode.
  int Fail(Reason reason, const std::string& message, int exitCode, const Json& extra = {});
  // One JSON document on one line.
  void Document(const Json& document);
  // Text on stdout, as it is (text mode only).
  void Text(std::string_view text);
  // "kavrin: " + note on stderr, whatever the mode.
  void Note(std::string_view note);
  // True once something written to stdout did not get there (its reader gone, a full disk).
  bool OutputLost();

 private:
  std::string command_;
  bool json_;
  std::ostream& out_;
  std::ostream& err_;
  std::mutex mutex_;
};

}  // namespace kavrin::cli
