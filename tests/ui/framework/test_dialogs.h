#pragma once
// A tiny dialog with one control of each kind, and a self-closing notice, used to check the
// framework on every backend.
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/framework/control_utils.h"
#include "ui/framework/dialog.h"

namespace kavrin::ui::test {

// Closes itself with result 0 when its timer 1 fires, as the kavrin notification does.
class NoticeDialog : public Dialog {
 public:
  static constexpr int kCloseTimer = 1;
  static constexpr int kLifetimeMs = 20;

  explicit NoticeDialog(Toolkit& toolkit) : Dialog(toolkit, MakeTemplate()) {}

  bool OnInitDialog() override {
    Window()->SetTimer(kCloseTimer, kLifetimeMs);
    return true;
  }
  void OnTimer(int id) override {
    timers.push_back(id);
    if (id != kCloseTimer) return;
    Window()->KillTimer(kCloseTimer);
    EndDialog(0);
  }

  std::vector<int> timers;

 private:
  static DialogTemplate MakeTemplate() {
    DialogTemplate tmpl;
    tmpl.caption = u"Notice";
    tmpl.sizeDialogUnits = {87, 28};
    tmpl.fontName = u"System";
    tmpl.fontPoints = 10;
    ControlSpec text;
    text.type = ControlType::Label;
    text.id = 0xFFFF;
    text.rect = {7, 7, 80, 21};
    text.text = u"Done !";
    text.align = TextAlign::Center;
    text.visible = true;
    ControlSpec ok;
    ok.type = ControlType::PushButton;
    ok.id = IDC_OK;
    ok.rect = {74, 7, 80, 21};
    ok.text = u"OK";
    ok.defaultButton = true;
    tmpl.controls = {{text}, {ok}};
    return tmpl;
  }
};

class TestDialog : public Dialog {
 public:
  // Template controls (dialog units).
  static constexpr Rect kTemplateLabelUnits{10, 30, 70, 38};
  static constexpr Rect kTemplateOkUnits{10, 10, 60, 24};
  // Run-time controls (pixels).
  static constexpr int kLabel = 100, kList = 101, kBox = 102, kInfo = 103, kPath = 104;
  static constexpr int kShown = 110, kHidden = 111, kDisabled = 112, kNested = 113, kBusy = 114;
  static constexpr Rect kLabelRect{20, 98, 200, 118};
  static constexpr Rect kListRect{206, 94, 326, 394};
  static constexpr Rect kBoxRect{350, 202, 510, 502};
  static constexpr Rect kInfoRect{474, 100, 614, 120};
  static constexpr Rect kPathRect{180, 12, 400, 42};
  static constexpr Rect kShownRect{410, 12, 490, 42};
  static constexpr Rect kHiddenRect{8, 12, 88, 42};
  static constexpr Rect kDisabledRect{95, 12, 175, 42};
  static constexpr Rect kNestedRect{8, 45, 88, 75};
  static constexpr Rect kBusyRect{95, 45, 175, 75};

  explicit TestDialog(Toolkit& toolkit) : Dialog(toolkit, MakeTemplate()) {
    MapCommand(kShown, [this] { ++shownClicks; });
    MapCommand(kHidden, [this] { ++hiddenClicks; });
    MapCommand(kDisabled, [this] { ++disabledClicks; });
    MapCommand(kNested, [this] {
      NoticeDialog notice(GetToolkit());
      nestedResult = notice.DoModal();
      nestedTimers = notice.timers;
    });
    // A long operation on the window's thread, as the kavrin operation is: whileBusy stands
    // for the user acting meanwhile.
    MapCommand(kBusy, [this] {
      ++busyClicks;
      std::optional<InputHold> hold;
      if (holdInputWhileBusy) hold.emplace(*this);
      if (whileBusy) whileBusy();
      GetToolkit().Pause(10);
    });
  }

  bool OnInitDialog() override {
    WindowHost& window = *Window();
    label = window.CreateControl(
        ControlParams(ControlType::Label, kLabel, kLabelRect, u"Cycle Time", TextAlign::Right));
    list = window.CreateControl(ControlParams(ControlType::DropDownList, kList, kListRect));
    Fill(list, {u"1 min", u"3 min", u"5 min"});
    list->SetCurSel(1);
    box = window.CreateControl(ControlParams(ControlType::DropDownBox, kBox, kBoxRect));
    Fill(box, {u"", u"ABC", u"新細明體"});
    box->SetCurSel(0);
    ControlSpec info = ControlParams(ControlType::Edit, kInfo, kInfoRect);
    info.readOnly = true;
    info.autoHScroll = true;
    infoEdit = window.CreateControl(info);
    ControlSpec path = ControlParams(ControlType::Edit, kPath, kPathRect);
    path.multiLine = true;
    path.readOnly = true;
    path.autoHScroll = true;
    path.visible = false;
    pathEdit = CreateSunkenEdit(path, window);
    CenterEditText(pathEdit);
    shown = Button(u"Shown", kShownRect, kShown, true, true);
    hidden = Button(u"Hidden", kHiddenRect, kHidden, false, false);
    disabled = Button(u"Disabled", kDisabledRect, kDisabled, true, false);
    nested = Button(u"Nested", kNestedRect, kNested, true, true);
    busy = Button(u"Busy", kBusyRect, kBusy, true, true);
    return true;
  }

  // A handler for a control a test adds.
  void MapTestCommand(int id, std::function<void()> handler) { MapCommand(id, std::move(handler)); }

  // The shown button's clicks that had run when each device change reached the dialog.
  void OnDeviceChange() override { shownClicksAtDeviceChange.push_back(shownClicks); }
  std::vector<int> shownClicksAtDeviceChange;

  bool OnCommand(int id, int notifyCode) override {
    commands.emplace_back(id, notifyCode);
    return Dialog::OnCommand(id, notifyCode);
  }
  void OnTimer(int id) override {
    timers.push_back(id);
    if (id == endTimerId) {
      Window()->KillTimer(id);
      EndDialog(endResult);
    }
  }

  // The number of commands with the id and code.
  int CommandCount(int id, int notifyCode) const {
    int n = 0;
    for (const auto& [i, c] : commands) n += (i == id && c == notifyCode) ? 1 : 0;
    return n;
  }

  Control *label = nullptr, *list = nullptr, *box = nullptr, *infoEdit = nullptr,
          *pathEdit = nullptr;
  Control *shown = nullptr, *hidden = nullptr, *disabled = nullptr, *nested = nullptr,
          *busy = nullptr;
  int shownClicks = 0, hiddenClicks = 0, disabledClicks = 0, busyClicks = 0;
  bool holdInputWhileBusy = true;
  std::function<void()> whileBusy;
  int nestedResult = -100;
  std::vector<int> nestedTimers;
  std::vector<std::pair<int, int>> commands;
  std::vector<int> timers;
  int endTimerId = -1;  // the timer that ends the dialog with endResult
  int endResult = 0;

 private:
  static ControlSpec ControlParams(ControlType type, int id, Rect rect, std::u16string text = {},
                                   TextAlign align = TextAlign::Left) {
    ControlSpec params;
    params.type = type;
    params.id = id;
    params.rect = rect;
    params.text = std::move(text);
    params.align = align;
    params.autoHScroll = type == ControlType::DropDownList || type == ControlType::DropDownBox;
    params.visible = true;
    return params;
  }
  static void Fill(Control* list, std::initializer_list<std::u16string_view> entries) {
    list->ResetContent();
    for (std::u16string_view entry : entries) list->AddString(entry);
  }
  Control* Button(std::u16string_view text, Rect rect, int id, bool show, bool enable) {
    Control* button = CreatePushButton(text, rect, *Window(), id);
    button->Enable(enable);
    button->Show(show);
    return button;
  }
  static DialogTemplate MakeTemplate() {
    DialogTemplate tmpl;
    tmpl.caption = u"Framework test";
    tmpl.sizeDialogUnits = {380, 440};
    tmpl.fontName = u"新細明體";
    tmpl.fontPoints = 9;
    ControlSpec ok;
    ok.type = ControlType::PushButton;
    ok.id = IDC_OK;
    ok.rect = kTemplateOkUnits;
    ok.text = u"確定";
    ok.defaultButton = true;
    ControlSpec text;
    text.type = ControlType::Label;
    text.id = 0xFFFF;
    text.rect = kTemplateLabelUnits;
    text.text = u"Template";
    text.visible = true;
    tmpl.controls = {{ok}, {text}};
    return tmpl;
  }
};

}  // namespace kavrin::ui::test
