#include "ui/headless/headless_window.h"

#include <cstdlib>

#include "ui/headless/headless_toolkit.h"

namespace kavrin::ui::headless {
namespace {

// a * b / c rounded half away from zero, as the platform's dialog-unit mapping rounds.
int MulDivRound(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

BaseUnits BaseUnitsForFont(int points) {
  const int height = MulDivRound(points > 0 ? points : 9, 96, 72);
  return {(height + 1) / 2, height};
}

HeadlessWindow::HeadlessWindow(HeadlessToolkit& toolkit, Dialog& dialog, const DialogTemplate& tmpl)
    : toolkit_(toolkit),
      dialog_(dialog),
      baseUnits_(BaseUnitsForFont(tmpl.fontPoints)),
      title_(tmpl.caption) {
  const Size client = DialogUnitsToPixels(tmpl.sizeDialogUnits);
  outer_ = {0, 0, client.width + 2 * kFrameThickness,
            client.height + kCaptionHeight + 2 * kFrameThickness};
}

HeadlessWindow::~HeadlessWindow() { toolkit_.WindowDestroyed(*this); }

Control* HeadlessWindow::CreateControl(const ControlSpec& params) {
  controls_.push_back(
      std::make_unique<HeadlessControl>(params, [this] { return ++zOrderCounter_; }));
  return controls_.back().get();
}

void HeadlessWindow::CenterOnScreen() {
  const int width = outer_.Width(), height = outer_.Height();
  const int left = (HeadlessToolkit::kScreenSize.width - width) / 2;
  const int top = (HeadlessToolkit::kScreenSize.height - height) / 2;
  outer_ = {left, top, left + width, top + height};
  ++centreCount_;
}

Size HeadlessWindow::ScreenSize() const { return HeadlessToolkit::kScreenSize; }

void HeadlessWindow::Show() {
  if (shown_) return;
  shown_ = true;
  dialog_.OnShowWindow();
}

Size HeadlessWindow::DialogUnitsToPixels(Size dialogUnits) const {
  return {MulDivRound(dialogUnits.width, baseUnits_.width, 4),
          MulDivRound(dialogUnits.height, baseUnits_.height, 8)};
}

void HeadlessWindow::SetTimer(int id, int milliseconds) {
  // Setting an existing id starts it again with the new interval.
  const int interval = milliseconds > 0 ? milliseconds : 0;
  timers_[id] = Timer{interval, toolkit_.NowMs() + interval, ++timerOrder_};
}

std::map<int, HeadlessWindow::Timer>::iterator HeadlessWindow::NextDueTimer() {
  auto best = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (best == timers_.end() || it->second.due < best->second.due ||
        (it->second.due == best->second.due && it->second.order < best->second.order))
      best = it;
  }
  return best;
}

void HeadlessWindow::Fire(std::map<int, Timer>::iterator timer) {
  const int id = timer->first;
  toolkit_.AdvanceClockTo(timer->second.due);
  // The platform's timers repeat until they are killed.
  timer->second.due = toolkit_.NowMs() + timer->second.interval;
  timer->second.order = ++timerOrder_;
  dialog_.OnTimer(id);
}

int HeadlessWindow::RunModal() {
  inModalLoop_ = true;
  toolkit_.ModalLoopStarted(*this);
  for (int events = 0; !ended_ && events < kMaxTimerEventsPerRun; ++events) {
    auto timer = NextDueTimer();
    if (timer == timers_.end()) break;
    Fire(timer);
    toolkit_.DeliverQueuedInput();
  }
  inModalLoop_ = false;
  toolkit_.ModalLoopEnded(*this);
  return ended_ ? result_ : -1;
}

void HeadlessWindow::EndModal(int result) {
  ended_ = true;
  result_ = result;
  shown_ = false;  // the ended dialog is hidden
}

void HeadlessWindow::HoldInput(bool hold) {
  if (hold) {
    inputHeld_ = true;
    return;
  }
  toolkit_.DeliverQueuedInput();  // still held: this window's queued input is dropped
  inputHeld_ = false;
}

HeadlessControl* HeadlessWindow::Find(int id) {
  for (const auto& control : controls_)
    if (control->Id() == id) return control.get();
  return nullptr;
}

std::function<bool()> HeadlessWindow::ClickAction(int id) {
  return [this, id] {
    for (const auto& control : controls_) {
      if (control->Id() != id || control->Type() != ControlType::PushButton) continue;
      if (!control->IsVisible() || !control->IsEnabled()) return false;
      dialog_.OnCommand(id, kNotifyClicked);
      return true;
    }
    return false;
  };
}

bool HeadlessWindow::Click(int id) { return toolkit_.UserInput(*this, ClickAction(id)); }

bool HeadlessWindow::ClickAt(int x, int y) {
  return toolkit_.UserInput(*this, [this, x, y] {
    const HeadlessControl* hit = nullptr;
    for (const auto& control : controls_) {
      const Rect r = control->Geometry();
      const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
      if (!inside || !control->IsVisible() || control->Type() == ControlType::Label) continue;
      if (!hit || control->State().zOrder > hit->State().zOrder) hit = control.get();
    }
    if (!hit || hit->Type() != ControlType::PushButton || !hit->IsEnabled()) return false;
    dialog_.OnCommand(hit->Id(), kNotifyClicked);
    return true;
  });
}

void HeadlessWindow::QueueClick(int id) { toolkit_.QueueInput(*this, ClickAction(id)); }

bool HeadlessWindow::SendCommand(int id, int notifyCode) {
  return dialog_.OnCommand(id, notifyCode);
}

bool HeadlessWindow::TypeText(int id, std::u16string_view text) {
  return toolkit_.UserInput(*this, [this, id, typed = std::u16string(text)] {
    HeadlessControl* control = Find(id);
    if (!control || !control->IsTypable() || !control->IsVisible() || !control->IsEnabled())
      return false;
    control->TypeText(typed);
    dialog_.OnCommand(id, kNotifyEditChange);
    return true;
  });
}

bool HeadlessWindow::SelectEntry(int id, int index) {
  return toolkit_.UserInput(*this, [this, id, index] {
    HeadlessControl* control = Find(id);
    if (!control || !control->IsList() || !control->IsVisible() || !control->IsEnabled())
      return false;
    if (index < 0 || index >= control->GetCount()) return false;
    control->SetCurSel(index);
    dialog_.OnCommand(id, kNotifySelChange);
    return true;
  });
}

void HeadlessWindow::Close() {
  toolkit_.UserInput(*this, [this] {
    dialog_.OnClose();
    return true;
  });
}

bool HeadlessWindow::FireTimer(int id) {
  auto timer = timers_.find(id);
  if (timer == timers_.end()) return false;
  Fire(timer);
  return true;
}

std::vector<int> HeadlessWindow::PendingTimers() const {
  std::vector<int> ids;
  for (const auto& [id, timer] : timers_) ids.push_back(id);
  return ids;
}

int HeadlessWindow::TimerInterval(int id) const {
  auto timer = timers_.find(id);
  return timer == timers_.end() ? -1 : timer->second.interval;
}

Size HeadlessWindow::ClientSize() const {
  return {outer_.Width() - 2 * kFrameThickness,
          outer_.Height() - kCaptionHeight - 2 * kFrameThickness};
}

void HeadlessWindow::SetClientSize(Size size) {
  outer_.right = outer_.left + size.width + 2 * kFrameThickness;
  outer_.bottom = outer_.top + size.height + kCaptionHeight + 2 * kFrameThickness;
}

WindowSnapshot HeadlessWindow::Snapshot() const {
  WindowSnapshot snapshot;
  snapshot.title = title_;
  snapshot.outerGeometry = outer_;
  snapshot.clientSize = ClientSize();
  snapshot.shown = shown_;
  snapshot.centreCount = centreCount_;
  snapshot.icon = icon_;
  snapshot.modalEnded = ended_;
  snapshot.modalResult = result_;
  for (const auto& control : controls_) snapshot.controls.push_back(control->State());
  return snapshot;
}

}  // namespace kavrin::ui::headless
