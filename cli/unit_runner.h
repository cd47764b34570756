#pragma once
// Runs one operation on several recorders at once, one thread per recorder, and reports each
// result as it finishes. Nothing is shared between the threads but the configuration, the
// prepared plan (both read-only) and the reporter: each recorder has its own backend, link
// and device lock.
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/command_result.h"
#include "cli/device_report.h"
#include "cli/unit_operations.h"
#include "device/video_input.h"

namespace kavrin::cli {

using BackendFactory = std::function<std::unique_ptr<VideoInputBackend>()>;
using UnitOperation =
    std::function<UnitResult(const DeviceRow& unit, std::size_t index, VideoInputBackend& backend)>;

struct RunTally {
  std::size_t succeeded = 0;
  std::size_t failed = 0;
  std::map<std::string, std::size_t> byReason;  // failures by reason code
  std::size_t Units() const { return succeeded + failed; }
  void Count(const UnitResult& result);
  void Add(const RunTally& other);
};

// `finished` is called once per unit, never by two threads at a time; each result carries
// the span of its operation.
RunTally RunUnits(const std::vector<DeviceRow>& units, const BackendFactory& makeBackend,
                  const UnitOperation& operation,
                  const std::function<void(const UnitResult&)>& finished);

// One unit's JSON object: the document head, its device, the fields, and reason and message
// on failure.
Json UnitJson(const std::string& command, const UnitResult& result);
// The result of a command on one recorder: its text on stdout and its reason on stderr, or
// its document.
void ReportSingle(Reporter& reporter, const UnitResult& result);
// One unit among several: "OK    /dev/video2 (serial A)  clock ..., commit 2", or "FAIL ...
// reason: message", then any detail lines indented; or its JSON line (`document`, else
// UnitJson), and for a failure the FAIL line on stderr, as people read it there in every
// mode.
void ReportUnit(Reporter& reporter, const UnitResult& result, const Json& document = {});
// {"units", "succeeded", "failed", "byReason"}
Json TallyJson(const RunTally& tally);
// {"summary": TallyJson} after the document head, and `extra`'s fields.
Json SummaryJson(const std::string& command, const RunTally& tally, const Json& extra = {});
// "3 recorders: 2 succeeded, 1 failed", or its JSON line (`document`, else SummaryJson).
void ReportSummary(Reporter& reporter, const RunTally& tally, const Json& extra = {});
void ReportSummaryDocument(Reporter& reporter, const RunTally& tally, const Json& document);

}  // namespace kavrin::cli
