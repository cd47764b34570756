#include "ui/headless/headless_toolkit.h"

#include <utility>

namespace kavrin::ui::headless {

std::unique_ptr<WindowHost> HeadlessToolkit::CreateWindow(Dialog& dialog, const DialogTemplate& tmpl) {
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
  if (milliseconds > 0) nowMs_ += milliseconds;
}

void HeadlessToolkit::WatchDescriptor(int fd, std::function<void()> onReadable) {
  watches_[fd] = std::move(onReadable);
}

std::vector<WindowSnapshot> HeadlessToolkit::OpenedWindows() const {
  std::vector<WindowSnapshot> snapshots;
  for (const OpenedWindow& window : windows_) snapshots.push_back(window.live ? window.live->Snapshot() : window.last);
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

bool HeadlessToolkit::SignalDescriptor(int fd) {
  auto watch = watches_.find(fd);
  if (watch == watches_.end()) return false;
  // A copy: the callback may stop watching and so destroy the stored function.
  std::function<void()> onReadable = watch->second;
  onReadable();
  return true;
}

std::optional<std::filesystem::path> HeadlessToolkit::TakeFileDialogAnswer() {
  ++fileDialogRuns_;
  if (answers_.empty()) return std::nullopt;
  std::optional<std::filesystem::path> answer = std::move(answers_.front());
  answers_.pop_front();
  return answer;
}

void HeadlessToolkit::WindowDestroyed(const HeadlessWindow& window) {
  for (OpenedWindow& opened : windows_) {
    if (opened.live != &window) continue;
    opened.last = window.Snapshot();
    opened.last.destroyed = true;
    opened.live = nullptr;
  }
}

void HeadlessToolkit::ModalLoopStarted(HeadlessWindow& window) {
  if (modalHook_) modalHook_(window);
}

}  // namespace kavrin::ui::headless
