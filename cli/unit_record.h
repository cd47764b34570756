#pragma once
// What a line's record says of the recorder itself: its model, hardware and firmware as it
// answered the configuration's information rows, so that "which firmware did unit SN have
// when it was programmed?" has an answer in the log.
#include <vector>

#include "cli/command_result.h"
#include "ops/recorder_operations.h"

namespace kavrin::cli {

// {"model", "hardware", "firmware", "information": [{"title", "value", "answered"}]}: the
// first three are the rows whose CMD_ID is MODEL_NAME, HW_VERSION and FW_VERSION, as
// answered; an empty text where the configuration has no such row or the recorder did not
// answer it.
Json UnitInformationJson(const std::vector<ops::InfoRow>& rows);

}  // namespace kavrin::cli
