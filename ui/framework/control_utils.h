#pragma once
// The control helpers the window uses to build its run-time controls, as free functions over
// the framework's Control and WindowHost. A null control is ignored everywhere, so a control
// that failed to be created simply has no effect.
#include <string_view>

#include "ui/framework/control.h"
#include "ui/framework/geometry.h"
#include "ui/framework/toolkit.h"

namespace kavrin::ui {

// Gives the control the platform's default GUI font.
void SetDefaultGuiFont(Control* control);

// Moves and sizes the control to the rectangle, raises it above its siblings and shows it.
void PlaceControl(Control* control, int left, int top, int right, int bottom);
void PlaceControl(Control* control, const Rect& rect);

// Sets the edit's formatting rectangle to its client rectangle shifted by dx, dy.
void OffsetEditRect(Control* edit, int dx, int dy);

// Shifts the formatting rectangle down by (client height - font height) / 2, truncating
// toward zero, so that a multi-line edit draws its one line in the vertical middle.
void CenterEditText(Control* edit);

// Creates an edit with the params's styles, id and rect and a sunken client edge. The edit is
// created one pixel narrower and then placed at the full rect, which is how the new frame
// takes effect; it gets the default GUI font. Returns null when creation fails.
Control* CreateSunkenEdit(const ControlSpec& params, WindowHost& parent);

// A plain push button, not yet visible, in the default GUI font. Null when creation fails.
Control* CreatePushButton(std::u16string_view label, const Rect& rect, WindowHost& parent, int id);

}  // namespace kavrin::ui
