#pragma once
// Which recorders a device command acts on: the one `-d` names, several `-d`, every recorder
// with `--all`, or, with none of these, the only one present. A command that writes never
// guesses between several; one that only reads takes the first, the one the window would attach.
#include <string>
#include <vector>

#include "cli/command_result.h"
#include "cli/device_report.h"
#include "cli/recorder_address.h"

namespace kavrin::cli {

struct SelectionRequest {
  std::vector<DeviceSelector> selectors;
  bool all = false;
  bool writes = false;
  // One result per unit and a summary: --all, or more than one --device.
  bool Many() const { return all || selectors.size() > 1; }
};

struct Selection {
  std::vector<DeviceRow> units;  // in the platform's order
  Reason failure = Reason::kNone;
  std::string message;  // why nothing was selected
  Json details;         // {"candidates": [...]} for an ambiguity
  std::string note;     // which one a read-only command took among several
  bool Selected() const { return failure == Reason::kNone; }
};

Selection SelectRecorders(const DeviceListing& listing, const ConfigFile& config,
                          const SelectionRequest& request);

}  // namespace kavrin::cli
