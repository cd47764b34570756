#include "config/layout_geometry.h"

#include <algorithm>

#include "config/config_file.h"

namespace kavrin {

bool LayoutRect::Overlaps(const LayoutRect& other) const {
  return !IsEmpty() && !other.IsEmpty() && left < other.right && other.left < right &&
         top < other.bottom && other.top < bottom;
}

bool LayoutRect::Within(const LayoutRect& area) const {
  return left >= area.left && top >= area.top && right <= area.right && bottom <= area.bottom;
}

int64_t LayoutValue(uint32_t value) { return static_cast<int32_t>(value); }

int ToolkitCoordinate(int64_t value) {
  return static_cast<int>(std::clamp(value, -kToolkitCoordinateLimit, kToolkitCoordinateLimit));
}

bool BeyondAnyScreen(const LayoutRect& rect) {
  auto beyond = [](int64_t v) {
    return v < -kToolkitCoordinateLimit || v > kToolkitCoordinateLimit;
  };
  return beyond(rect.left) || beyond(rect.top) || beyond(rect.right) || beyond(rect.bottom);
}

LayoutRect NominalClientArea(const WindowLayout& window) {
  // The outer size is a size, never negative: WIDTH=-1 asks for the largest window.
  const int64_t width = int64_t{window.width} - 2 * kNominalFrameBorder;
  const int64_t height = int64_t{window.height} - kNominalCaptionHeight - 2 * kNominalFrameBorder;
  return {0, 0, std::max<int64_t>(width, 0), std::max<int64_t>(height, 0)};
}

LayoutRect ClosedDropDown(const LayoutRect& rect) {
  LayoutRect box = rect;
  box.bottom = rect.top + std::clamp<int64_t>(rect.Height(), 0, kDropDownBoxHeight);
  return box;
}

RowRects ItemRowRects(const ItemLayout& l, uint32_t index) {
  // ITEM_PER_COL 0 would divide by zero: it means no column break, all rows in one column.
  const uint32_t perColumn = l.itemsPerColumn == 0 ? UINT32_MAX : l.itemsPerColumn;
  const int64_t column = index / perColumn;
  const int64_t row = index % perColumn;
  const int64_t titleWidth = LayoutValue(l.titleWidth);
  const int64_t gap = LayoutValue(l.titleOptionGap);
  const int64_t titleShift = LayoutValue(l.titleShift);
  const int64_t x = LayoutValue(l.x) + column * (titleWidth + gap + LayoutValue(l.optionWidth));
  const int64_t y = LayoutValue(l.y) + row * LayoutValue(l.lineShift);

  RowRects rects;
  const int64_t labelTop = y + 2 * titleShift;
  rects.label = {x, labelTop, x + titleWidth, labelTop + LayoutValue(l.itemHeight)};
  const int64_t listLeft = x + titleWidth + gap;
  const int64_t listTop = y + titleShift;
  rects.field = {listLeft, listTop, listLeft + LayoutValue(l.optionWidth),
                 listTop + LayoutValue(l.optionHeight)};
  return rects;
}

namespace {

// Information and test rows: one column, the label and then, after the gap, the field.
RowRects PanelRow(uint32_t x, uint32_t y, uint32_t titleWidth, uint32_t gap, uint32_t contentWidth,
                  uint32_t rowHeight, uint32_t lineShift, uint32_t index) {
  const int64_t left = LayoutValue(x);
  const int64_t top = LayoutValue(y) + int64_t{index} * LayoutValue(lineShift);
  const int64_t bottom = top + LayoutValue(rowHeight);
  const int64_t fieldLeft = left + LayoutValue(titleWidth) + LayoutValue(gap);
  return {{left, top, left + LayoutValue(titleWidth), bottom},
          {fieldLeft, top, fieldLeft + LayoutValue(contentWidth), bottom}};
}

}  // namespace

RowRects InfoRowRects(const InfoPanel& p, uint32_t index) {
  return PanelRow(p.x, p.y, p.titleWidth, p.gap, p.contentWidth, p.rowHeight, p.lineShift, index);
}

RowRects TestRowRects(const TestPanel& p, uint32_t index) {
  return PanelRow(p.x, p.y, p.titleWidth, p.gap, p.contentWidth, p.rowHeight, p.lineShift, index);
}

RowRects LogoRects(const LogoPanel& p) {
  const int64_t left = LayoutValue(p.x);
  const int64_t right = left + LayoutValue(p.width);
  const int64_t top = LayoutValue(p.y);
  const int64_t labelBottom = top + LayoutValue(p.height);
  const int64_t boxTop = labelBottom + LayoutValue(p.gap);
  return {{left, top, right, labelBottom},
          {left, boxTop, right, boxTop + LayoutValue(p.listHeight)}};
}

namespace {

LayoutControl Text(LayoutPart part, const LayoutRect& rect) { return {part, rect, rect, false}; }
LayoutControl Framed(LayoutPart part, const LayoutRect& rect) { return {part, rect, rect, true}; }
LayoutControl DropDown(LayoutPart part, const LayoutRect& rect) {
  return {part, rect, ClosedDropDown(rect), true};
}

}  // namespace

std::vector<LayoutGroup> PlaceWindowControls(const ConfigFile& config) {
  std::vector<LayoutGroup> groups;
  groups.reserve(kCommandButtonPlaces.size() + 2 + config.items.size() +
                 config.infoPanel.rows.size() + config.testItems.size());
  for (uint32_t i = 0; i < kCommandButtonPlaces.size(); ++i) {
    groups.push_back({LayoutGroupKind::CommandButton,
                      i,
                      {Framed(LayoutPart::Button, kCommandButtonPlaces[i].rect)}});
  }
  groups.push_back(
      {LayoutGroupKind::PathDisplay, 0, {Framed(LayoutPart::Display, kPathDisplayRect)}});
  for (uint32_t i = 0; i < config.items.size(); ++i) {
    const RowRects row = ItemRowRects(config.itemLayout, i);
    groups.push_back({LayoutGroupKind::ItemRow,
                      i,
                      {Text(LayoutPart::Label, row.label), DropDown(LayoutPart::List, row.field)}});
  }
  const RowRects logo = LogoRects(config.logoPanel);
  groups.push_back({LayoutGroupKind::Logo,
                    0,
                    {Text(LayoutPart::Label, logo.label), DropDown(LayoutPart::Box, logo.field)}});
  for (uint32_t i = 0; i < config.infoPanel.rows.size(); ++i) {
    const RowRects row = InfoRowRects(config.infoPanel, i);
    groups.push_back({LayoutGroupKind::InfoRow,
                      i,
                      {Text(LayoutPart::Label, row.label), Text(LayoutPart::TextBox, row.field)}});
  }
  for (uint32_t i = 0; i < config.testItems.size(); ++i) {
    const RowRects row = TestRowRects(config.testPanel, i);
    groups.push_back({LayoutGroupKind::TestRow,
                      i,
                      {Text(LayoutPart::Label, row.label), Text(LayoutPart::Result, row.field)}});
  }
  return groups;
}

}  // namespace kavrin
