#include "cli/verify_operation.h"

#include "cli/attached_unit.h"
#include "cli/printable_text.h"
#include "cli/sending.h"
#include "config/text_codec.h"
#include "device/device_link.h"
#include "ops/recorder_operations.h"
#include "ops/settings_rules.h"

namespace kavrin::cli {
namespace {

std::optional<std::string> OptionText(const SettingItem& item, uint32_t value) {
  const int index = ops::ListIndexOf(item, value);
  if (index < 0) return std::nullopt;
  return ToUtf8(item.options[static_cast<std::size_t>(index)]);
}

// The logo field as `block` holds it put into `into`, by the block's own rules for the field.
void CopyLogoField(const LogoPanel& logo, const SettingsBlock& block, SettingsBlock& into) {
  const std::string field = block.GetText(logo.startWord, logo.wordLength);
  into.SetText(logo.startWord, logo.wordLength, field.c_str());
}

bool SameDeviceArea(const SettingsBlock& a, const SettingsBlock& b) {
  return std::equal(a.DeviceArea().begin(), a.DeviceArea().end(), b.DeviceArea().begin());
}

// "\"Day\"", or "value 7 (no option)".
std::string Shown(const std::optional<std::string>& text, const std::optional<uint32_t>& value) {
  if (text) return "\"" + PrintableText(*text) + "\"";
  if (value) return "value " + std::to_string(*value) + " (no option)";
  return "nothing";
}

std::string DifferenceLine(const SettingDifference& d) {
  std::string line = d.title + ": expected " + Shown(d.expected, d.expectedValue) + ", found " +
                     Shown(d.found, d.foundValue);
  // The logo's text alike, its field not: bytes after the text's end.
  if (!d.expectedValue && d.expected == d.found) line += " (other bytes after the text)";
  return line;
}

Json DifferenceJson(const SettingDifference& d) {
  Json entry;
  entry["title"] = d.title;
  entry["expected"] = d.expected ? Json(*d.expected) : Json();
  entry["found"] = d.found ? Json(*d.found) : Json();
  if (d.expectedValue) entry["expectedValue"] = *d.expectedValue;
  if (d.foundValue) entry["foundValue"] = *d.foundValue;
  return entry;
}

}  // namespace

std::vector<SettingDifference> CompareSettings(const ConfigFile& config,
                                               const SettingsBlock& expected,
                                               const SettingsBlock& found) {
  std::vector<SettingDifference> differences;
  // What the recorder holds with every item and the logo as the file has them: whatever
  // still differs lies outside them.
  SettingsBlock rest = found;
  for (const SettingItem& item : config.items) {
    const uint32_t want = expected.GetBits(item.wordIndex, item.startBit, item.bitLength);
    const uint32_t have = found.GetBits(item.wordIndex, item.startBit, item.bitLength);
    rest.SetBits(item.wordIndex, item.startBit, item.bitLength, want);
    if (want == have) continue;
    differences.push_back(
        {ToUtf8(item.title), OptionText(item, want), OptionText(item, have), want, have});
  }
  const LogoPanel& logo = config.logoPanel;
  SettingsBlock withLogo = found;
  CopyLogoField(logo, expected, withLogo);
  CopyLogoField(logo, expected, rest);
  if (!SameDeviceArea(withLogo, found)) {
    differences.push_back({ToUtf8(logo.title), ToUtf8(ops::LogoTextOf(logo, expected)),
                           ToUtf8(ops::LogoTextOf(logo, found)), std::nullopt, std::nullopt});
  }
  for (uint32_t word = 0; word < SettingsBlock::kDeviceWords; ++word) {
    if (rest.GetWord(word) == expected.GetWord(word)) continue;
    differences.push_back({"word " + std::to_string(word) + " (bits no item holds)",
                           HexCode(expected.GetWord(word), 4), HexCode(found.GetWord(word), 4),
                           expected.GetWord(word), found.GetWord(word)});
  }
  return differences;
}

UnitResult RunVerifyOn(const DeviceRow& unit, VideoInputBackend& backend, const ConfigFile& config,
                       const VerifyPlan& plan) {
  UnitResult result = StartResult(unit);
  result.fields["file"] = plan.source;
  AttachedUnit attached(unit, backend, config);
  if (!attached.Attached()) {
    CannotOpen(&result);
    return result;
  }
  SettingsBlock held;  // the note area stays zero: the recorder does not hold it
  {
    DeviceLink::Hold hold(attached.Link());
    if (const ops::Outcome read = ops::ReadSettings(attached.Link(), held); !read.Ok()) {
      FailWith(read, "reading the settings failed; nothing was compared", &result);
      return result;
    }
  }
  const std::vector<SettingDifference> differences = CompareSettings(config, plan.expected, held);
  Json mismatches = Json::array();
  std::string lines;
  std::string titles;
  for (const SettingDifference& d : differences) {
    mismatches.push_back(DifferenceJson(d));
    lines += DifferenceLine(d) + "\n";
    titles += (titles.empty() ? "" : ", ") + d.title;
  }
  result.fields["mismatches"] = std::move(mismatches);
  const std::string header = RecorderLine(unit.input);
  if (differences.empty()) {
    result.text = header + "Holds what " + plan.source + " would write\n";
    result.summary = "holds what " + plan.source + " would write";
    return result;
  }
  result.Fail(Reason::kVerifyMismatch, "the recorder's settings differ from " + plan.source +
                                           " in " + std::to_string(differences.size()) +
                                           (differences.size() == 1 ? " place: " : " places: ") +
                                           titles);
  result.text = header + lines;
  result.detail = lines;
  return result;
}

}  // namespace kavrin::cli
