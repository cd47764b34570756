// The run-time controls of the main window: command buttons, path display, item rows and
// the logo, information and test panels, placed from the configuration's layouts; and the
// switches that show the command buttons.
#include <array>
#include <cstdint>
#include <string>

#include "ui/dialog_templates.h"
#include "ui/framework/control_utils.h"
#include "ui/main_dialog.h"

namespace kavrin {
namespace {

// Layout values are unsigned 32-bit numbers; the arithmetic on them wraps as unsigned and
// the result is taken as a signed pixel coordinate, as the platform's calls take it.
int Px(uint32_t value) { return static_cast<int>(static_cast<int32_t>(value)); }

ui::Rect PxRect(uint32_t left, uint32_t top, uint32_t right, uint32_t bottom) {
  return {Px(left), Px(top), Px(right), Px(bottom)};
}

// A list index from a field or option value; values a list cannot hold select nothing.
int ListIndex(uint32_t value) {
  return value <= static_cast<uint32_t>(INT32_MAX) ? static_cast<int>(value) : -1;
}

ui::ControlSpec ControlParams(ui::ControlType type, int id, const ui::Rect& rect, std::u16string text = {}) {
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

struct CommandButton {
  int id;
  const char16_t* label;
  ui::Rect rect;
  uint32_t flag;
};

constexpr std::array<CommandButton, 5> kCommandButtons{{
    {IDC_SAVE, u"Save", {8, 12, 88, 42}, SAVE_BIN},
    {IDC_LOAD, u"Load", {95, 12, 175, 42}, LOAD_BIN},
    {IDC_GET_KAVRIN, u"Get Kavrin", {8, 45, 88, 75}, GET_DEVICE_KAVRIN},
    {IDC_SET_DEFAULT, u"Set Def.", {95, 45, 175, 75}, SET_DEFAULT},
    {IDC_KAVRIN, u"Kavrin", {410, 12, 490, 42}, KAVRIN},
}};

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

constexpr ui::Rect kPathDisplayRect{180, 12, 400, 42};

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
  for (const CommandButton& button : kCommandButtons) {
    if (ui::Control* control = ui::CreatePushButton(button.label, button.rect, *window, button.id)) {
      control->Enable(true);
      control->Show(true);
    }
  }
}

void MainDialog::CreatePathDisplay() {
  ui::WindowHost* window = Window();
  if (!window) return;
  ui::ControlSpec params = ControlParams(ui::ControlType::Edit, IDC_PATH_DISPLAY, kPathDisplayRect);
  params.multiLine = true;
  params.autoHScroll = true;
  params.readOnly = true;
  pathDisplay_ = ui::CreateSunkenEdit(params, *window);
  // A multi-line box draws its one line at the top; centre it like a single-line box.
  ui::CenterEditText(pathDisplay_);
}

void MainDialog::CreateItemControls() {
  const ItemLayout& l = itemLayout;
  // ITEM_PER_COL 0 would divide by zero: it means no column break, all rows in one column.
  const uint32_t perColumn = l.itemsPerColumn == 0 ? UINT32_MAX : l.itemsPerColumn;
  const uint32_t columnWidth = l.titleWidth + l.titleOptionGap + l.optionWidth;
  for (uint32_t i = 0; i < items.size(); ++i) {
    SettingItem& item = items[i];
    const uint32_t x = l.x + (i / perColumn) * columnWidth;
    const uint32_t y = l.y + (i % perColumn) * l.lineShift;

    const ui::Rect labelRect = PxRect(x, y + 2 * l.titleShift, x + l.titleWidth,
                                      y + 2 * l.titleShift + l.itemHeight);
    ui::ControlSpec label = LabelSpec(labelRect, item.title, ui::TextAlign::Right);
    label.visible = true;
    item.labelControl = MakeControl(label);

    const uint32_t listLeft = x + l.titleWidth + l.titleOptionGap;
    const ui::Rect listRect = PxRect(listLeft, y + l.titleShift, listLeft + l.optionWidth,
                                     y + l.titleShift + l.optionHeight);
    ui::ControlSpec list = ControlParams(ui::ControlType::DropDownList, IDC_ITEM_BASE + static_cast<int>(i), listRect);
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
  ui::ControlSpec label =
      LabelSpec(PxRect(p.x, p.y, p.x + p.width, p.y + p.height), p.title, ui::TextAlign::Left);
  label.visible = true;
  p.labelControl = MakeControl(label);

  const uint32_t top = p.y + p.height + p.gap;
  ui::ControlSpec box = ControlParams(ui::ControlType::DropDownBox, IDC_LOGO,
                             PxRect(p.x, top, p.x + p.width, top + p.listHeight));
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
  const InfoPanel& p = infoPanel;
  for (uint32_t i = 0; i < infoPanel.rows.size(); ++i) {
    InfoItem& row = infoPanel.rows[i];
    const uint32_t y = p.y + i * p.lineShift;
    ui::ControlSpec label = LabelSpec(PxRect(p.x, y, p.x + p.titleWidth, y + p.rowHeight),
                                      row.title + u" : ", ui::TextAlign::Right);
    label.visible = true;
    row.labelControl = MakeControl(label);

    const uint32_t left = p.x + p.titleWidth + p.gap;
    ui::ControlSpec content = ControlParams(ui::ControlType::Edit, IDC_INFO_CONTENT_BASE + static_cast<int>(i),
                                   PxRect(left, y, left + p.contentWidth, y + p.rowHeight));
    content.readOnly = true;
    content.autoHScroll = true;
    content.visible = true;
    row.contentControl = MakeControl(content);
  }
}

void MainDialog::CreateTestPanel() {
  const TestPanel& p = testPanel;
  for (uint32_t i = 0; i < testItems.size(); ++i) {
    SettingItem& item = testItems[i];
    const uint32_t y = p.y + i * p.lineShift;
    ui::ControlSpec label = LabelSpec(PxRect(p.x, y, p.x + p.titleWidth, y + p.rowHeight),
                                      item.title + u" : ", ui::TextAlign::Right);
    label.visible = true;
    item.labelControl = MakeControl(label);

    const uint32_t left = p.x + p.titleWidth + p.gap;
    ui::ControlSpec result = LabelSpec(PxRect(left, y, left + p.contentWidth, y + p.rowHeight), {},
                                       ui::TextAlign::Left);
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
