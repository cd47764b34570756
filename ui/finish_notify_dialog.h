#pragma once
// The small "Kavrin" dialog that tells the operator the kavrin operation has ended. It closes
// itself two seconds after it opens; it asks nothing.
#include <string>

#include "ui/framework/dialog.h"

namespace kavrin {

class FinishNotifyDialog : public ui::Dialog {
 public:
  static constexpr int kCloseTimerId = 1;
  static constexpr int kLifetimeMs = 2000;

  // message: "Kavrin finish !", or "Kavrin fail !" when a transfer of the operation failed.
  explicit FinishNotifyDialog(ui::Toolkit& toolkit, std::u16string message = u"Kavrin finish !");

  bool OnInitDialog() override;
  void OnTimer(int id) override;
};

}  // namespace kavrin
