#pragma once
// Controls of the Win32 backend: one child window each (STATIC, COMBOBOX, EDIT, BUTTON),
// created by the dialog window at pixel rectangles. Geometry() answers the rectangle the
// window gave: a combo box's includes its dropped-down list, as the platform takes it.
// Every rectangle and size a control answers or takes is in logical (96-DPI) pixels; the
// child window itself stands at them scaled to its window's DPI.
#include "ui/win32/win32_api.h"

#include <memory>

#include "ui/framework/control.h"
#include "ui/win32/win32_dpi.h"

namespace kavrin::ui::win32 {

// What the controls of one window share: the window's DPI and its two fonts at that DPI.
// Owned by the window, which outlives its controls.
struct WindowMetrics {
  int dpi = kLayoutDpi;
  HFONT dialogFont = nullptr;  // the template's face, the controls' default
  HFONT guiFont = nullptr;     // the platform's default GUI face
};

class Win32Control : public Control {
 public:
  // Creates the child window of parent; null when the platform refuses it.
  static std::unique_ptr<Win32Control> Make(const ControlSpec& params, HWND parent,
                                            const WindowMetrics& metrics);
  ~Win32Control() override;
  Win32Control(const Win32Control&) = delete;
  Win32Control& operator=(const Win32Control&) = delete;

  int Id() const override { return spec_.id; }
  ControlType Type() const override { return spec_.type; }

  void SetText(std::u16string_view text) override;
  std::u16string Text() const override;

  void Enable(bool on) override;
  bool IsEnabled() const override;
  void Show(bool on) override;
  // The control's own visibility (WS_VISIBLE): true when it would show with its window.
  bool IsVisible() const override;

  void Place(const Rect& rect) override;
  Rect Geometry() const override { return rect_; }
  void SetFont(FontChoice font) override;
  FontChoice Font() const override { return font_; }

  void ResetContent() override;
  int AddString(std::u16string_view text) override;
  bool SetCurSel(int index) override;
  int GetCurSel() const override;
  int GetCount() const override;
  std::u16string GetItemText(int index) const override;

  Rect ClientRect() const override;
  int FontHeight() const override;
  void SetTextRect(const Rect& rect) override;
  Rect TextRect() const override;
  // Measured as the static control draws its text (DrawText, word breaks, no prefix).
  Size MeasureText(std::u16string_view text, int wrapWidth) const override;

  HWND Handle() const { return hwnd_; }
  // The window's DPI or fonts changed: stands again at its rectangle, in its font, at them.
  void Rescale();

 private:
  Win32Control(const ControlSpec& params, HWND hwnd, const WindowMetrics& metrics);
  HFONT CurrentFont() const;
  bool IsList() const {
    return spec_.type == ControlType::DropDownList || spec_.type == ControlType::DropDownBox;
  }

  ControlSpec spec_;
  HWND hwnd_;
  const WindowMetrics& metrics_;
  Rect rect_;
  // The formatting rectangle the program asked for; the edit itself may narrow it by its
  // margins and round it to whole lines.
  Rect textRect_;
  FontChoice font_ = FontChoice::ControlDefault;
};

}  // namespace kavrin::ui::win32
