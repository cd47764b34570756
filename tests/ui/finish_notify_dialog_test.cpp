// The self-closing notification of the kavrin operation, on the headless backend.
#include <gtest/gtest.h>

#include <string>

#include "ui/dialog_templates.h"
#include "ui/finish_notify_dialog.h"
#include "ui/headless/headless_toolkit.h"

namespace kavrin::test {
namespace {

class FinishNotifyDialogTest : public ::testing::TestWithParam<std::u16string> {};

TEST_P(FinishNotifyDialogTest, ShowsItsMessageAndClosesItselfAfterTwoSeconds) {
  ui::headless::HeadlessToolkit toolkit;
  bool sawTimer = false;
  toolkit.OnModalLoop([&](ui::headless::HeadlessWindow& shown) {
    sawTimer = shown.TimerInterval(FinishNotifyDialog::kCloseTimerId) == 2000;
  });
  FinishNotifyDialog notify(toolkit, GetParam());
  EXPECT_EQ(notify.DoModal(), 0);
  EXPECT_TRUE(sawTimer);
  EXPECT_EQ(toolkit.NowMs(), 2000);

  const auto windows = toolkit.OpenedWindows();
  ASSERT_EQ(windows.size(), 1u);
  const ui::headless::WindowSnapshot& shot = windows[0];
  EXPECT_EQ(shot.title, u"Kavrin");
  EXPECT_TRUE(shot.modalEnded);
  EXPECT_EQ(shot.centreCount, 1);
  EXPECT_EQ(shot.VisibleTexts(), std::vector<std::u16string>{GetParam()});
  const ui::headless::ControlState* text = shot.Find(IDC_STATIC);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->params.align, ui::TextAlign::Center);
  for (int id : {ui::IDOK, ui::IDCANCEL}) {
    ASSERT_NE(shot.Find(id), nullptr);
    EXPECT_FALSE(shot.Find(id)->visible);
  }
}

INSTANTIATE_TEST_SUITE_P(Messages, FinishNotifyDialogTest,
                         ::testing::Values(u"Kavrin finish !", u"Kavrin fail !"),
                         [](const auto& param) { return param.index == 0 ? "Finish" : "Fail"; });

TEST(FinishNotifyDialogEscapeTest, EscapeClosesItEarly) {
  ui::headless::HeadlessToolkit toolkit;
  toolkit.OnModalLoop([](ui::headless::HeadlessWindow& shown) { shown.Close(); });
  FinishNotifyDialog notify(toolkit);
  EXPECT_EQ(notify.DoModal(), ui::IDCANCEL);
  EXPECT_EQ(toolkit.NowMs(), 0);
}

}  // namespace
}  // namespace kavrin::test
