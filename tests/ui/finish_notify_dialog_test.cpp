// The notification of the kavrin operation, on the headless backend: success closes itself
// after two seconds; a failure names what failed and stays until the operator closes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/dialog_templates.h"
#include "ui/finish_notify_dialog.h"
#include "ui/headless/headless_toolkit.h"

namespace kavrin::test {
namespace {

TEST(FinishNotifyDialogTest, SuccessShowsItsMessageAndClosesItselfAfterTwoSeconds) {
  ui::headless::HeadlessToolkit toolkit;
  bool sawTimer = false;
  toolkit.OnModalLoop([&](ui::headless::HeadlessWindow& shown) {
    sawTimer = shown.TimerInterval(FinishNotifyDialog::kCloseTimerId) == 2000;
  });
  FinishNotifyDialog notify(toolkit);
  EXPECT_TRUE(notify.ClosesItself());
  EXPECT_EQ(notify.DoModal(), 0);
  EXPECT_TRUE(sawTimer);
  EXPECT_EQ(toolkit.NowMs(), 2000);

  const auto windows = toolkit.OpenedWindows();
  ASSERT_EQ(windows.size(), 1u);
  const ui::headless::WindowSnapshot& shot = windows[0];
  EXPECT_EQ(shot.title, u"Kavrin");
  EXPECT_TRUE(shot.modalEnded);
  EXPECT_EQ(shot.centreCount, 1);
  EXPECT_EQ(shot.VisibleTexts(), std::vector<std::u16string>{u"Kavrin finish !"});
  const ui::headless::ControlState* text = shot.Find(IDC_STATIC);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->params.align, ui::TextAlign::Center);
  for (int id : {ui::IDC_OK, ui::IDC_CANCEL}) {
    ASSERT_NE(shot.Find(id), nullptr);
    EXPECT_FALSE(shot.Find(id)->visible);
  }
}

struct CloseCase {
  const char* name;
  bool pressOk;  // else Escape / the close box
  int result;
};
void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

class FailNotifyDialogTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(FailNotifyDialogTest, NamesTheFailedStepAndStaysUntilClosed) {
  ui::headless::HeadlessToolkit toolkit;
  std::vector<int> timers{-1};
  bool openAfterALongTime = false;
  toolkit.OnModalLoop([&](ui::headless::HeadlessWindow& shown) {
    timers = shown.PendingTimers();
    toolkit.Pause(60000);  // a minute later nothing has closed it
    openAfterALongTime = !shown.ModalEnded();
    if (GetParam().pressOk) {
      EXPECT_TRUE(shown.Click(ui::IDC_OK));
    } else {
      shown.Close();
    }
  });
  FinishNotifyDialog notify(toolkit, u"settings");
  EXPECT_FALSE(notify.ClosesItself());
  EXPECT_EQ(notify.DoModal(), GetParam().result);
  EXPECT_TRUE(timers.empty());
  EXPECT_TRUE(openAfterALongTime);

  const ui::headless::WindowSnapshot shot = toolkit.OpenedWindows().at(0);
  EXPECT_EQ(shot.title, u"Kavrin");
  EXPECT_EQ(shot.VisibleTexts(), (std::vector<std::u16string>{u"Kavrin fail ! (settings)", u"OK"}));
  // The message fits its label at the template font's seven-pixel average character width,
  // and the OK button lies inside the client area below it.
  const ui::headless::ControlState* text = shot.Find(IDC_STATIC);
  const ui::headless::ControlState* ok = shot.Find(ui::IDC_OK);
  ASSERT_NE(text, nullptr);
  ASSERT_NE(ok, nullptr);
  EXPECT_GE(text->geometry.Width(),
            7 * static_cast<int>(KavrinFailMessage(u"clock, settings, commit").size()));
  EXPECT_GE(ok->geometry.top, text->geometry.bottom);
  EXPECT_LE(ok->geometry.bottom, shot.clientSize.height);
  EXPECT_LE(ok->geometry.right, shot.clientSize.width);
  EXPECT_TRUE(ok->params.defaultButton);
}

INSTANTIATE_TEST_SUITE_P(Close, FailNotifyDialogTest,
                         ::testing::Values(CloseCase{"Ok", true, ui::IDC_OK},
                                           CloseCase{"Escape", false, ui::IDC_CANCEL}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(FinishNotifyDialogTest, FailMessageNamesTheSteps) {
  EXPECT_EQ(KavrinFailMessage(u"clock"), u"Kavrin fail ! (clock)");
  EXPECT_EQ(KavrinFailMessage(u"clock, commit"), u"Kavrin fail ! (clock, commit)");
  EXPECT_EQ(KavrinFailMessage(u""), u"Kavrin fail !");
}

TEST(FinishNotifyDialogTest, EscapeClosesTheSuccessEarly) {
  ui::headless::HeadlessToolkit toolkit;
  toolkit.OnModalLoop([](ui::headless::HeadlessWindow& shown) { shown.Close(); });
  FinishNotifyDialog notify(toolkit);
  EXPECT_EQ(notify.DoModal(), ui::IDC_CANCEL);
  EXPECT_EQ(toolkit.NowMs(), 0);
}

// The message is always whole: a reason longer than the template's one line makes the text
// as tall (or wide) as it needs, the OK button moves below it, and the window grows to hold
// both, on the headless backend's font measure.
struct FitCase {
  const char* name;
  std::u16string whatFailed;
  bool grows;
};
void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }

class NotificationFitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(NotificationFitTest, TheMessageFitsItsTextAndTheWindowHoldsItAndOk) {
  ui::headless::HeadlessToolkit toolkit;
  FinishNotifyDialog notify(toolkit, GetParam().whatFailed);
  ASSERT_TRUE(notify.Create());
  auto& window = static_cast<ui::headless::HeadlessWindow&>(*notify.Window());
  ui::Control* text = notify.GetDlgItem(IDC_STATIC);
  ui::Control* ok = notify.GetDlgItem(ui::IDC_OK);
  ASSERT_NE(text, nullptr);
  ASSERT_NE(ok, nullptr);
  const ui::Rect label = text->Geometry();
  const ui::Size needed =
      text->MeasureText(KavrinFailMessage(GetParam().whatFailed), label.Width());
  EXPECT_LE(needed.width, label.Width());
  EXPECT_LE(needed.height, label.Height());
  const ui::Rect templateLabel =
      ui::DialogRectToPixels(window, FailNotifyTemplate(u"").controls[0].params.rect);
  EXPECT_EQ(label.Height() > templateLabel.Height() || label.Width() > templateLabel.Width(),
            GetParam().grows);
  const ui::Rect button = ok->Geometry();
  EXPECT_TRUE(ok->IsVisible());
  EXPECT_GE(button.top, label.bottom) << "OK covers the text";
  const ui::Size client = window.ClientSize();
  EXPECT_LE(label.right, client.width);
  EXPECT_LE(button.bottom, client.height);
  EXPECT_LE(button.right, client.width);
  // The margins around the text stay as the template has them.
  EXPECT_NEAR(client.width - label.right, label.left, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, NotificationFitTest,
    ::testing::Values(FitCase{"one step", u"settings", false},
                      FitCase{"two steps", u"clock, commit", false},
                      FitCase{"busy recorder", u"clock: recorder busy, settings: recorder busy",
                              true},
                      FitCase{"one long word", u"clock:" + std::u16string(60, u'x'), true}),
    [](const ::testing::TestParamInfo<FitCase>& param) {
      std::string name;
      for (const char* c = param.param.name; *c; ++c) name += *c == ' ' ? '_' : *c;
      return name;
    });

}  // namespace
}  // namespace kavrin::test
