#pragma once
// A control of the headless backend: keeps its state in memory and behaves as the platform's
// controls do where the window depends on it (list selection rules, the edit's formatting
// rectangle, fonts).
#include <functional>

#include "ui/framework/control.h"
#include "ui/headless/window_snapshot.h"

namespace kavrin::ui::headless {

// Pixel heights of the two fonts: a newly made control's system font and the smaller
// default GUI font, as on the classic desktop at 96 dots per inch.
inline constexpr int kControlDefaultFontHeight = 16;
inline constexpr int kDefaultGuiFontHeight = 11;
// Frame thickness inside an edit: a sunken client edge takes 2 pixels each side, a thin
// border 1.
inline constexpr int kClientEdgeInset = 2;
inline constexpr int kBorderInset = 1;

class HeadlessControl : public Control {
 public:
  // nextZOrder hands out the window's stacking numbers.
  HeadlessControl(const ControlSpec& params, std::function<int()> nextZOrder);

  int Id() const override { return state_.params.id; }
  ControlType Type() const override { return state_.params.type; }

  void SetText(std::u16string_view text) override;
  std::u16string Text() const override { return state_.text; }

  void Enable(bool on) override { state_.enabled = on; }
  bool IsEnabled() const override { return state_.enabled; }
  void Show(bool on) override { state_.visible = on; }
  bool IsVisible() const override { return state_.visible; }

  void Place(const Rect& rect) override;
  Rect Geometry() const override { return state_.geometry; }
  void SetFont(FontChoice font) override { state_.font = font; }
  FontChoice Font() const override { return state_.font; }

  void ResetContent() override;
  int AddString(std::u16string_view text) override;
  bool SetCurSel(int index) override;
  int GetCurSel() const override { return state_.selection; }
  int GetCount() const override { return static_cast<int>(state_.entries.size()); }
  std::u16string GetItemText(int index) const override;

  Rect ClientRect() const override;
  int FontHeight() const override;
  void SetTextRect(const Rect& rect) override;
  Rect TextRect() const override { return state_.textRect; }
  // Each character is half the font's height wide (rounded up), one of the wide East Asian
  // ranges twice that; lines break at spaces as the platform's static text breaks them.
  Size MeasureText(std::u16string_view text, int wrapWidth) const override;

  bool IsList() const;
  // What the user can type into: a drop-down box, or an edit that is not read-only.
  bool IsTypable() const;
  // The user's typing replaces the face without touching the selection.
  void TypeText(std::u16string_view text) { state_.text = std::u16string(text); }

  const ControlState& State() const { return state_; }

 private:
  ControlState state_;
  std::function<int()> nextZOrder_;
};

}  // namespace kavrin::ui::headless
