// The device side of the main window: attach as devices come and go, the information and
// engine-test panels, the readiness rule, and the read, write and kavrin operations.
#include <string_view>
#include <vector>

#include "config/text_codec.h"
#include "config/trace.h"
#include "ops/recorder_operations.h"
#include "ui/finish_notify_dialog.h"
#include "ui/main_dialog.h"

namespace kavrin {
namespace {

void SetControlText(ui::Control* control, std::u16string_view text) {
  if (control) control->SetText(text);
}

}  // namespace

void MainDialog::OnDevicesChanged() {
  if (deviceLink_.IsAttached() == 1) {
    // The recorder kept is the first configured name present now: a settled burst may have
    // swapped one recorder for another of the same name, so its panels are asked afresh and
    // the verdicts that gate "Kavrin" are always the attached recorder's own.
    deviceLink_.Detach();
    RefreshDevicePanels(deviceLink_.Attach() == 1 ? 1 : 0);
  } else if (deviceLink_.Attach() == 1) {
    RefreshDevicePanels(1);
  }
  UpdateKavrinButton();
}

void MainDialog::RefreshDevicePanels(int attached) {
  // One hold for every row and test: a recorder held by another program costs one wait.
  DeviceLink::Hold hold(deviceLink_);
  RefreshDeviceInfo(attached);
  RefreshTestItems(attached);
}

void MainDialog::RefreshDeviceInfo(int attached) {
  std::vector<ops::InfoRow> answers;
  if (attached == 1) answers = ops::QueryInformation(deviceLink_, infoPanel);
  for (std::size_t i = 0; i < infoPanel.rows.size(); ++i) {
    // A query that fails shows nothing rather than stale or undefined bytes.
    const std::u16string text = i < answers.size() ? AnsiToWide(answers[i].answer) : u"";
    SetControlText(infoPanel.rows[i].contentControl, text);
  }
}

void MainDialog::RefreshTestItems(int attached) {
  std::vector<ops::TestRow> verdicts;
  if (attached == 1) verdicts = ops::RunEngineTests(deviceLink_, testItems);
  // A query that fails is a failed test, never a pass: the gate stays closed.
  testFailed_ = ops::AnyTestNotPassed(verdicts) ? 1 : 0;
  for (std::size_t i = 0; i < testItems.size(); ++i) {
    std::u16string verdict;
    if (i < verdicts.size()) verdict = verdicts[i].Pass() ? u"OK" : u"NG";
    SetControlText(testItems[i].resultControl, verdict);
  }
}

int MainDialog::IsKavrinReady() {
  if (deviceLink_.IsAttached() != 1) return 0;
  if (HasFlag(FORCE_KAVRIN)) return 1;
  if (testFailed_ == 0) return 1;
  Trace("\nnot all items pass engine test\n");
  return 0;
}

void MainDialog::UpdateKavrinButton() {
  const bool ready = IsKavrinReady() == 1;
  if (ui::Control* button = GetDlgItem(IDC_KAVRIN)) button->Enable(ready);
}

void MainDialog::OnRead() {
  InputHold hold(*this);  // the transfers block the window: clicks meanwhile are dropped
  if (deviceLink_.IsAttached() != 1) return;
  DeviceLink::Hold recorder(deviceLink_);
  RefreshDeviceInfo(1);
  RefreshTestItems(1);
  ReadSettingsIntoControls();
}

void MainDialog::OnGetKavrin() {
  InputHold hold(*this);
  if (deviceLink_.IsAttached() != 1) return;
  ReadSettingsIntoControls();
}

void MainDialog::ReadSettingsIntoControls() {
  // A read that fails leaves the block, and so the lists, as they were.
  if (!ops::ReadSettings(deviceLink_, *this).Ok()) {
    Trace("\nread fail\n");
    return;
  }
  BlockToControls();
  DumpHex(DeviceArea().data(), kDeviceWords, 1);
}

void MainDialog::OnWrite() {
  InputHold hold(*this);
  if (deviceLink_.IsAttached() != 1 || IsKavrinReady() != 1) return;
  ControlsToBlock();
  // The outcome is not shown: this button of the engineering edition has no notification.
  (void)ops::WriteSettings(deviceLink_, *this, true);
}

namespace {

// The notification's words for a failed step: "clock", "settings" or "commit", and a recorder
// held by another program is not a broken recorder.
void AddFailedStep(const ops::Outcome& outcome, std::u16string* failed) {
  if (outcome.Ok()) return;
  if (!failed->empty()) *failed += u", ";
  *failed += outcome.step == ops::Step::kClock    ? u"clock"
             : outcome.step == ops::Step::kCommit ? u"commit"
                                                  : u"settings";
  if (outcome.reason == ops::Reason::kBusy) *failed += u": recorder busy";
}

}  // namespace

void MainDialog::OnKavrin() {
  // One click is one kavrin operation: until its notification has closed the window takes
  // no input, and clicks or keys made meanwhile (during the transfers and the pause) are
  // dropped, never delivered afterwards.
  InputHold hold(*this);
  if (IsKavrinReady() != 1) {
    Trace("\nkavrin condition fail\n");
    return;
  }
  ControlsToBlock();
  const ops::KavrinOutcome outcome = ops::RunKavrin(
      deviceLink_, clock_ ? clock_() : LocalTime::Now(), *this, HasFlag(SET_KAVRIN_FLAG) == 1);
  std::u16string failed;  // the steps that failed, for the operator
  AddFailedStep(outcome.clock, &failed);
  AddFailedStep(outcome.settings, &failed);
  // The operator is told the truth: a failed clock, chunk or commit is a failed kavrin.
  TraceText(outcome.Ok() ? "\nkavrin finish\n" : "\nkavrin fail\n");
  UpdateKavrinButton();
  GetToolkit().Pause(kKavrinPauseMs);
  Trace("\nnotify user\n");
  if (outcome.Ok()) {
    FinishNotifyDialog notify(GetToolkit());
    notify.DoModal();
  } else {
    FinishNotifyDialog notify(GetToolkit(), failed);
    notify.DoModal();
  }
}

}  // namespace kavrin
