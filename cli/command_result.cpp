#include "cli/command_result.h"

namespace kavrin::cli {

std::string_view ReasonCode(Reason reason) {
  switch (reason) {
    case Reason::kNone:
      return "";
    case Reason::kUsage:
      return "usage";
    case Reason::kCodePage:
      return "code-page";
    case Reason::kConfigUnreadable:
      return "config-unreadable";
    case Reason::kConfigFindings:
      return "config-findings";
    case Reason::kBlockFile:
      return "block-file";
    case Reason::kOutputUnwritable:
      return "output-unwritable";
    case Reason::kInvalidSetting:
      return "invalid-setting";
    case Reason::kInvalidLogo:
      return "invalid-logo";
    case Reason::kInvalidClock:
      return "invalid-clock";
    case Reason::kNoRecorder:
      return "no-recorder";
    case Reason::kNoSuchDevice:
      return "no-such-device";
    case Reason::kNotARecorder:
      return "not-a-recorder";
    case Reason::kAmbiguous:
      return "ambiguous";
    case Reason::kPermission:
      return "permission";
    case Reason::kUnavailable:
      return "unavailable";
    case Reason::kBusy:
      return "busy";
    case Reason::kEngineTestNg:
      return "engine-test-ng";
    case Reason::kTransferFailed:
      return "transfer-failed";
    case Reason::kVerifyMismatch:
      return "verify-mismatch";
    case Reason::kLogUnwritable:
      return "log-unwritable";
    case Reason::kLogUnreadable:
      return "log-unreadable";
  }
  return "failed";
}

Json DocumentHead(std::string_view command, bool ok) {
  Json document = Json::object();
  document["schema"] = kJsonSchema;
  document["command"] = std::string(command);
  document["ok"] = ok;
  return document;
}

void MergeFields(Json& into, const Json& from) {
  if (!from.is_object()) return;
  for (auto it = from.begin(); it != from.end(); ++it) into[it.key()] = it.value();
}

void AddFailure(Json& document, Reason reason, const std::string& message) {
  document["ok"] = false;
  document["reason"] = std::string(ReasonCode(reason));
  document["message"] = message;
}

int Reporter::Fail(Reason reason, const std::string& message, int exitCode, const Json& extra) {
  Note(message);
  if (json_) {
    Json document = DocumentHead(command_, false);
    AddFailure(document, reason, message);
    MergeFields(document, extra);
    Document(document);
  }
  return exitCode;
}

void Reporter::Document(const Json& document) {
  // Texts from recorders and files are bytes: invalid UTF-8 is replaced, never thrown on.
  const std::string line = document.dump(-1, ' ', false, Json::error_handler_t::replace);
  std::lock_guard<std::mutex> lock(mutex_);
  out_ << line << '\n';
  out_.flush();
}

void Reporter::Text(std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  out_ << text;
  out_.flush();
}

bool Reporter::OutputLost() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !out_.good();
}

void Reporter::Note(std::string_view note) {
  std::lock_guard<std::mutex> lock(mutex_);
  err_ << "kavrin: " << note << '\n';
  err_.flush();
}

}  // namespace kavrin::cli
