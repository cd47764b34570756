#include "ui/headless/headless_control.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kavrin::ui::headless {

HeadlessControl::HeadlessControl(const ControlSpec& params, std::function<int()> nextZOrder)
    : nextZOrder_(std::move(nextZOrder)) {
  state_.params = params;
  state_.geometry = params.rect;
  state_.visible = params.visible;
  state_.zOrder = nextZOrder_();
  // A drop-down list has no free text; its face is its selection.
  if (params.type != ControlType::DropDownList) state_.text = params.text;
  state_.textRect = ClientRect();
}

void HeadlessControl::SetText(std::u16string_view text) {
  // A drop-down list shows only its entries; setting its text changes nothing.
  if (state_.params.type == ControlType::DropDownList) return;
  state_.text = std::u16string(text);
}

void HeadlessControl::Place(const Rect& rect) {
  const bool resized =
      rect.Width() != state_.geometry.Width() || rect.Height() != state_.geometry.Height();
  state_.geometry = rect;
  state_.zOrder = nextZOrder_();
  state_.visible = true;
  // An edit lays its formatting rectangle out anew when its size changes.
  if (resized) state_.textRect = ClientRect();
}

bool HeadlessControl::IsList() const {
  return state_.params.type == ControlType::DropDownList ||
         state_.params.type == ControlType::DropDownBox;
}

bool HeadlessControl::IsTypable() const {
  return state_.params.type == ControlType::DropDownBox ||
         (state_.params.type == ControlType::Edit && !state_.params.readOnly);
}

void HeadlessControl::ResetContent() {
  if (!IsList()) return;
  state_.entries.clear();
  state_.selection = -1;
  state_.text.clear();  // the edit field of a drop-down box is emptied as well
}

int HeadlessControl::AddString(std::u16string_view text) {
  if (!IsList()) return -1;
  state_.entries.emplace_back(text);
  return static_cast<int>(state_.entries.size()) - 1;
}

bool HeadlessControl::SetCurSel(int index) {
  if (!IsList()) return false;
  if (index < 0 || index >= GetCount()) {
    // The platform rejects the index and leaves no selection and an empty face.
    state_.selection = -1;
    state_.text.clear();
    return false;
  }
  state_.selection = index;
  state_.text = state_.entries[static_cast<size_t>(index)];
  return true;
}

std::u16string HeadlessControl::GetItemText(int index) const {
  if (index < 0 || index >= GetCount()) return {};
  return state_.entries[static_cast<size_t>(index)];
}

Rect HeadlessControl::ClientRect() const {
  int inset = 0;
  if (state_.params.type == ControlType::Edit) {
    if (state_.params.clientEdge) inset += kClientEdgeInset;
    if (state_.params.border) inset += kBorderInset;
  }
  return {0, 0, state_.geometry.Width() - 2 * inset, state_.geometry.Height() - 2 * inset};
}

int HeadlessControl::FontHeight() const {
  return state_.font == FontChoice::DefaultGui ? kDefaultGuiFontHeight : kControlDefaultFontHeight;
}

namespace {

// Hangul, CJK and full-width forms are two cells wide.
bool IsWide(char16_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFF60);
}

int WidthOf(std::u16string_view text, int cell) {
  int width = 0;
  for (char16_t c : text) width += IsWide(c) ? 2 * cell : cell;
  return width;
}

}  // namespace

Size HeadlessControl::MeasureText(std::u16string_view text, int wrapWidth) const {
  const int cell = (FontHeight() + 1) / 2;
  const int spaceWidth = cell;
  int lines = 1, lineWidth = 0, widest = 0;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t end = std::min(text.find(u' ', at), text.size());
    const int word = WidthOf(text.substr(at, end - at), cell);
    if (lineWidth > 0 && wrapWidth > 0 && lineWidth + spaceWidth + word > wrapWidth) {
      ++lines;  // the word starts the next line; the space at the break is not drawn
      lineWidth = word;
    } else {
      lineWidth += (lineWidth > 0 ? spaceWidth : 0) + word;
    }
    widest = std::max(widest, lineWidth);
    at = end + 1;
  }
  return {widest, lines * FontHeight()};
}

void HeadlessControl::SetTextRect(const Rect& rect) {
  // Only a multi-line edit takes a formatting rectangle.
  if (state_.params.type == ControlType::Edit && state_.params.multiLine) state_.textRect = rect;
}

}  // namespace kavrin::ui::headless
