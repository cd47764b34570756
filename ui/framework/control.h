#pragma once
// A child control of a dialog, created by the backend at a pixel rectangle with a numeric id.
#include <string>
#include <string_view>

#include "ui/framework/geometry.h"

namespace kavrin::ui {

enum class ControlType {
  Label,         // static text
  DropDownList,  // combo box whose text cannot be edited
  DropDownBox,   // combo box with an editable text field
  Edit,          // text box
  PushButton,
};

enum class TextAlign { Left, Right, Center };

// Notification codes a control sends with its id to Dialog::OnCommand. A click is 0; the user
// picking a list entry or changing an editable text sends the other two (the program's own
// SetCurSel and SetText send nothing).
inline constexpr int kNotifyClicked = 0;
inline constexpr int kNotifySelChange = 1;
inline constexpr int kNotifyEditChange = 5;

// What a control is created with. Rect is in pixels; for a drop-down it includes the height
// of the dropped-down list.
struct ControlSpec {
  ControlType type = ControlType::Label;
  int id = 0;
  Rect rect;
  std::u16string text;
  TextAlign align = TextAlign::Left;
  bool autoHScroll = false;
  bool readOnly = false;
  bool multiLine = false;
  bool border = false;      // edit: a thin border
  bool clientEdge = false;  // sunken client edge
  bool defaultButton = false;
  bool visible = false;  // created visible
};

enum class FontChoice {
  ControlDefault,  // what a newly created control has
  DefaultGui,      // the platform's default GUI font
};

class Control {
 public:
  virtual ~Control() = default;

  virtual int Id() const = 0;
  virtual ControlType Type() const = 0;

  virtual void SetText(std::u16string_view text) = 0;
  // For a drop-down box, the text of its edit field; for a drop-down list, the selected
  // entry's text (empty without a selection).
  virtual std::u16string Text() const = 0;

  virtual void Enable(bool on) = 0;
  virtual bool IsEnabled() const = 0;
  virtual void Show(bool on) = 0;
  virtual bool IsVisible() const = 0;

  // Moves and sizes the control, raises it to the top of its siblings and shows it.
  virtual void Place(const Rect& rect) = 0;
  virtual Rect Geometry() const = 0;
  virtual void SetFont(FontChoice font) = 0;
  virtual FontChoice Font() const = 0;

  // Lists (both drop-down kinds); other controls ignore them.
  virtual void ResetContent() = 0;
  virtual int AddString(std::u16string_view text) = 0;  // index of the new entry
  // Selects an entry; an index outside the entries leaves no selection and returns false.
  virtual bool SetCurSel(int index) = 0;
  virtual int GetCurSel() const = 0;  // -1 for none
  virtual int GetCount() const = 0;
  virtual std::u16string GetItemText(int index) const = 0;

  // Edits: client rectangle, current font height in pixels, and the formatting rectangle in
  // which the text is drawn (multi-line edits).
  virtual Rect ClientRect() const = 0;
  virtual int FontHeight() const = 0;
  virtual void SetTextRect(const Rect& rect) = 0;
  virtual Rect TextRect() const = 0;

  // The room text takes in this control's font, broken into lines at spaces to fit
  // wrapWidth pixels (a word wider than that stands alone on its line, and the answer is
  // then wider than wrapWidth); wrapWidth 0 keeps it on one line. How a window sizes a text
  // to be seen whole.
  virtual Size MeasureText(std::u16string_view text, int wrapWidth) const = 0;
};

}  // namespace kavrin::ui
