#pragma once
// The window of one dialog in the headless backend, with the hooks tests use to act as a
// user would (click, type, pick an entry, close) and to drive its timers in virtual time.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "ui/framework/dialog.h"
#include "ui/framework/toolkit.h"
#include "ui/headless/headless_control.h"
#include "ui/headless/window_snapshot.h"

namespace kavrin::ui::headless {

class HeadlessToolkit;

// Dialog base units: the template font's height in pixels at 96 dots per inch
// (points x 96 / 72, rounded) and an average character width of half of it, rounded up:
// 6 x 12 for the 9-point template font, 7 x 13 for a 10-point one. Dialog units map to pixels
// as x * width / 4 and y * height / 8, rounded.
struct BaseUnits {
  int width = 0, height = 0;
};
BaseUnits BaseUnitsForFont(int points);

// The frame around the client area: a border on the left, right and bottom and a caption plus
// border on top.
inline constexpr int kFrameThickness = 3;
inline constexpr int kCaptionHeight = 23;

class HeadlessWindow : public WindowHost {
 public:
  // The modal loop gives up after this many timer events without an end (a dialog whose
  // timer never ends it); tests never hang.
  static constexpr int kMaxTimerEventsPerRun = 10000;

  HeadlessWindow(HeadlessToolkit& toolkit, Dialog& dialog, const DialogTemplate& tmpl);
  ~HeadlessWindow() override;
  HeadlessWindow(const HeadlessWindow&) = delete;
  HeadlessWindow& operator=(const HeadlessWindow&) = delete;

  Control* CreateControl(const ControlSpec& params) override;
  Control* FindControl(int id) override { return Find(id); }

  void SetTitle(std::u16string_view title) override { title_ = std::u16string(title); }
  std::u16string Title() const override { return title_; }
  void SetIcon(std::span<const unsigned char> png) override {
    icon_.assign(png.begin(), png.end());
  }
  void SetOuterGeometry(const Rect& rect) override { outer_ = rect; }
  Rect OuterGeometry() const override { return outer_; }
  void CenterOnScreen() override;
  Size ScreenSize() const override;
  void Show() override;

  Size DialogUnitsToPixels(Size dialogUnits) const override;

  void SetTimer(int id, int milliseconds) override;
  void KillTimer(int id) override { timers_.erase(id); }

  // Runs the dialog's pending timers in due order on the toolkit's virtual clock until
  // EndModal; returns -1 when nothing is pending any more (or after kMaxTimerEventsPerRun).
  int RunModal() override;
  void EndModal(int result) override;
  void HoldInput(bool hold) override;

  // --- test hooks ---
  // The user's actions (Click, TypeText, SelectEntry, Close) go through the toolkit's input
  // queue: they act at once (their result) when the window's thread is free, and are queued
  // (false) while it sleeps in a pause; input for a window that a modal window blocks, or
  // whose input is held, is dropped (false).
  HeadlessControl* Find(int id);
  const std::vector<std::unique_ptr<HeadlessControl>>& Controls() const { return controls_; }
  // A user's click: refused (false) unless the id names a visible, enabled push button.
  bool Click(int id);
  // A user's click at a point of the client area: it goes to the topmost visible control
  // there that takes clicks (labels let clicks through to what lies under them), as the
  // platform's hit-testing does; false when no enabled push button is hit.
  bool ClickAt(int x, int y);
  // A click made while the window's thread is busy: it waits in the input queue for the next
  // event loop (the end of the handler now running, or a modal loop starting).
  void QueueClick(int id);
  // The command a control would send, delivered whatever the control's state.
  bool SendCommand(int id, int notifyCode);
  // A user typing into a visible, enabled drop-down box or writable edit: replaces its
  // text and sends kNotifyEditChange. False when refused.
  bool TypeText(int id, std::u16string_view text);
  // A user picking entry index of a visible, enabled list: selects it and sends
  // kNotifySelChange. False when refused or out of range.
  bool SelectEntry(int id, int index);
  // The close box or Escape: the dialog's OnClose.
  void Close();
  // Fires a pending timer once now (advancing the clock to its due time); false if none.
  bool FireTimer(int id);
  bool HasTimer(int id) const { return timers_.count(id) != 0; }
  std::vector<int> PendingTimers() const;
  int TimerInterval(int id) const;

  bool IsShown() const { return shown_; }
  bool InModalLoop() const { return inModalLoop_; }
  bool InputHeld() const { return inputHeld_; }
  bool ModalEnded() const { return ended_; }
  int ModalResult() const { return result_; }
  Size ClientSize() const override;
  void SetClientSize(Size size) override;
  WindowSnapshot Snapshot() const;

 private:
  struct Timer {
    int interval = 0;
    int64_t due = 0;
    uint64_t order = 0;  // ties on the due time fire in the order the timers were set
  };
  std::function<bool()> ClickAction(int id);
  std::map<int, Timer>::iterator NextDueTimer();
  void Fire(std::map<int, Timer>::iterator timer);

  HeadlessToolkit& toolkit_;
  Dialog& dialog_;
  BaseUnits baseUnits_;
  std::u16string title_;
  std::vector<unsigned char> icon_;
  Rect outer_;
  bool shown_ = false;
  int centreCount_ = 0;
  std::vector<std::unique_ptr<HeadlessControl>> controls_;
  int zOrderCounter_ = 0;
  std::map<int, Timer> timers_;
  uint64_t timerOrder_ = 0;
  bool inModalLoop_ = false;
  bool inputHeld_ = false;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace kavrin::ui::headless
