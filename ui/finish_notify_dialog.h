#pragma once
// The small "Kavrin" dialog that tells the operator how the kavrin operation ended. Success
// closes itself two seconds after it opens. A failure names what failed and stays until the
// operator closes it (OK, Escape or the close box): a failed write must not pass unseen.
#include <string>
#include <string_view>

#include "ui/framework/dialog.h"

namespace kavrin {

class FinishNotifyDialog : public ui::Dialog {
 public:
  static constexpr int kCloseTimerId = 1;
  static constexpr int kLifetimeMs = 2000;

  // "Kavrin finish !", closing itself.
  explicit FinishNotifyDialog(ui::Toolkit& toolkit);
  // "Kavrin fail ! (<whatFailed>)", e.g. "Kavrin fail ! (settings)", staying until closed.
  FinishNotifyDialog(ui::Toolkit& toolkit, std::u16string_view whatFailed);

  bool ClosesItself() const { return closesItself_; }

  bool OnInitDialog() override;
  // The two seconds count from when the operator can see the notification.
  void OnShowWindow() override;
  void OnTimer(int id) override;

 private:
  bool closesItself_;
  bool lifetimeStarted_ = false;
};

// The failure's message: "Kavrin fail ! (clock, commit)"; without a named step just
// "Kavrin fail !".
std::u16string KavrinFailMessage(std::u16string_view whatFailed);

}  // namespace kavrin
