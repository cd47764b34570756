#include "ui/finish_notify_dialog.h"

#include <utility>

#include "ui/dialog_templates.h"

namespace kavrin {

FinishNotifyDialog::FinishNotifyDialog(ui::Toolkit& toolkit, std::u16string message)
    : ui::Dialog(toolkit, FinishNotifyTemplate(std::move(message))) {}

bool FinishNotifyDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  if (ui::WindowHost* window = Window()) {
    // The template gives no position: like any such dialog it opens in the screen's middle.
    window->CenterOnScreen();
    window->SetTimer(kCloseTimerId, kLifetimeMs);
  }
  return true;
}

void FinishNotifyDialog::OnTimer(int id) {
  if (id != kCloseTimerId) return;
  if (ui::WindowHost* window = Window()) window->KillTimer(kCloseTimerId);
  EndDialog(0);
}

}  // namespace kavrin
