#pragma once
// The in-memory backend of the dialog framework, for tests: windows record what they show,
// timers run on a virtual clock, file dialogs answer from a queue, pauses are counted and
// never wait. The toolkit must outlive the windows and file dialogs it made.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "ui/framework/toolkit.h"
#include "ui/headless/headless_file_dialog.h"
#include "ui/headless/headless_window.h"
#include "ui/headless/window_snapshot.h"

namespace kavrin::ui::headless {

class HeadlessToolkit : public Toolkit {
 public:
  // The screen a window is centred on.
  static constexpr Size kScreenSize{1920, 1080};

  HeadlessToolkit() = default;
  HeadlessToolkit(const HeadlessToolkit&) = delete;
  HeadlessToolkit& operator=(const HeadlessToolkit&) = delete;

  std::unique_ptr<WindowHost> CreateWindow(Dialog& dialog, const DialogTemplate& tmpl) override;
  std::unique_ptr<FileDialog> CreateFileOpenDialog(std::u16string_view filter) override;
  // Counts the pause and moves the virtual clock on; never waits.
  void Pause(int milliseconds) override;
  void WatchDescriptor(int fd, std::function<void()> onReadable) override;
  void UnwatchDescriptor(int fd) override { watches_.erase(fd); }

  // --- test hooks ---
  // Answers for the next file-dialog runs, in order.
  void QueueFileDialogAnswer(const std::filesystem::path& path) { answers_.emplace_back(path); }
  void QueueFileDialogCancel() { answers_.emplace_back(std::nullopt); }
  size_t PendingFileDialogAnswers() const { return answers_.size(); }
  int FileDialogRuns() const { return fileDialogRuns_; }
  // The filter the last file dialog was made with.
  const std::u16string& LastFileDialogFilter() const { return lastFilter_; }
  int FileDialogsCreated() const { return fileDialogsCreated_; }

  // Every window opened so far, in order: live ones as they are now, closed ones as they
  // were when destroyed.
  std::vector<WindowSnapshot> OpenedWindows() const;
  // Windows that still exist, in the order they were opened.
  std::vector<HeadlessWindow*> LiveWindows() const;
  // Called with the window each time a modal loop starts, before its timers run: a test
  // can look at a nested dialog while it shows, or click in it.
  void OnModalLoop(std::function<void(HeadlessWindow&)> hook) { modalHook_ = std::move(hook); }

  // Pause() calls: their durations in order, and the total.
  const std::vector<int>& Pauses() const { return pauses_; }
  int64_t TotalPauseMs() const;

  // The virtual clock: moved by pauses and by timers that fire.
  int64_t NowMs() const { return nowMs_; }

  // Delivers readability of a watched descriptor; false when fd is not watched.
  bool SignalDescriptor(int fd);
  bool IsWatching(int fd) const { return watches_.count(fd) != 0; }

  // --- for the backend's own objects ---
  void AdvanceClockTo(int64_t ms) {
    if (ms > nowMs_) nowMs_ = ms;
  }
  std::optional<std::filesystem::path> TakeFileDialogAnswer();
  void WindowDestroyed(const HeadlessWindow& window);
  void ModalLoopStarted(HeadlessWindow& window);

 private:
  struct OpenedWindow {
    HeadlessWindow* live = nullptr;
    WindowSnapshot last;
  };
  std::vector<OpenedWindow> windows_;
  std::deque<std::optional<std::filesystem::path>> answers_;
  int fileDialogRuns_ = 0;
  int fileDialogsCreated_ = 0;
  std::u16string lastFilter_;
  std::function<void(HeadlessWindow&)> modalHook_;
  std::vector<int> pauses_;
  int64_t nowMs_ = 0;
  std::map<int, std::function<void()>> watches_;
};

}  // namespace kavrin::ui::headless
