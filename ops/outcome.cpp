#include "ops/outcome.h"

namespace kavrin::ops {

Reason ReasonOf(FailureReason reason) {
  switch (reason) {
    case FailureReason::kNone:
      return Reason::kNone;
    case FailureReason::kNotAttached:
      return Reason::kNotAttached;
    case FailureReason::kUnavailable:
      return Reason::kUnavailable;
    case FailureReason::kBusy:
      return Reason::kBusy;
    case FailureReason::kRefused:
      return Reason::kRefused;
    case FailureReason::kShortReply:
      return Reason::kShortReply;
    case FailureReason::kTimedOut:
      return Reason::kTimedOut;
  }
  return Reason::kRefused;
}

std::string Outcome::ReasonCode() const {
  switch (reason) {
    case Reason::kNone:
      return "";
    case Reason::kNotAttached:
      return "not-attached";
    case Reason::kUnavailable:
      return "unavailable";
    case Reason::kBusy:
      return "busy";
    case Reason::kRefused:
      return "refused";
    case Reason::kShortReply:
      return "short-reply";
    case Reason::kTimedOut:
      return "timed-out";
    case Reason::kEngineTestNg:
      return "engine-test-ng";
    case Reason::kVerifyMismatch:
      return "verify-mismatch";
  }
  return "";
}

std::string Outcome::StepText() const {
  const std::string named = subject.empty() ? std::string() : " \"" + subject + "\"";
  switch (step) {
    case Step::kNone:
      return "";
    case Step::kAttach:
      return "attach";
    case Step::kInformation:
      return "information" + named;
    case Step::kEngineTest:
      return "engine test" + named;
    case Step::kClock:
      return "clock";
    case Step::kSettings:
      return index > 0 ? "settings chunk " + std::to_string(index) : "settings";
    case Step::kCommit:
      return "commit";
    case Step::kRead:
      return index > 0 ? "read chunk " + std::to_string(index) : "read";
    case Step::kVerify:
      return "verify";
  }
  return "";
}

bool Outcome::TransferFailed() const {
  return !Ok() && reason != Reason::kEngineTestNg && reason != Reason::kVerifyMismatch;
}

Outcome Outcome::OfCommand(Step step, const CommandFailure& failure, uint32_t index,
                           std::string subject) {
  Outcome outcome;
  if (!failure.Failed()) return outcome;
  outcome.step = step;
  outcome.reason = ReasonOf(failure.reason);
  outcome.status = failure.status;
  outcome.detail = failure.detail;
  outcome.subject = std::move(subject);
  outcome.index = index;
  // A write that failed at its commit failed at the commit, not at a chunk.
  if (step == Step::kSettings && failure.transfer == FailedTransfer::kCommit) {
    outcome.step = Step::kCommit;
    outcome.index = 0;
  } else if ((step == Step::kSettings || step == Step::kRead) && failure.chunk > 0) {
    outcome.index = failure.chunk;
  }
  return outcome;
}

}  // namespace kavrin::ops
