#pragma once
// Both drop-down kinds on a QComboBox: the list kind cannot be edited, the box kind has an
// edit field. The closed box has its natural height; the rest of the given rectangle is the
// height of the dropped-down list.
#include "ui/qt/qt_control.h"

namespace kavrin::ui::qt {

class QtComboBox : public QtControl {
 public:
  QtComboBox(const ControlSpec& params, QWidget& parent, CommandSink sink);

  void SetText(std::u16string_view text) override;
  std::u16string Text() const override;

  void ResetContent() override;
  int AddString(std::u16string_view text) override;
  bool SetCurSel(int index) override;
  int GetCurSel() const override;
  int GetCount() const override;
  std::u16string GetItemText(int index) const override;

  QComboBox* Combo() const;

 protected:
  void ApplyGeometry(const Rect& rect) override;
  void FontChanged() override { ApplyGeometry(Geometry()); }
};

}  // namespace kavrin::ui::qt
