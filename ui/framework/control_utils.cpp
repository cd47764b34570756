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

Control* CreateSunkenEdit(const ControlSpec& spec, WindowHost& parent) {
  ControlSpec narrower = spec;
  narrower.type = ControlType::Edit;
  narrower.clientEdge = true;
  narrower.rect.right -= 1;
  Control* edit = parent.CreateControl(narrower);
  if (!edit) return nullptr;
  // Placing at the full rect changes the size, so the frame with the client edge is laid
  // out anew.
  PlaceControl(edit, spec.rect);
  SetDefaultGuiFont(edit);
  return edit;
}

Control* CreatePushButton(std::u16string_view label, const Rect& rect, WindowHost& parent, int id) {
  ControlSpec spec;
  spec.type = ControlType::PushButton;
  spec.id = id;
  spec.rect = rect;
  spec.text = std::u16string(label);
  spec.visible = false;
  Control* button = parent.CreateControl(spec);
  SetDefaultGuiFont(button);
  return button;
}

}  // namespace kavrin::ui
