// The run-time controls of the main window: command buttons, path display, item rows and
// the logo, information and test panels, placed from the configuration's layouts; and the
// switches that show the command buttons.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "config/layout_geometry.h"
#include "ui/dialog_templates.h"
#include "ui/framework/control_utils.h"
#include "ui/main_dialog.h"

namespace kavrin {
namespace {

// What reaches the toolkit: each edge cut into the range a window system takes, and never a
// negative size. The rectangles themselves come from the layout geometry, which the checks
// of `kavrin config --check` use as well.
ui::Rect ToolkitRect(const LayoutRect& rect) {
  const int left = ToolkitCoordinate(rect.left);
  const int top = ToolkitCoordinate(rect.top);
  return {left, top, std::max(left, ToolkitCoordinate(rect.right)),
          std::max(top, ToolkitCoordinate(rect.bottom))};
}

// A list index from a field or option value; values a list cannot hold select nothing.
int ListIndex(uint32_t value) {
  return value <= static_cast<uint32_t>(INT32_MAX) ? static_cast<int>(value) : -1;
}

ui::ControlSpec ControlParams(ui::ControlType type, int id, const ui::Rect& rect,
                              std::u16string text = {}) {
  ui::ControlSpec params;
  params.type = type;
  params.id = id;
  params.rect = rect;
  params.text = std::move(text);
  return params;
}

ui::ControlSpec LabelSpec(const ui::Rect& rect, std::u16string text, ui::TextAlign align) {
  ui::ControlSpec params = ControlParams(ui::ControlType::Label, IDC_STATIC, rect, std::move(text));
  params.align = align;
  return params;
}

struct CommandButtonControl {
  int id;
  CommandButton button;
};

constexpr std::array<CommandButtonControl, 5> kCommandButtons{{
    {IDC_SAVE, CommandButton::Save},
    {IDC_LOAD, CommandButton::Load},
    {IDC_GET_KAVRIN, CommandButton::GetKavrin},
    {IDC_SET_DEFAULT, CommandButton::SetDefault},
    {IDC_KAVRIN, CommandButton::Kavrin},
}};

const CommandButtonPlace& PlaceOf(CommandButton button) {
  return *std::find_if(kCommandButtonPlaces.begin(), kCommandButtonPlaces.end(),
                       [&](const CommandButtonPlace& place) { return place.button == button; });
}

// The order in which the switches are applied.
struct Switch {
  int id;
  uint32_t flag;
};
constexpr std::array<Switch, 6> kSwitchedControls{{
    {IDC_SAVE, SAVE_BIN},
    {IDC_GET_KAVRIN, GET_DEVICE_KAVRIN},
    {IDC_SET_DEFAULT, SET_DEFAULT},
    {IDC_LOAD, LOAD_BIN},
    {IDC_KAVRIN, KAVRIN},
    {IDC_PATH_DISPLAY, DISPLAY_FILE_PATH},
}};

}  // namespace

ui::Control* MainDialog::MakeControl(const ui::ControlSpec& params) {
  ui::WindowHost* window = Window();
  return window ? window->CreateControl(params) : nullptr;
}

void MainDialog::CreateControls() {
  CreateCommandButtons();
  CreatePathDisplay();
  CreateItemControls();
  CreateLogoPanel();
  CreateInfoPanel();
  CreateTestPanel();
}

void MainDialog::CreateCommandButtons() {
  ui::WindowHost* window = Window();
  if (!window) return;
  for (const CommandButtonControl& button : kCommandButtons) {
    const CommandButtonPlace& place = PlaceOf(button.button);
    if (ui::Control* control =
            ui::CreatePushButton(place.label, ToolkitRect(place.rect), *window, button.id)) {
      control->Enable(true);
      control->Show(true);
    }
  }
}

void MainDialog::CreatePathDisplay() {
  ui::WindowHost* window = Window();
  if (!window) return;
  ui::ControlSpec params =
      ControlParams(ui::ControlType::Edit, IDC_PATH_DISPLAY, ToolkitRect(kPathDisplayRect));
  params.multiLine = true;
  params.autoHScroll = true;
  params.readOnly = true;
  pathDisplay_ = ui::CreateSunkenEdit(params, *window);
  // A multi-line box draws its one line at the top; centre it like a single-line box.
  ui::CenterEditText(pathDisplay_);
}

void MainDialog::CreateItemControls() {
  for (uint32_t i = 0; i < items.size(); ++i) {
    SettingItem& item = items[i];
    const RowRects rects = ItemRowRects(itemLayout, i);
    ui::ControlSpec label = LabelSpec(ToolkitRect(rects.label), item.title, ui::TextAlign::Right);
    label.visible = true;
    item.labelControl = MakeControl(label);

    ui::ControlSpec list =
        ControlParams(ui::ControlType::DropDownList, IDC_ITEM_BASE + static_cast<int>(i),
                      ToolkitRect(rects.field));
    list.autoHScroll = true;
    item.selectControl = MakeControl(list);
    if (ui::Control* control = item.selectControl) {
      control->ResetContent();
      for (const std::u16string& option : item.options) control->AddString(option);
      control->SetCurSel(ListIndex(item.option));
      control->Show(true);
    }
  }
}

void MainDialog::CreateLogoPanel() {
  LogoPanel& p = logoPanel;
  const RowRects rects = LogoRects(p);
  ui::ControlSpec label = LabelSpec(ToolkitRect(rects.label), p.title, ui::TextAlign::Left);
  label.visible = true;
  p.labelControl = MakeControl(label);

  ui::ControlSpec box =
      ControlParams(ui::ControlType::DropDownBox, IDC_LOGO, ToolkitRect(rects.field));
  box.autoHScroll = true;
  p.selectControl = MakeControl(box);
  if (ui::Control* control = p.selectControl) {
    control->ResetContent();
    for (uint32_t i = 0; i < p.logoCount && i < p.logoTexts.size(); ++i) {
      control->AddString(p.logoTexts[i]);
    }
    control->SetCurSel(0);
    control->Show(true);
  }
}

void MainDialog::CreateInfoPanel() {
  for (uint32_t i = 0; i < infoPanel.rows.size(); ++i) {
    InfoItem& row = infoPanel.rows[i];
    const RowRects rects = InfoRowRects(infoPanel, i);
    ui::ControlSpec label =
        LabelSpec(ToolkitRect(rects.label), row.title + u" : ", ui::TextAlign::Right);
    label.visible = true;
    row.labelControl = MakeControl(label);

    ui::ControlSpec content =
        ControlParams(ui::ControlType::Edit, IDC_INFO_CONTENT_BASE + static_cast<int>(i),
                      ToolkitRect(rects.field));
    content.readOnly = true;
    content.autoHScroll = true;
    content.visible = true;
    row.contentControl = MakeControl(content);
  }
}

void MainDialog::CreateTestPanel() {
  for (uint32_t i = 0; i < testItems.size(); ++i) {
    SettingItem& item = testItems[i];
    const RowRects rects = TestRowRects(testPanel, i);
    ui::ControlSpec label =
        LabelSpec(ToolkitRect(rects.label), item.title + u" : ", ui::TextAlign::Right);
    label.visible = true;
    item.labelControl = MakeControl(label);

    ui::ControlSpec result = LabelSpec(ToolkitRect(rects.field), {}, ui::TextAlign::Left);
    result.id = IDC_TEST_RESULT_BASE + static_cast<int>(i);
    result.visible = true;
    item.resultControl = MakeControl(result);
  }
}

void MainDialog::ApplyButtonSwitches() {
  for (const Switch& s : kSwitchedControls) ShowAndEnable(s.id, HasFlag(s.flag) == 1);
}

void MainDialog::ShowAndEnable(int id, bool on) {
  ui::Control* control = GetDlgItem(id);
  if (!control) return;
  control->Enable(on);
  control->Show(on);
}

}  // namespace kavrin
