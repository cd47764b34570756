#include "ui/headless/headless_toolkit.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "device/device_change_monitor.h"

namespace kavrin::ui::headless {

std::unique_ptr<WindowHost> HeadlessToolkit::MakeWindow(Dialog& dialog,
                                                        const DialogTemplate& tmpl) {
  auto window = std::make_unique<HeadlessWindow>(*this, dialog, tmpl);
  windows_.push_back({window.get(), {}});
  return window;
}

std::unique_ptr<FileDialog> HeadlessToolkit::CreateFileOpenDialog(std::u16string_view filter) {
  ++fileDialogsCreated_;
  lastFilter_ = std::u16string(filter);
  return std::make_unique<HeadlessFileDialog>(*this, filter);
}

void HeadlessToolkit::Pause(int milliseconds) {
  pauses_.push_back(milliseconds);
  ++busy_;
  if (pauseHook_) {
    std::function<void(int)> hook = pauseHook_;  // the hook may replace itself
    hook(milliseconds);
  }
  --busy_;
  if (milliseconds > 0) nowMs_ += milliseconds;
}

void HeadlessToolkit::WatchDeviceChanges(DeviceChangeMonitor& monitor,
                                         std::function<void()> onChange) {
  deviceMonitor_ = &monitor;
  onDeviceChange_ = std::move(onChange);
}

void HeadlessToolkit::StopDeviceChanges() {
  deviceMonitor_ = nullptr;
  onDeviceChange_ = nullptr;
}

std::vector<WindowSnapshot> HeadlessToolkit::OpenedWindows() const {
  std::vector<WindowSnapshot> snapshots;
  for (const OpenedWindow& window : windows_)
    snapshots.push_back(window.live ? window.live->Snapshot() : window.last);
  return snapshots;
}

std::vector<HeadlessWindow*> HeadlessToolkit::LiveWindows() const {
  std::vector<HeadlessWindow*> live;
  for (const OpenedWindow& window : windows_)
    if (window.live) live.push_back(window.live);
  return live;
}

int64_t HeadlessToolkit::TotalPauseMs() const {
  int64_t total = 0;
  for (int ms : pauses_) total += ms;
  return total;
}

bool HeadlessToolkit::SignalDeviceChange() {
  if (deviceMonitor_ == nullptr) return false;
  // A copy: the handler may stop watching and so destroy the stored function.
  std::function<void()> onChange = onDeviceChange_;
  if (deviceMonitor_->ConsumeEvents()) onChange();
  return true;
}

bool HeadlessToolkit::UserInput(HeadlessWindow& window, std::function<bool()> action) {
  if (busy_ > 0) {
    QueueInput(window, std::move(action));
    return false;
  }
  DeliverQueuedInput();  // what was queued before happened first
  return Deliver(window, action);
}

void HeadlessToolkit::DeliverQueuedInput() {
  while (busy_ == 0 && !input_.empty()) {
    QueuedInput next = std::move(input_.front());
    input_.pop_front();
    Deliver(*next.window, next.action);
  }
}

bool HeadlessToolkit::TakesInput(const HeadlessWindow& window) const {
  if (window.InputHeld()) return false;
  // A modal loop or file dialog that runs for another window blocks this one.
  return modalStack_.empty() || modalStack_.back() == &window;
}

bool HeadlessToolkit::Deliver(HeadlessWindow& window, const std::function<bool()>& action) {
  if (!TakesInput(window)) {
    ++droppedInput_;
    return false;
  }
  ++dispatchDepth_;
  const bool acted = action();
  --dispatchDepth_;
  // Back in an event loop, which takes what was queued while the handler ran.
  DeliverQueuedInput();
  return acted;
}

std::optional<std::filesystem::path> HeadlessToolkit::TakeFileDialogAnswer() {
  ++fileDialogRuns_;
  if (answers_.empty()) return std::nullopt;
  std::optional<std::filesystem::path> answer = std::move(answers_.front());
  answers_.pop_front();
  return answer;
}

void HeadlessToolkit::WindowDestroyed(const HeadlessWindow& window) {
  // Input for a window that is gone reaches nobody.
  for (auto it = input_.begin(); it != input_.end();) {
    if (it->window != &window) {
      ++it;
      continue;
    }
    it = input_.erase(it);
    ++droppedInput_;
  }
  std::erase(modalStack_, &window);
  for (OpenedWindow& opened : windows_) {
    if (opened.live != &window) continue;
    opened.last = window.Snapshot();
    opened.last.destroyed = true;
    opened.live = nullptr;
  }
}

void HeadlessToolkit::ModalLoopStarted(HeadlessWindow& window) {
  modalStack_.push_back(&window);
  // The loop's first events: input queued while the thread was busy, then the test's turn.
  DeliverQueuedInput();
  if (modalHook_) modalHook_(window);
}

void HeadlessToolkit::ModalLoopEnded(HeadlessWindow& window) {
  if (auto it = std::find(modalStack_.rbegin(), modalStack_.rend(), &window);
      it != modalStack_.rend()) {
    modalStack_.erase(std::next(it).base());
  }
}

void HeadlessToolkit::FileDialogStarted() {
  modalStack_.push_back(nullptr);
  DeliverQueuedInput();
  if (fileDialogHook_) fileDialogHook_();
}

void HeadlessToolkit::FileDialogEnded() {
  if (auto it = std::find(modalStack_.rbegin(), modalStack_.rend(), nullptr);
      it != modalStack_.rend()) {
    modalStack_.erase(std::next(it).base());
  }
}

}  // namespace kavrin::ui::headless
