#include "cli/recorder_selection.h"

#include <algorithm>

#include "config/text_codec.h"

namespace kavrin::cli {
namespace {

std::vector<DeviceRow> Recorders(const DeviceListing& listing) {
  std::vector<DeviceRow> recorders;
  for (const DeviceRow& row : listing.rows) {
    if (row.IsRecorder()) recorders.push_back(row);
  }
  return recorders;
}

Selection Refuse(Reason reason, std::string message) {
  Selection selection;
  selection.failure = reason;
  selection.message = std::move(message);
  return selection;
}

Selection NoRecorder(const DeviceListing& listing, const ConfigFile& config) {
  return Refuse(PermissionProblem(listing) ? Reason::kPermission : Reason::kNoRecorder,
                "no recorder attached: " + ExplainNoRecorder(listing, config));
}

std::string AddressList(const std::vector<DeviceRow>& rows) {
  std::string list;
  for (const DeviceRow& row : rows) list += "\n  " + AddressText(row.input);
  return list;
}

// The rows one --device names; a refusal when it names none or no usable recorder.
Selection SelectOne(const DeviceListing& listing, const DeviceSelector& selector) {
  std::vector<DeviceRow> named;
  for (const DeviceRow& row : listing.rows) {
    if (selector.Matches(row.input)) named.push_back(row);
  }
  if (named.empty()) {
    const std::vector<DeviceRow> recorders = Recorders(listing);
    return Refuse(
        Reason::kNoSuchDevice,
        "no video input is " + selector.Text() +
            (recorders.empty() ? std::string("; no recorder is present")
                               : "; the recorders present are:" + AddressList(recorders)));
  }
  Selection selection;
  for (const DeviceRow& row : named) {
    if (row.IsRecorder()) {
      selection.units.push_back(row);
      continue;
    }
    const std::string message = AddressText(row.input) + " (\"" + ToUtf8(row.input.friendlyName) +
                                "\") cannot be used: " + row.WhyNotUsable();
    if (row.nameIndex >= 0 && row.diagnosis.permissionDenied) {
      return Refuse(Reason::kPermission, message + "\n" + PermissionHint());
    }
    return Refuse(Reason::kNotARecorder, message);
  }
  return selection;
}

Json Candidates(const std::vector<DeviceRow>& rows) {
  Json list = Json::array();
  for (const DeviceRow& row : rows) list.push_back(DeviceJson(row.input));
  return Json{{"candidates", list}};
}

}  // namespace

Selection SelectRecorders(const DeviceListing& listing, const ConfigFile& config,
                          const SelectionRequest& request) {
  if (request.all) {
    Selection selection;
    selection.units = Recorders(listing);
    return selection.units.empty() ? NoRecorder(listing, config) : selection;
  }
  if (!request.selectors.empty()) {
    Selection selection;
    for (const DeviceSelector& selector : request.selectors) {
      Selection one = SelectOne(listing, selector);
      if (!one.Selected()) return one;
      // One --device that fits several recorders (a serial two units share) is as
      // ambiguous as none at all for a command that writes.
      if (one.units.size() > 1 && !request.Many() && request.writes) {
        Selection refused = Refuse(Reason::kAmbiguous, selector.Text() + " names " +
                                                           std::to_string(one.units.size()) +
                                                           " recorders:" + AddressList(one.units));
        refused.details = Candidates(one.units);
        return refused;
      }
      for (const DeviceRow& unit : one.units) {
        const bool known = std::any_of(
            selection.units.begin(), selection.units.end(),
            [&](const DeviceRow& chosen) { return UnitKey(chosen.input) == UnitKey(unit.input); });
        if (!known) selection.units.push_back(unit);
      }
    }
    if (!request.Many() && selection.units.size() > 1) {
      selection.note = request.selectors.front().Text() + " names several recorders; using " +
                       AddressText(selection.units.front().input);
      selection.units.resize(1);
    }
    return selection;
  }
  std::vector<DeviceRow> recorders = Recorders(listing);
  if (recorders.empty()) return NoRecorder(listing, config);
  if (recorders.size() > 1 && request.writes) {
    Selection refused =
        Refuse(Reason::kAmbiguous,
               std::to_string(recorders.size()) +
                   " recorders are present and a command that writes never guesses; choose one "
                   "with -d (or all with --all):" +
                   AddressList(recorders));
    refused.details = Candidates(recorders);
    return refused;
  }
  Selection selection;
  if (recorders.size() > 1) {
    selection.note = std::to_string(recorders.size()) + " recorders are present; using " +
                     AddressText(recorders.front().input) + " (choose one with -d)";
  }
  selection.units.push_back(recorders.front());
  return selection;
}

}  // namespace kavrin::cli
