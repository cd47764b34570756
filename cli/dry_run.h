#pragma once
// --dry-run of `kavrin kavrin`, `kavrin write` and `kavrin station`: everything up to the
// choice of recorders happens as in a real run (configuration, block, --set/--logo/--clock,
// -d/--all, the refusal to guess), then each chosen recorder's plan is printed, and nothing
// is sent to any: no engine test, no lock, no transfer at all.
#include <functional>
#include <vector>

#include "cli/device_command.h"
#include "cli/recorder_address.h"
#include "cli/sending.h"

namespace kavrin::cli {

// What a unit would be sent, taken when its turn comes (the clock is resolved then).
using SendingSource = std::function<Sending()>;

// The plan for every selected recorder, as the real run reports its units. The exit status:
// 0, since a real run would be attempted.
int RunDryRun(DeviceCommand& command, const Selection& selection, bool many,
              const SendingSource& sending);

// kavrin --dry-run: the settings' source and differences first, as a real batch says them,
// then RunDryRun.
int RunKavrinDryRun(DeviceCommand& command, const KavrinPlan& plan, const Selection& selection,
                    bool many);

// station --dry-run: the plan for the recorders present now that -d lets in (or the plan
// alone when none is), then the summary; it does not wait for more.
int RunStationDryRun(DeviceCommand& command, const KavrinPlan& plan,
                     const std::vector<DeviceSelector>& selectors);

}  // namespace kavrin::cli
