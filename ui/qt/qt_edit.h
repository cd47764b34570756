#pragma once
// The text box on a QLineEdit. A multi-line box takes a formatting rectangle: its text is
// drawn from the rectangle's top, so centring the rectangle centres the one line, as the
// window does for the path display.
#include "ui/qt/qt_control.h"

namespace kavrin::ui::qt {

class QtEdit : public QtControl {
 public:
  QtEdit(const ControlSpec& params, QWidget& parent, CommandSink sink);

  void SetText(std::u16string_view text) override;
  std::u16string Text() const override;
  void Place(const Rect& rect) override;

  Rect ClientRect() const override;
  void SetTextRect(const Rect& rect) override;
  Rect TextRect() const override { return textRect_; }

  QLineEdit* LineEdit() const;

 private:
  int FrameWidth() const;
  void ApplyTextRect();

  Rect textRect_;
};

}  // namespace kavrin::ui::qt
