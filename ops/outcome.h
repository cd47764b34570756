#pragma once
// The outcome of one operation on the recorder: success, or the step that failed and why.
// The window and the command line both judge and report an operation from this alone.
#include <cstdint>
#include <string>

#include "device/device_link.h"

namespace kavrin::ops {

// The steps of the operations, in the order they run.
enum class Step : uint8_t {
  kNone,
  kAttach,       // finding and opening the recorder
  kInformation,  // an information row's query (index: the row)
  kEngineTest,   // an engine test (index: the test), or the verdicts that gate writing
  kClock,        // setting the recorder's clock
  kSettings,     // a settings chunk (index: the chunk, from 1)
  kCommit,       // the commit after the chunks
  kRead,         // reading the settings (index: the chunk, from 1)
  kVerify,       // reading them back after a write, and comparing
};

// Why a step failed: a transfer's reason, or the recorder's own verdict.
enum class Reason : uint8_t {
  kNone,
  kNotAttached,     // no recorder was attached: nothing was sent
  kUnavailable,     // the recorder is gone
  kBusy,            // another program held it for the whole wait: nothing was sent
  kRefused,         // it or its driver refused a transfer
  kShortReply,      // a reply was shorter than the packet
  kTimedOut,        // it did not answer within the driver's time
  kEngineTestNg,    // the recorder itself answered NG to an engine test
  kVerifyMismatch,  // it holds other settings than were written
};

struct [[nodiscard]] Outcome {
  Step step = Step::kNone;
  Reason reason = Reason::kNone;
  uint32_t index = 0;   // which row, test or chunk the step is (see Step)
  std::string subject;  // the row's or test's title (UTF-8), where the step has one
  int32_t status = 0;   // the platform's status of the failed transfer, 0 when none
  std::string detail;   // what more is known (why the recorder's lock cannot be had), or empty

  bool Ok() const { return reason == Reason::kNone; }
  // The reason as a word for scripts: "unavailable", "busy", "refused", "short-reply",
  // "timed-out", "not-attached", "engine-test-ng", "verify-mismatch"; "" on success.
  std::string ReasonCode() const;
  // The step in a few words: "clock", "settings chunk 2", "commit", "engine test \"RTC\"".
  std::string StepText() const;
  // Whether the failure lies with the transfer, not with a verdict of the recorder.
  bool TransferFailed() const;

  static Outcome Success() { return {}; }
  // The step failed as the link's last command did.
  static Outcome OfCommand(Step step, const CommandFailure& failure, uint32_t index = 0,
                           std::string subject = {});
};

Reason ReasonOf(FailureReason reason);

}  // namespace kavrin::ops
