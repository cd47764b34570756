#include "cli/unit_runner.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "cli/recorder_address.h"

namespace kavrin::cli {

void RunTally::Count(const UnitResult& result) {
  if (result.ok) {
    ++succeeded;
    return;
  }
  ++failed;
  ++byReason[std::string(ReasonCode(result.reason))];
}

void RunTally::Add(const RunTally& other) {
  succeeded += other.succeeded;
  failed += other.failed;
  for (const auto& [reason, units] : other.byReason) byReason[reason] += units;
}

RunTally RunUnits(const std::vector<DeviceRow>& units, const BackendFactory& makeBackend,
                  const UnitOperation& operation,
                  const std::function<void(const UnitResult&)>& finished) {
  RunTally tally;
  std::mutex mutex;
  auto runOne = [&](std::size_t index) {
    TimeSpan span;
    const std::unique_ptr<VideoInputBackend> backend = makeBackend();
    UnitResult result = operation(units[index], index, *backend);
    span.Finish();
    result.span = span;
    std::lock_guard<std::mutex> lock(mutex);
    tally.Count(result);
    finished(result);
  };
  if (units.size() == 1) {
    runOne(0);
    return tally;
  }
  std::vector<std::thread> threads;
  threads.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) threads.emplace_back(runOne, i);
  for (std::thread& thread : threads) thread.join();
  return tally;
}

Json UnitJson(const std::string& command, const UnitResult& result) {
  Json document = DocumentHead(command, result.ok);
  document["device"] = DeviceJson(result.device);
  if (!result.ok) AddFailure(document, result.reason, result.message);
  MergeFields(document, result.fields);
  return document;
}

void ReportSingle(Reporter& reporter, const UnitResult& result) {
  if (reporter.JsonOutput()) {
    reporter.Document(UnitJson(reporter.Command(), result));
    if (!result.ok) reporter.Note(result.message);
    return;
  }
  if (!result.text.empty()) reporter.Text(result.text);
  if (!result.ok) reporter.Note(result.message);
}

namespace {

// "FAIL  /dev/video3 (serial C)  engine-test-ng: refused: ..." on one line.
std::string FailLine(const UnitResult& result) {
  std::string line = "FAIL  " + AddressText(result.device) + "  " +
                     std::string(ReasonCode(result.reason)) + ": " + result.message;
  std::replace(line.begin(), line.end(), '\n', ' ');
  return line;
}

}  // namespace

void ReportUnit(Reporter& reporter, const UnitResult& result, const Json& document) {
  if (reporter.JsonOutput()) {
    reporter.Document(document.is_object() ? document : UnitJson(reporter.Command(), result));
    // stdout stays JSON lines; the reason is on stderr for people, as for one recorder.
    if (!result.ok) reporter.Note(FailLine(result));
    return;
  }
  std::string text = result.ok ? "OK    " + AddressText(result.device) : FailLine(result);
  if (result.ok && !result.summary.empty()) text += "  " + result.summary;
  text += '\n';
  std::size_t start = 0;
  while (start < result.detail.size()) {
    const std::size_t end = result.detail.find('\n', start);
    const std::size_t stop = end == std::string::npos ? result.detail.size() : end;
    text += "      " + result.detail.substr(start, stop - start) + "\n";
    start = stop + 1;
  }
  reporter.Text(text);
}

Json TallyJson(const RunTally& tally) {
  Json byReason = Json::object();
  for (const auto& [reason, units] : tally.byReason) byReason[reason] = units;
  return {{"units", tally.Units()},
          {"succeeded", tally.succeeded},
          {"failed", tally.failed},
          {"byReason", std::move(byReason)}};
}

Json SummaryJson(const std::string& command, const RunTally& tally, const Json& extra) {
  Json document = DocumentHead(command, tally.failed == 0);
  document["summary"] = TallyJson(tally);
  MergeFields(document, extra);
  return document;
}

void ReportSummary(Reporter& reporter, const RunTally& tally, const Json& extra) {
  ReportSummaryDocument(reporter, tally, SummaryJson(reporter.Command(), tally, extra));
}

void ReportSummaryDocument(Reporter& reporter, const RunTally& tally, const Json& document) {
  if (reporter.JsonOutput()) {
    reporter.Document(document);
    return;
  }
  reporter.Text(std::to_string(tally.Units()) +
                (tally.Units() == 1 ? " recorder: " : " recorders: ") +
                std::to_string(tally.succeeded) + " succeeded, " + std::to_string(tally.failed) +
                " failed\n");
}

}  // namespace kavrin::cli
