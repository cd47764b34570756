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
  for (int id : {ui::IDOK, ui::IDCANCEL}) {
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
      EXPECT_TRUE(shown.Click(ui::IDOK));
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
  const ui::headless::ControlState* ok = shot.Find(ui::IDOK);
  ASSERT_NE(text, nullptr);
  ASSERT_NE(ok, nullptr);
  EXPECT_GE(text->geometry.Width(), 7 * static_cast<int>(KavrinFailMessage(u"clock, settings, commit").size()));
  EXPECT_GE(ok->geometry.top, text->geometry.bottom);
  EXPECT_LE(ok->geometry.bottom, shot.clientSize.height);
  EXPECT_LE(ok->geometry.right, shot.clientSize.width);
  EXPECT_TRUE(ok->params.defaultButton);
}

INSTANTIATE_TEST_SUITE_P(Close, FailNotifyDialogTest,
                         ::testing::Values(CloseCase{"Ok", true, ui::IDOK}, CloseCase{"Escape", false, ui::IDCANCEL}),
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
  EXPECT_EQ(notify.DoModal(), ui::IDCANCEL);
  EXPECT_EQ(toolkit.NowMs(), 0);
}

}  // namespace
}  // namespace kavrin::test
