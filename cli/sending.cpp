#include "cli/sending.h"

#include <sstream>

#include "cli/block_report.h"
#include "cli/clock_choice.h"
#include "cli/printable_text.h"
#include "cli/recorder_address.h"
#include "cli/settings_source.h"
#include "config/text_codec.h"

namespace kavrin::cli {

Sending KavrinSending(const KavrinPlan& plan) {
  Sending sending;
  sending.clock = plan.clock.Time();
  sending.block = plan.block;
  sending.source = plan.source;
  sending.commit = plan.setKavrinFlag ? 1 : 2;
  return sending;
}

Sending WriteSending(const WritePlan& plan) {
  Sending sending;
  sending.block = plan.block;
  sending.source = plan.source;
  sending.sourceField = "file";
  sending.commit = 1;  // the window's Write button
  return sending;
}

Json SendingJson(const ConfigFile& config, const Sending& sending, const Delivery* delivery) {
  Json fields = Json::object();
  if (sending.clock) {
    fields["clock"] = ClockText(*sending.clock);
    if (delivery) fields["clockSet"] = delivery->clockSet;
  }
  fields[sending.sourceField] = sending.source;
  fields["settings"] = DeviceAreaHex(sending.block, "");
  MergeFields(fields, BlockSettingsJson(config, sending.block));
  if (delivery) fields["written"] = delivery->written;
  // The fingerprint of the bytes this recorder was sent and committed (none when they were
  // not), or would be sent.
  const bool committed = delivery == nullptr || delivery->written;
  fields["settingsSha256"] = committed ? Json(DeviceAreaSha256(sending.block)) : Json();
  fields["commit"] = sending.commit;
  if (!delivery) {
    fields["dryRun"] = true;
    fields["sent"] = false;
  }
  return fields;
}

std::string SendingText(const ConfigFile& config, const Sending& sending,
                        const Delivery* delivery) {
  std::ostringstream text;
  if (sending.clock) {
    text << "Clock:    " << ClockText(*sending.clock)
         << (delivery && !delivery->clockSet ? "  (failed)" : "") << '\n';
  }
  text << "Settings: " << DeviceAreaHex(sending.block, " ") << "\n          from " << sending.source
       << "\nCommit:   " << sending.commit
       << (delivery && !delivery->written ? "  (not committed)" : "") << '\n';
  if (!delivery) PrintBlockSettings(config, sending.block, text);
  return text.str();
}

std::string RecorderLine(const VideoInput& input) {
  return "Recorder: \"" + PrintableText(ToUtf8(input.friendlyName)) + "\" " + AddressText(input) +
         "\n";
}

UnitResult PlanOn(const DeviceRow& unit, const ConfigFile& config, const Sending& sending) {
  UnitResult result;
  result.device = unit.input;
  result.fields = SendingJson(config, sending, nullptr);
  result.detail = SendingText(config, sending, nullptr);
  result.text = RecorderLine(unit.input) + result.detail + "Dry run: nothing was sent\n";
  result.summary = "would send " +
                   (sending.clock ? "clock " + ClockText(*sending.clock) + ", " : std::string()) +
                   "commit " + std::to_string(sending.commit) + "; nothing sent";
  return result;
}

}  // namespace kavrin::cli
