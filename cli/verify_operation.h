#pragma once
// `kavrin verify FILE`: the audit of a finished unit. It reads the recorder's settings and
// compares them item by item with what the block file would put there, sending nothing that
// changes the recorder.
#include <optional>
#include <string>
#include <vector>

#include "block/settings_block.h"
#include "cli/device_report.h"
#include "cli/unit_operations.h"
#include "config/config_file.h"

namespace kavrin::cli {

struct VerifyPlan {
  SettingsBlock expected;  // the file as it would be sent (ops::NormalizeForSending)
  std::string source;      // the file's name, for the report
};

// One place where the recorder holds something else than the file would put there: an item,
// the logo, or a word's bits that no item and no logo covers.
struct SettingDifference {
  std::string title;
  // The option texts (the logo's text); none where the value names no option.
  std::optional<std::string> expected;
  std::optional<std::string> found;
  // The field's values (the words' for bits outside the items); none for the logo.
  std::optional<uint32_t> expectedValue;
  std::optional<uint32_t> foundValue;
};

// Every difference in the device area, in the configuration's order: the items, the logo,
// then the words with other bits that differ.
std::vector<SettingDifference> CompareSettings(const ConfigFile& config,
                                               const SettingsBlock& expected,
                                               const SettingsBlock& found);

// Reads the settings under one hold and compares them. Fails verify-mismatch listing the
// differences, or with the read's own reason when the recorder could not be read.
UnitResult RunVerifyOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config,
                       const VerifyPlan& plan);

}  // namespace kavrin::cli
