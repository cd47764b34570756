#include "ui/framework/control_utils.h"

namespace kavrin::ui {

void SetDefaultGuiFont(Control* control) {
  if (control) control->SetFont(FontChoice::DefaultGui);
}

void PlaceControl(Control* control, int left, int top, int right, int bottom) {
  PlaceControl(control, Rect{left, top, right, bottom});
}

void PlaceControl(Control* control, const Rect& rect) {
  if (control) control->Place(rect);
}

void OffsetEditRect(Control* edit, int dx, int dy) {
  if (!edit) return;
  Rect rect = edit->ClientRect();
  rect.left += dx;
  rect.right += dx;
  rect.top += dy;
  rect.bottom += dy;
  edit->SetTextRect(rect);
}

void CenterEditText(Control* edit) {
  if (!edit) return;
  const int clientHeight = edit->ClientRect().Height();
  // C++ integer division truncates toward zero, as the shift must when the font is taller
  // than the box.
  OffsetEditRect(edit, 0, (clientHeight - edit->FontHeight()) / 2);
}

Control* CreateSunkenEdit(const ControlSpec& params, WindowHost& parent) {
  ControlSpec narrower = params;
  narrower.type = ControlType::Edit;
  narrower.clientEdge = true;
  narrower.rect.right -= 1;
  Control* edit = parent.CreateControl(narrower);
  if (!edit) return nullptr;
  // Placing at the full rect changes the size, so the frame with the client edge is laid
  // out anew.
  PlaceControl(edit, params.rect);
  SetDefaultGuiFont(edit);
  return edit;
}

Control* CreatePushButton(std::u16string_view label, const Rect& rect, WindowHost& parent, int id) {
  ControlSpec params;
  params.type = ControlType::PushButton;
  params.id = id;
  params.rect = rect;
  params.text = std::u16string(label);
  params.visible = false;
  Control* button = parent.CreateControl(params);
  SetDefaultGuiFont(button);
  return button;
}

}  // namespace kavrin::ui
