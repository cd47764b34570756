// The device side of the main window: attach as devices come and go, the information and
// engine-test panels, the readiness rule, and the read, write and kavrin operations.
#include <cstring>
#include <string_view>

#include "config/text_codec.h"
#include "config/trace.h"
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
  RefreshDeviceInfo(attached);
  RefreshTestItems(attached);
}

void MainDialog::RefreshDeviceInfo(int attached) {
  for (InfoItem& row : infoPanel.rows) {
    std::u16string text;
    if (attached == 1) {
      uint8_t reply[DeviceLink::kPacketSize] = {};
      // A query that fails shows nothing rather than stale or undefined bytes.
      if (deviceLink_.QueryString(row.commandCode, reply) == 1) {
        const char* chars = reinterpret_cast<const char*>(reply);
        text = AnsiToWide(std::string_view(chars, strnlen(chars, sizeof reply)));
      }
    }
    SetControlText(row.contentControl, text);
  }
}

void MainDialog::RefreshTestItems(int attached) {
  testFailed_ = 0;
  for (SettingItem& item : testItems) {
    std::u16string verdict;
    if (attached == 1) {
      uint32_t answer = 0;
      // A query that fails is a failed test, never a pass.
      const bool passed = deviceLink_.QueryTestResult(TestCode(item), &answer) == 1 && answer == 1;
      verdict = passed ? u"OK" : u"NG";
      if (!passed) testFailed_ = 1;
    }
    SetControlText(item.resultControl, verdict);
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
  if (deviceLink_.ReadData(DeviceArea().data(), kDeviceAreaSize) != 1) {
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
  deviceLink_.WriteData(DeviceArea().data(), kDeviceAreaSize, 1);
}

void MainDialog::OnKavrin() {
  // One click is one kavrin operation: until its notification has closed the window takes
  // no input, and clicks or keys made meanwhile (during the transfers and the pause) are
  // dropped, never delivered afterwards.
  InputHold hold(*this);
  if (IsKavrinReady() != 1) {
    Trace("\nkavrin condition fail\n");
    return;
  }
  std::u16string failed;  // the steps that failed, for the operator
  auto fail = [this, &failed](std::u16string_view step) {
    if (!failed.empty()) failed += u", ";
    failed += step;
    // A recorder held by another program is not a broken recorder: say so.
    if (deviceLink_.LastFailure() == LinkFailure::kBusy) failed += u": recorder busy";
  };
  if (deviceLink_.SetClock(clock_ ? clock_() : LocalTime::Now()) != 1) fail(u"clock");
  ControlsToBlock();
  DumpHex(DeviceArea().data(), kDeviceWords, 1);
  const int setKavrinFlag = HasFlag(SET_KAVRIN_FLAG);
  DeviceLink::WriteFailure writeFailure = DeviceLink::WriteFailure::None;
  if (deviceLink_.WriteData(DeviceArea().data(), kDeviceAreaSize, setKavrinFlag, &writeFailure) != 1) {
    fail(writeFailure == DeviceLink::WriteFailure::Commit ? u"commit" : u"settings");
  }
  const bool succeeded = failed.empty();
  // The operator is told the truth: a failed clock, chunk or commit is a failed kavrin.
  TraceText(succeeded ? "\nkavrin finish\n" : "\nkavrin fail\n");
  UpdateKavrinButton();
  GetToolkit().Pause(kKavrinPauseMs);
  Trace("\nnotify user\n");
  if (succeeded) {
    FinishNotifyDialog notify(GetToolkit());
    notify.DoModal();
  } else {
    FinishNotifyDialog notify(GetToolkit(), failed);
    notify.DoModal();
  }
}

}  // namespace kavrin
