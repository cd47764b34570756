#include "cli/unit_runner.h"

#include <mutex>
#include <thread>

#include "cli/recorder_address.h"

namespace kavrin::cli {

RunTally RunUnits(const std::vector<DeviceRow>& units, const BackendFactory& makeBackend,
                  const UnitOperation& operation,
                  const std::function<void(const UnitResult&)>& finished) {
  RunTally tally;
  std::mutex mutex;
  auto runOne = [&](std::size_t index) {
    const std::unique_ptr<VideoInputBackend> backend = makeBackend();
    UnitResult result = operation(units[index], index, *backend);
    std::lock_guard<std::mutex> lock(mutex);
    ++(result.ok ? tally.succeeded : tally.failed);
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

void ReportUnit(Reporter& reporter, const UnitResult& result) {
  if (reporter.JsonOutput()) {
    reporter.Document(UnitJson(reporter.Command(), result));
    return;
  }
  std::string text = (result.ok ? "OK    " : "FAIL  ") + AddressText(result.device);
  if (result.ok) {
    if (!result.summary.empty()) text += "  " + result.summary;
  } else {
    text += "  " + std::string(ReasonCode(result.reason)) + ": " + result.message;
  }
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

Json SummaryJson(const std::string& command, const RunTally& tally, const Json& extra) {
  Json document = DocumentHead(command, tally.failed == 0);
  document["summary"] = {
      {"units", tally.Units()}, {"succeeded", tally.succeeded}, {"failed", tally.failed}};
  MergeFields(document, extra);
  return document;
}

void ReportSummary(Reporter& reporter, const RunTally& tally, const Json& extra) {
  if (reporter.JsonOutput()) {
    reporter.Document(SummaryJson(reporter.Command(), tally, extra));
    return;
  }
  reporter.Text(std::to_string(tally.Units()) + (tally.Units() == 1 ? " recorder: " : " recorders: ") +
                std::to_string(tally.succeeded) + " succeeded, " + std::to_string(tally.failed) +
                " failed\n");
}

}  // namespace kavrin::cli
