#pragma once
// The in-memory backend of the dialog framework, for tests: windows record what they show,
// timers run on a virtual clock, file dialogs answer from a queue, pauses are counted and
// never wait. The toolkit must outlive the windows and file dialogs it made.
//
// The user's input goes through one event queue as on a desktop: input made while the
// window's thread is busy (in a pause) waits there and reaches its window only when an event
// loop runs again (a modal loop starting, or the end of the event whose handler made the
// thread busy). Input for a window that a later modal window blocks, or whose input is held,
// is dropped.
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

  // Called during each Pause: what a test does here is what a user does while the window's
  // thread sleeps, so its clicks and keys are queued, not delivered.
  void OnPause(std::function<void(int milliseconds)> hook) { pauseHook_ = std::move(hook); }
  // Input waiting in the queue, and input dropped so far (blocked by a modal window, held,
  // or its window gone).
  size_t PendingInput() const { return input_.size(); }
  int DroppedInput() const { return droppedInput_; }
  // Called each time a file dialog runs, before it takes its answer.
  void OnFileDialog(std::function<void()> hook) { fileDialogHook_ = std::move(hook); }

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
  void ModalLoopEnded(HeadlessWindow& window);
  void FileDialogStarted();
  void FileDialogEnded();
  // A user's action on a window: run now (its result) when the thread is free, else queued
  // (false). Dropped (false) when the window takes no input now.
  bool UserInput(HeadlessWindow& window, std::function<bool()> action);
  // Input that waits for the next event loop whatever the thread does now.
  void QueueInput(HeadlessWindow& window, std::function<bool()> action) {
    input_.push_back({&window, std::move(action)});
  }
  // Runs the queued input in order, as an event loop does when it gets to run.
  void DeliverQueuedInput();

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

  struct QueuedInput {
    HeadlessWindow* window = nullptr;
    std::function<bool()> action;
  };
  bool TakesInput(const HeadlessWindow& window) const;
  bool Deliver(HeadlessWindow& window, const std::function<bool()>& action);

  std::function<void(int)> pauseHook_;
  std::function<void()> fileDialogHook_;
  std::deque<QueuedInput> input_;
  int droppedInput_ = 0;
  int busy_ = 0;           // > 0 while the window's thread sleeps in a pause
  int dispatchDepth_ = 0;  // user events being handled, nested loops included
  // Modal loops and file dialogs running now, innermost last (null for a file dialog).
  std::vector<HeadlessWindow*> modalStack_;
};

}  // namespace kavrin::ui::headless
