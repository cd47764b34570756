#include "ui/finish_notify_dialog.h"

#include "ui/dialog_templates.h"

namespace kavrin {

std::u16string KavrinFailMessage(std::u16string_view whatFailed) {
  std::u16string message = u"Kavrin fail !";
  if (!whatFailed.empty()) message += u" (" + std::u16string(whatFailed) + u")";
  return message;
}

FinishNotifyDialog::FinishNotifyDialog(ui::Toolkit& toolkit)
    : ui::Dialog(toolkit, FinishNotifyTemplate()), closesItself_(true) {}

FinishNotifyDialog::FinishNotifyDialog(ui::Toolkit& toolkit, std::u16string_view whatFailed)
    : ui::Dialog(toolkit, FailNotifyTemplate(KavrinFailMessage(whatFailed))), closesItself_(false) {}

bool FinishNotifyDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  if (ui::WindowHost* window = Window()) {
    // The template gives no position: like any such dialog it opens in the screen's middle.
    window->CenterOnScreen();
  }
  return true;
}

void FinishNotifyDialog::OnShowWindow() {
  if (!closesItself_ || lifetimeStarted_) return;
  if (ui::WindowHost* window = Window()) {
    window->SetTimer(kCloseTimerId, kLifetimeMs);
    lifetimeStarted_ = true;
  }
}

void FinishNotifyDialog::OnTimer(int id) {
  if (id != kCloseTimerId) return;
  if (ui::WindowHost* window = Window()) window->KillTimer(kCloseTimerId);
  EndDialog(0);
}

}  // namespace kavrin
