#pragma once
// Framework behaviour that every backend must show, written once and instantiated per
// backend with a driver that acts as the user would on that backend:
//   Toolkit& Kit();                                   the toolkit under test
//   bool Click(Dialog&, int id);                      false when the button cannot be seen
//   bool Type(Dialog&, int id, std::u16string_view);  typing into a control
//   bool Select(Dialog&, int id, int index);          picking a list entry
//   void CloseBox(Dialog&);                           Escape / the close box
//   Rect ShownRect(Dialog&, const Control&);          where the control is drawn
//   bool IsAbove(Dialog&, const Control&, const Control&);
//   Rect ScreenRect();                                the screen windows are centred on
//   bool WindowClick(Dialog&, int id);                a click through the window system, which
//                                                     a modal window blocks
//   void WindowEscape(Dialog&);                       Escape through the window system
//   void ClickWhileBusy(Dialog&, int id);             a click made while the window's thread
//                                                     is busy: it waits for an event loop
//   void Settle();                                    lets the event loop take waiting input
//   void WhileNestedShows(std::function<void()>);     runs once a nested modal dialog shows
//   void WindowClickAt(Dialog&, int x, int y);        a click at a client point through the
//                                                     window system's hit-testing
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/ui/framework/test_dialogs.h"

namespace kavrin::ui::test {

template <typename Driver>
class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dialog.Create()); }

  Driver driver;
  TestDialog dialog{driver.Kit()};
};

TYPED_TEST_SUITE_P(FrameworkTest);

TYPED_TEST_P(FrameworkTest, TemplateControlsAreMappedFromDialogUnitsAndHiddenWithoutVisibleStyle) {
  WindowHost& window = *this->dialog.Window();
  EXPECT_EQ(window.Title(), u"Framework test");
  Control* ok = this->dialog.GetDlgItem(IDC_OK);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->Geometry(), DialogRectToPixels(window, TestDialog::kTemplateOkUnits));
  EXPECT_FALSE(ok->IsVisible());
  EXPECT_FALSE(this->driver.Click(this->dialog, IDC_OK));
  // One dialog unit is a quarter of a character wide and an eighth high: a character box is
  // wider than one pixel and taller than it is wide.
  const Size character = window.DialogUnitsToPixels({4, 8});
  EXPECT_GT(character.width, 1);
  EXPECT_GT(character.height, character.width);
}

TYPED_TEST_P(FrameworkTest, RunTimeControlsStandAtTheirRects) {
  TestDialog& d = this->dialog;
  const struct {
    Control* control;
    Rect rect;
  } cases[] = {{d.label, TestDialog::kLabelRect},   {d.infoEdit, TestDialog::kInfoRect},
               {d.pathEdit, TestDialog::kPathRect}, {d.shown, TestDialog::kShownRect},
               {d.list, TestDialog::kListRect},     {d.box, TestDialog::kBoxRect}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.control->Id());
    EXPECT_EQ(c.control->Geometry(), c.rect);
    const Rect shownRect = this->driver.ShownRect(d, *c.control);
    EXPECT_EQ(shownRect.left, c.rect.left);
    EXPECT_EQ(shownRect.top, c.rect.top);
    EXPECT_EQ(shownRect.Width(), c.rect.Width());
    // A drop-down's rect includes its list; the closed box is never taller than the rect.
    EXPECT_LE(shownRect.Height(), c.rect.Height());
    if (c.control->Type() != ControlType::DropDownList &&
        c.control->Type() != ControlType::DropDownBox) {
      EXPECT_EQ(shownRect.Height(), c.rect.Height());
    }
  }
}

struct SelectionCase {
  int index;
  bool accepted;
  int selection;
  std::u16string face;
};

TYPED_TEST_P(FrameworkTest, ListSelectionOutOfRangeLeavesNoSelectionAndAnEmptyFace) {
  const SelectionCase listCases[] = {{0, true, 0, u"1 min"},
                                     {2, true, 2, u"5 min"},
                                     {3, false, -1, u""},
                                     {-1, false, -1, u""},
                                     {100, false, -1, u""}};
  const SelectionCase boxCases[] = {
      {1, true, 1, u"ABC"}, {2, true, 2, u"新細明體"}, {3, false, -1, u""}, {-1, false, -1, u""}};
  auto check = [](Control* list, const SelectionCase& c) {
    SCOPED_TRACE(testing::Message() << "list " << list->Id() << " index " << c.index);
    list->SetCurSel(1);  // a selection to lose
    EXPECT_EQ(list->SetCurSel(c.index), c.accepted);
    EXPECT_EQ(list->GetCurSel(), c.selection);
    EXPECT_EQ(list->Text(), c.face);
  };
  for (const SelectionCase& c : listCases) check(this->dialog.list, c);
  for (const SelectionCase& c : boxCases) check(this->dialog.box, c);
  EXPECT_EQ(this->dialog.list->GetCount(), 3);
  EXPECT_EQ(this->dialog.list->GetItemText(2), u"5 min");
  EXPECT_EQ(this->dialog.list->GetItemText(3), u"");
  // The program's own selections send no notifications.
  EXPECT_TRUE(this->dialog.commands.empty());
}

TYPED_TEST_P(FrameworkTest, ResetContentEmptiesTheListAndTheBoxField) {
  for (Control* list : {this->dialog.list, this->dialog.box}) {
    list->SetCurSel(1);
    list->ResetContent();
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(list->GetCurSel(), -1);
    EXPECT_EQ(list->Text(), u"");
    EXPECT_EQ(list->AddString(u"again"), 0);
    EXPECT_EQ(list->AddString(u"more"), 1);
  }
}

TYPED_TEST_P(FrameworkTest, EditableBoxReturnsTypedTextAndKeepsItsEntries) {
  Control* box = this->dialog.box;
  box->SetCurSel(1);
  ASSERT_TRUE(this->driver.Type(this->dialog, TestDialog::kBox, u"AB"));
  // Typing replaces the field; a prefix of an entry is not completed to it.
  EXPECT_EQ(box->Text(), u"AB");
  EXPECT_EQ(box->GetCount(), 3);
  EXPECT_GE(this->dialog.CommandCount(TestDialog::kBox, kNotifyEditChange), 1);
  EXPECT_EQ(this->dialog.CommandCount(TestDialog::kBox, kNotifyClicked), 0);
  box->SetText(u"DATE 2013");
  EXPECT_EQ(box->Text(), u"DATE 2013");
}

TYPED_TEST_P(FrameworkTest, DropDownListHasNoFreeText) {
  this->dialog.list->SetCurSel(0);
  this->dialog.list->SetText(u"typed");
  EXPECT_EQ(this->dialog.list->Text(), u"1 min");
}

TYPED_TEST_P(FrameworkTest, UserSelectionReportsSelChangeNotAClick) {
  ASSERT_TRUE(this->driver.Select(this->dialog, TestDialog::kList, 2));
  EXPECT_EQ(this->dialog.list->GetCurSel(), 2);
  EXPECT_EQ(this->dialog.list->Text(), u"5 min");
  EXPECT_EQ(this->dialog.CommandCount(TestDialog::kList, kNotifySelChange), 1);
  EXPECT_EQ(this->dialog.CommandCount(TestDialog::kList, kNotifyClicked), 0);
}

TYPED_TEST_P(FrameworkTest, OnlyVisibleEnabledButtonsReachTheirHandlers) {
  TestDialog& d = this->dialog;
  this->driver.Click(d, TestDialog::kHidden);
  this->driver.Click(d, TestDialog::kDisabled);
  EXPECT_EQ(d.hiddenClicks, 0);
  EXPECT_EQ(d.disabledClicks, 0);
  EXPECT_FALSE(d.hidden->IsVisible());  // still hidden after the attempt
  EXPECT_TRUE(this->driver.Click(d, TestDialog::kShown));
  EXPECT_EQ(d.shownClicks, 1);
  EXPECT_EQ(d.CommandCount(TestDialog::kShown, kNotifyClicked), 1);
  // Enabling the disabled one lets the user reach it.
  d.disabled->Enable(true);
  EXPECT_TRUE(this->driver.Click(d, TestDialog::kDisabled));
  EXPECT_EQ(d.disabledClicks, 1);
}

TYPED_TEST_P(FrameworkTest, CloseBoxAnswersAsCancel) {
  this->driver.CloseBox(this->dialog);
  EXPECT_EQ(this->dialog.CommandCount(IDC_CANCEL, kNotifyClicked), 1);
  // Ended before its loop runs, the dialog returns at once with Cancel.
  EXPECT_EQ(this->dialog.DoModal(), IDC_CANCEL);
}

TYPED_TEST_P(FrameworkTest, ModalRunEndsWhenItsTimerEndsTheDialog) {
  this->dialog.endTimerId = 7;
  this->dialog.endResult = 42;
  this->dialog.Window()->SetTimer(7, 10);
  EXPECT_EQ(this->dialog.DoModal(), 42);
  EXPECT_EQ(this->dialog.timers, std::vector<int>{7});
}

TYPED_TEST_P(FrameworkTest, NestedNoticeClosesItselfByItsTimer) {
  ASSERT_TRUE(this->driver.Click(this->dialog, TestDialog::kNested));
  EXPECT_EQ(this->dialog.nestedResult, 0);
  EXPECT_EQ(this->dialog.nestedTimers, std::vector<int>{NoticeDialog::kCloseTimer});
  // The main window works on afterwards.
  EXPECT_TRUE(this->driver.Click(this->dialog, TestDialog::kShown));
  EXPECT_EQ(this->dialog.shownClicks, 1);
}

TYPED_TEST_P(FrameworkTest, NestedModalDialogBlocksItsOwner) {
  bool clickReached = true;
  this->driver.WhileNestedShows([&] {
    clickReached =
        this->driver.WindowClick(this->dialog, TestDialog::kShown) && this->dialog.shownClicks > 0;
    this->driver.WindowEscape(this->dialog);
  });
  ASSERT_TRUE(this->driver.Click(this->dialog, TestDialog::kNested));
  EXPECT_EQ(this->dialog.nestedResult, 0);  // the notice ran until its own timer
  EXPECT_FALSE(clickReached);
  EXPECT_EQ(this->dialog.shownClicks, 0);
  EXPECT_EQ(this->dialog.CommandCount(IDC_CANCEL, kNotifyClicked), 0) << "Escape reached the owner";
  // Once the notice has closed, the owner takes input again.
  this->driver.Settle();
  EXPECT_TRUE(this->driver.WindowClick(this->dialog, TestDialog::kShown));
  EXPECT_EQ(this->dialog.shownClicks, 1);
}

struct HoldCase {
  const char* name;
  bool hold;
  int busyRuns;     // how often the busy handler ran
  int shownClicks;  // clicks on another button made while busy, delivered
};

TYPED_TEST_P(FrameworkTest, InputMadeWhileHeldIsDroppedNotDeliveredAfterwards) {
  // Without the hold the queued clicks arrive once the handler returns: the fault the hold
  // exists for, and the proof that this test sees queued input at all.
  const HoldCase cases[] = {{"held", true, 1, 0}, {"not held", false, 2, 1}};
  for (const HoldCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestDialog& d = this->dialog;
    d.busyClicks = d.shownClicks = 0;
    d.holdInputWhileBusy = c.hold;
    d.whileBusy = [&] {
      if (d.busyClicks != 1) return;
      this->driver.ClickWhileBusy(d, TestDialog::kBusy);
      this->driver.ClickWhileBusy(d, TestDialog::kShown);
    };
    ASSERT_TRUE(this->driver.Click(d, TestDialog::kBusy));
    this->driver.Settle();
    EXPECT_EQ(d.busyClicks, c.busyRuns);
    EXPECT_EQ(d.shownClicks, c.shownClicks);
  }
  // After the hold the window takes input as before.
  this->dialog.whileBusy = nullptr;
  EXPECT_TRUE(this->driver.Click(this->dialog, TestDialog::kShown));
  EXPECT_EQ(this->dialog.shownClicks, 2);
}

TYPED_TEST_P(FrameworkTest, SunkenEditIsFramedInTheGuiFontWithItsLineCentred) {
  Control* path = this->dialog.pathEdit;
  EXPECT_TRUE(path->IsVisible());
  EXPECT_EQ(path->Font(), FontChoice::DefaultGui);
  const Rect client = path->ClientRect();
  EXPECT_LT(client.Width(), TestDialog::kPathRect.Width());  // the sunken edge takes room
  const Rect text = path->TextRect();
  EXPECT_EQ(text.left, client.left);
  EXPECT_EQ(text.right, client.right);
  EXPECT_EQ(text.Height(), client.Height());
  // The space above the line and below it differ by the truncated half pixel at most.
  const int above = text.top - client.top;
  const int below = client.Height() - above - path->FontHeight();
  EXPECT_GT(above, 0);
  EXPECT_GE(below, above);
  EXPECT_LE(below - above, 1);
  // A new size lays the formatting rectangle out anew.
  PlaceControl(path, 180, 12, 400, 60);
  EXPECT_EQ(path->TextRect(), path->ClientRect());
}

TYPED_TEST_P(FrameworkTest, ButtonsTakeTheGuiFontAndOtherControlsKeepTheirDefault) {
  for (Control* c : {this->dialog.shown, this->dialog.hidden})
    EXPECT_EQ(c->Font(), FontChoice::DefaultGui);
  for (Control* c :
       {this->dialog.label, this->dialog.list, this->dialog.box, this->dialog.infoEdit})
    EXPECT_EQ(c->Font(), FontChoice::ControlDefault);
  EXPECT_FALSE(this->dialog.hidden->IsVisible());
  EXPECT_EQ(this->dialog.hidden->Text(), u"Hidden");
}

TYPED_TEST_P(FrameworkTest, PlaceShowsAndRaisesAboveSiblings) {
  Control* label = this->dialog.label;
  label->Show(false);
  // Where the first control made is the top one (Win32: the z-order is the tab order), it
  // is put at the bottom first, so that placing it has something to raise it above.
  if constexpr (requires { TypeParam::kFirstControlOnTop; }) this->driver.SendToBottom(*label);
  EXPECT_FALSE(this->driver.IsAbove(this->dialog, *label, *this->dialog.nested));
  PlaceControl(label, 30, 40, 130, 60);
  EXPECT_TRUE(label->IsVisible());
  EXPECT_EQ(label->Geometry(), (Rect{30, 40, 130, 60}));
  EXPECT_TRUE(this->driver.IsAbove(this->dialog, *label, *this->dialog.nested));
  PlaceControl(nullptr, 0, 0, 1, 1);  // no control: nothing happens
}

TYPED_TEST_P(FrameworkTest, WindowTakesOuterSizeAndCentresOnTheScreen) {
  WindowHost& window = *this->dialog.Window();
  window.SetOuterGeometry({0, 0, 640, 520});
  window.CenterOnScreen();
  const Rect outer = window.OuterGeometry();
  EXPECT_EQ(outer.Width(), 640);
  EXPECT_EQ(outer.Height(), 520);
  const Rect screen = this->driver.ScreenRect();
  EXPECT_EQ(outer.left - screen.left, (screen.Width() - 640) / 2);
  EXPECT_EQ(outer.top - screen.top, (screen.Height() - 520) / 2);
  window.SetTitle(u"ZK742 User Kavrin Tool 20130418-1");
  EXPECT_EQ(window.Title(), u"ZK742 User Kavrin Tool 20130418-1");
}

// A label laid over part of a button (layouts do that) lets a click through to the button,
// wherever the label was made and however they stack.
TYPED_TEST_P(FrameworkTest, AClickOnALabelReachesTheButtonUnderIt) {
  TestDialog& d = this->dialog;
  WindowHost& window = *d.Window();
  constexpr int kUnder = 120, kOver = 121;
  ControlSpec button;
  button.type = ControlType::PushButton;
  button.id = kUnder;
  button.rect = {40, 200, 140, 240};
  button.text = u"Set Def.";
  button.visible = true;
  int underClicks = 0;
  d.MapTestCommand(kUnder, [&] { ++underClicks; });
  Control* under = window.CreateControl(button);
  ControlSpec label;
  label.type = ControlType::Label;
  label.id = kOver;
  label.rect = {10, 190, 90, 260};  // over the button's left half and below it; nothing else there
  label.text = u"Cycle Time";
  label.visible = true;
  Control* over = window.CreateControl(label);
  ASSERT_NE(under, nullptr);
  ASSERT_NE(over, nullptr);
  over->Place(label.rect);  // raised: the label is on top
  ASSERT_TRUE(this->driver.IsAbove(d, *over, *under));
  const struct {
    const char* where;
    int x, y;
    int clicks;
  } cases[] = {{"button under the label", 70, 220, 1},
               {"button alone", 120, 220, 1},
               {"label alone", 30, 250, 0},
               {"neither", 160, 250, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    underClicks = 0;
    this->driver.WindowClickAt(d, c.x, c.y);
    this->driver.Settle();
    EXPECT_EQ(underClicks, c.clicks);
  }
  EXPECT_EQ(d.CommandCount(kOver, kNotifyClicked), 0);
}

// A control measures text in its own font: more words than fit break onto more lines of the
// same height, a text without room to break keeps one line.
TYPED_TEST_P(FrameworkTest, TextIsMeasuredInTheControlsFontWithLineBreaks) {
  Control* label = this->dialog.label;
  const std::u16string longText = u"Kavrin fail ! (clock: recorder busy, settings: recorder busy)";
  const Size line = label->MeasureText(u"Kavrin", 0);
  EXPECT_GT(line.width, 0);
  EXPECT_GT(line.height, 0);
  const Size oneLine = label->MeasureText(longText, 0);
  EXPECT_EQ(oneLine.height, line.height);
  EXPECT_GT(oneLine.width, 4 * line.width);
  const int wrap = oneLine.width / 3;
  const Size wrapped = label->MeasureText(longText, wrap);
  EXPECT_LE(wrapped.width, wrap);
  EXPECT_GE(wrapped.height, 3 * line.height);
  EXPECT_EQ(label->MeasureText(u"Kavrin", wrap), line);
}

REGISTER_TYPED_TEST_SUITE_P(
    FrameworkTest, AClickOnALabelReachesTheButtonUnderIt,
    TextIsMeasuredInTheControlsFontWithLineBreaks,
    TemplateControlsAreMappedFromDialogUnitsAndHiddenWithoutVisibleStyle,
    RunTimeControlsStandAtTheirRects, ListSelectionOutOfRangeLeavesNoSelectionAndAnEmptyFace,
    ResetContentEmptiesTheListAndTheBoxField, EditableBoxReturnsTypedTextAndKeepsItsEntries,
    DropDownListHasNoFreeText, UserSelectionReportsSelChangeNotAClick,
    OnlyVisibleEnabledButtonsReachTheirHandlers, CloseBoxAnswersAsCancel,
    ModalRunEndsWhenItsTimerEndsTheDialog, NestedNoticeClosesItselfByItsTimer,
    NestedModalDialogBlocksItsOwner, InputMadeWhileHeldIsDroppedNotDeliveredAfterwards,
    SunkenEditIsFramedInTheGuiFontWithItsLineCentred,
    ButtonsTakeTheGuiFontAndOtherControlsKeepTheirDefault, PlaceShowsAndRaisesAboveSiblings,
    WindowTakesOuterSizeAndCentresOnTheScreen);

}  // namespace kavrin::ui::test
