#pragma once
// Controls of the Qt backend: one real widget each, created as a child of the dialog widget.
// Geometry() answers the rectangle the window gave (a drop-down's includes its list); the
// widget shows what the platform shows for it.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "ui/framework/control.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kavrin::ui::qt {

// Delivers a control's command (id, notification code) to the dialog.
using CommandSink = std::function<void(int id, int notifyCode)>;

class QtControl : public Control {
 public:
  ~QtControl() override;

  int Id() const override { return spec_.id; }
  ControlType Type() const override { return spec_.type; }

  void SetText(std::u16string_view text) override;
  std::u16string Text() const override;

  void Enable(bool on) override;
  bool IsEnabled() const override;
  void Show(bool on) override;
  // The control's own visibility: true when it would show with its window.
  bool IsVisible() const override;

  void Place(const Rect& rect) override;
  Rect Geometry() const override { return rect_; }
  void SetFont(FontChoice font) override;
  FontChoice Font() const override { return font_; }

  // Lists: nothing for other controls.
  void ResetContent() override {}
  int AddString(std::u16string_view) override { return -1; }
  bool SetCurSel(int) override { return false; }
  int GetCurSel() const override { return -1; }
  int GetCount() const override { return 0; }
  std::u16string GetItemText(int) const override { return {}; }

  // Edits; other controls answer their whole area and take no formatting rectangle.
  Rect ClientRect() const override { return {0, 0, rect_.Width(), rect_.Height()}; }
  int FontHeight() const override;
  void SetTextRect(const Rect&) override {}
  Rect TextRect() const override { return ClientRect(); }
  Size MeasureText(std::u16string_view text, int wrapWidth) const override;

  QWidget* Widget() const { return widget_; }

 protected:
  QtControl(const ControlSpec& params, QWidget* widget);
  const ControlSpec& ControlParams() const { return spec_; }
  // Puts the widget at the rectangle; drop-downs keep their natural height.
  virtual void ApplyGeometry(const Rect& rect);
  // Called after the font changed, for controls whose layout depends on it.
  virtual void FontChanged() {}

 private:
  ControlSpec spec_;
  QPointer<QWidget> widget_;  // owned by the dialog widget
  Rect rect_;
  FontChoice font_ = FontChoice::ControlDefault;
};

// Makes the control for a params as a child of parent; sink receives its commands.
std::unique_ptr<QtControl> MakeQtControl(const ControlSpec& params, QWidget& parent,
                                         CommandSink sink);

}  // namespace kavrin::ui::qt
