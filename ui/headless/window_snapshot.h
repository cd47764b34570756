#pragma once
// Plain records of what a headless window and its controls show, so that tests can look at
// a dialog after it has closed (the self-closing notification, for one).
#include <cstdint>
#include <string>
#include <vector>

#include "ui/framework/control.h"
#include "ui/framework/geometry.h"

namespace kavrin::ui::headless {

struct ControlState {
  ControlSpec params;  // as the control was created (rect is the creation rectangle)
  Rect geometry;       // where it stands now; a drop-down's rect includes its list
  // The face: a label's, edit's or button's text, the edit field of a drop-down box, the
  // selected entry of a drop-down list (empty without a selection).
  std::u16string text;
  std::vector<std::u16string> entries;  // drop-down kinds
  int selection = -1;
  bool enabled = true;
  bool visible = false;
  FontChoice font = FontChoice::ControlDefault;
  // Larger is above. Creation and each raise take the window's next number.
  int zOrder = 0;
  Rect textRect;  // formatting rectangle of an edit
};

struct WindowSnapshot {
  std::u16string title;
  Rect outerGeometry;
  Size clientSize;
  bool shown = false;
  int centreCount = 0;
  std::vector<unsigned char> icon;  // PNG bytes last given
  bool modalEnded = false;
  int modalResult = 0;
  bool destroyed = false;
  std::vector<ControlState> controls;  // in creation order

  // The first control with the id (labels all share one id), or null.
  const ControlState* Find(int id) const {
    for (const ControlState& c : controls)
      if (c.params.id == id) return &c;
    return nullptr;
  }
  // The faces of the visible controls, in creation order.
  std::vector<std::u16string> VisibleTexts() const {
    std::vector<std::u16string> texts;
    for (const ControlState& c : controls)
      if (c.visible) texts.push_back(c.text);
    return texts;
  }
};

}  // namespace kavrin::ui::headless
