#pragma once
// The window of one dialog on Qt: a fixed-size QDialog with the template's caption and font,
// application-modal whenever it shows and run with exec(). Escape and the close box reach the
// dialog as Cancel; timers are precise QTimers per id.
#include <QMargins>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "ui/framework/dialog.h"
#include "ui/framework/toolkit.h"
#include "ui/qt/qt_control.h"

class QDialog;
class QTimer;

namespace kavrin::ui::qt {

class QtWindow : public WindowHost {
 public:
  QtWindow(Dialog& dialog, const DialogTemplate& tmpl);
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  Control* CreateControl(const ControlSpec& params) override;
  Control* FindControl(int id) override { return Find(id); }

  void SetTitle(std::u16string_view title) override;
  std::u16string Title() const override;
  void SetIcon(std::span<const unsigned char> png) override;
  void SetOuterGeometry(const Rect& rect) override;
  Rect OuterGeometry() const override { return outer_; }
  Size ClientSize() const override;
  // The client size is given from now on; the frame comes on top of it.
  void SetClientSize(Size size) override;
  void CenterOnScreen() override;
  Size ScreenSize() const override;
  void Show() override;

  Size DialogUnitsToPixels(Size dialogUnits) const override;

  void SetTimer(int id, int milliseconds) override;
  void KillTimer(int id) override;

  int RunModal() override;
  void EndModal(int result) override;
  void HoldInput(bool hold) override;

  QDialog* Widget() const;
  QtControl* Find(int id);
  bool InModalLoop() const { return inModalLoop_; }

 private:
  class DialogWidget;
  friend class DialogWidget;
  class InputDropper;

  void OnCloseRequested();
  void OnShown();
  // Sizes the client area so that the frame, as far as it is known, has the outer size (or,
  // while the template's size stands, keeps that client size with the frame around it).
  void ApplyOuterGeometry();
  void MoveOuter(const Rect& rect);

  Dialog& dialog_;
  std::unique_ptr<DialogWidget> widget_;
  std::vector<std::unique_ptr<QtControl>> controls_;
  std::map<int, QTimer*> timers_;               // children of the widget
  std::unique_ptr<InputDropper> inputDropper_;  // set while the input is held
  Size baseUnits_;
  Rect outer_;
  std::optional<Size> templateClient_;  // until SetOuterGeometry gives an outer size (or
                                        // SetClientSize a client size)
  QMargins appliedFrame_;
  bool closing_ = false;  // set while the window is destroyed: no more calls into the dialog
  bool inModalLoop_ = false;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace kavrin::ui::qt
