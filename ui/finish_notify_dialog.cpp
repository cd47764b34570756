#include "ui/finish_notify_dialog.h"

#include <algorithm>

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
    : ui::Dialog(toolkit, FailNotifyTemplate(KavrinFailMessage(whatFailed))),
      closesItself_(false) {}

namespace {

// The message is shown whole: when its text needs more room than the template gives (a long
// reason, a larger font), the label grows to it, the OK button moves down and the window
// grows by as much.
void FitMessage(ui::WindowHost& window, ui::Control& text, ui::Control* ok) {
  const ui::Rect label = text.Geometry();
  const ui::Size needed = text.MeasureText(text.Text(), label.Width());
  const int wider = std::max(0, needed.width - label.Width());
  const int taller = std::max(0, needed.height - label.Height());
  if (wider == 0 && taller == 0) return;
  text.Place({label.left, label.top, label.right + wider, label.bottom + taller});
  if (ok && ok->IsVisible()) {
    const ui::Rect button = ok->Geometry();
    const int shift = wider / 2;  // the button stays centred under the text
    ok->Place(
        {button.left + shift, button.top + taller, button.right + shift, button.bottom + taller});
  }
  const ui::Size client = window.ClientSize();
  window.SetClientSize({client.width + wider, client.height + taller});
}

}  // namespace

bool FinishNotifyDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  if (ui::WindowHost* window = Window()) {
    if (ui::Control* text = GetDlgItem(IDC_STATIC))
      FitMessage(*window, *text, GetDlgItem(ui::IDC_OK));
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
