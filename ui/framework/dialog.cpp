#include "ui/framework/dialog.h"

#include <utility>

namespace kavrin::ui {

Dialog::Dialog(Toolkit& toolkit, DialogTemplate tmpl)
    : toolkit_(toolkit), template_(std::move(tmpl)) {}

// The window goes first: its controls may refer to the dialog, which is still whole here
// only as the base part, so no backend calls back into the dialog while it is destroyed.
Dialog::~Dialog() { window_.reset(); }

int Dialog::DoModal() {
  if (!window_ && !Create()) return -1;
  window_->Show();
  return window_->RunModal();
}

bool Dialog::Create() {
  if (window_) return false;  // one window per dialog object
  CreateWindowAndTemplateControls();
  if (!window_) return false;
  // Its result only says whether the dialog set the focus itself; the dialog runs either way.
  OnInitDialog();
  return true;
}

void Dialog::EndDialog(int result) {
  if (window_) window_->EndModal(result);
}

Dialog::InputHold::InputHold(Dialog& dialog) : dialog_(dialog) {
  if (dialog_.inputHolds_++ == 0 && dialog_.window_) dialog_.window_->HoldInput(true);
}

Dialog::InputHold::~InputHold() {
  if (--dialog_.inputHolds_ == 0 && dialog_.window_) dialog_.window_->HoldInput(false);
}

Control* Dialog::GetDlgItem(int id) { return window_ ? window_->FindControl(id) : nullptr; }

bool Dialog::OnCommand(int id, int notifyCode) {
  if (notifyCode != kNotifyClicked) return false;
  if (auto it = commands_.find(id); it != commands_.end()) {
    // Copy: the handler may map commands itself, which would invalidate the iterator's target.
    std::function<void()> handler = it->second;
    handler();
    return true;
  }
  if (id == IDC_OK || id == IDC_CANCEL) {
    EndDialog(id);
    return true;
  }
  return false;
}

void Dialog::MapCommand(int id, std::function<void()> handler) {
  commands_[id] = std::move(handler);
}

void Dialog::CreateWindowAndTemplateControls() {
  window_ = toolkit_.MakeWindow(*this, template_);
  if (!window_) return;
  window_->SetTitle(template_.caption);
  for (const TemplateControl& control : template_.controls) {
    ControlSpec params = control.params;
    params.rect = DialogRectToPixels(*window_, control.params.rect);
    window_->CreateControl(params);  // a template control that fails is simply absent
  }
}

Rect DialogRectToPixels(const WindowHost& window, const Rect& dialogUnits) {
  const Size topLeft = window.DialogUnitsToPixels({dialogUnits.left, dialogUnits.top});
  const Size bottomRight = window.DialogUnitsToPixels({dialogUnits.right, dialogUnits.bottom});
  return {topLeft.width, topLeft.height, bottomRight.width, bottomRight.height};
}

}  // namespace kavrin::ui
