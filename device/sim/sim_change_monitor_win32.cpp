// The simulator's device changes on Windows: ReadDirectoryChangesW on the state file's
// folder (or the folder of recorders), read without blocking through an event. As with
// inotify on Linux, an explicit creation or deletion of a recorder's file is a change even
// when both came before anyone looked, while the simulator's own rewrites (a new file
// renamed over the old one) are none.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "device/sim/sim_backend.h"
#include "device/sim/sim_change_monitor.h"

namespace kavrin::sim {
namespace {

bool SameName(const wchar_t* name, std::size_t length, const std::wstring& wanted) {
  return length == wanted.size() &&
         CompareStringOrdinal(name, static_cast<int>(length), wanted.c_str(),
                              static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL;
}

// A recorder of a folder is any *.json file not starting with a dot, as IsRecorderFileName
// says; the names arrive as UTF-16 here.
bool RecorderFileName(const wchar_t* name, std::size_t length) {
  constexpr std::wstring_view kSuffix = L".json";
  return length > kSuffix.size() && name[0] != L'.' &&
         CompareStringOrdinal(name + length - kSuffix.size(), static_cast<int>(kSuffix.size()),
                              kSuffix.data(), static_cast<int>(kSuffix.size()),
                              FALSE) == CSTR_EQUAL;
}

}  // namespace

struct SimChangeMonitor::FolderWatch {
  HANDLE folder = INVALID_HANDLE_VALUE;
  HANDLE event = nullptr;
  OVERLAPPED overlapped{};
  alignas(DWORD) std::array<uint8_t, 16384> buffer{};
  bool pending = false;
  bool folderOfRecorders = false;
  std::wstring fileName;  // the one state file's name, when not a folder of recorders

  ~FolderWatch() {
    if (pending) {
      CancelIoEx(folder, &overlapped);
      DWORD ignored = 0;
      GetOverlappedResult(folder, &overlapped, &ignored, TRUE);
    }
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
    if (event != nullptr) CloseHandle(event);
  }

  bool Start() {
    ResetEvent(event);
    overlapped = OVERLAPPED{};
    overlapped.hEvent = event;
    pending =
        ReadDirectoryChangesW(folder, buffer.data(), static_cast<DWORD>(buffer.size()), FALSE,
                              FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped, nullptr) != 0;
    return pending;
  }

  bool Concerns(const wchar_t* name, std::size_t length) const {
    return folderOfRecorders ? RecorderFileName(name, length) : SameName(name, length, fileName);
  }

  // Takes what has arrived without waiting. aboutOurFile: any record names a recorder's
  // file; createdOrDeleted: one of them is an explicit creation or deletion of one.
  // overflowed: the system dropped records, so only which files are there can tell.
  void Collect(bool* aboutOurFile, bool* createdOrDeleted, bool* overflowed) {
    while (pending) {
      DWORD size = 0;
      if (!GetOverlappedResult(folder, &overlapped, &size, FALSE)) {
        if (GetLastError() == ERROR_IO_INCOMPLETE) return;  // nothing more yet
        pending = false;
        *overflowed = true;
        Start();
        return;
      }
      pending = false;
      if (size == 0) *overflowed = true;  // the buffer could not hold them all
      Parse(size, aboutOurFile, createdOrDeleted);
      Start();
    }
  }

  void Parse(DWORD size, bool* aboutOurFile, bool* createdOrDeleted) const {
    bool removed = false;
    for (DWORD at = 0; at + sizeof(FILE_NOTIFY_INFORMATION) <= size;) {
      const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer.data() + at);
      const std::size_t length = record->FileNameLength / sizeof(wchar_t);
      if (at + offsetof(FILE_NOTIFY_INFORMATION, FileName) + record->FileNameLength <= size &&
          Concerns(record->FileName, length)) {
        *aboutOurFile = true;
        if (record->Action == FILE_ACTION_ADDED) *createdOrDeleted = true;
        // A rename over the file may be told as its removal followed by the new name: only
        // a removal that no rename answers is an unplug.
        if (record->Action == FILE_ACTION_REMOVED) removed = true;
        if (record->Action == FILE_ACTION_RENAMED_NEW_NAME) removed = false;
      }
      if (record->NextEntryOffset == 0) break;
      at += record->NextEntryOffset;
    }
    if (removed) *createdOrDeleted = true;
  }
};

SimChangeMonitor::SimChangeMonitor(std::string statePath)
    : statePath_(std::move(statePath)),
      folder_(IsRecorderFolder(statePath_)),
      watch_(std::make_unique<FolderWatch>()) {
  const std::filesystem::path path(statePath_);
  fileName_ = path.filename().string();
  watch_->fileName = path.filename().wstring();
  watch_->folderOfRecorders = folder_;
  const std::filesystem::path folder =
      folder_ ? path : (path.has_parent_path() ? path.parent_path() : ".");
  present_ = Present();
  watch_->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  watch_->folder = CreateFileW(
      folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  if (watch_->event == nullptr || watch_->folder == INVALID_HANDLE_VALUE || !watch_->Start()) {
    watch_.reset();  // no watch: no changes are reported, as with a failed inotify
  }
}

SimChangeMonitor::~SimChangeMonitor() = default;

bool SimChangeMonitor::ConsumeEvents() {
  if (!watch_) return false;
  bool aboutOurFile = false;
  bool createdOrDeleted = false;
  bool overflowed = false;
  watch_->Collect(&aboutOurFile, &createdOrDeleted, &overflowed);
  if (!aboutOurFile && !overflowed) return false;
  // The system hands the records over as they come, not in one batch as inotify does: what
  // belongs to the same burst (a removal and the file made again) is taken together.
  for (int round = 0; round < 10 && WaitForSingleObject(watch_->event, 20) == WAIT_OBJECT_0;
       ++round) {
    watch_->Collect(&aboutOurFile, &createdOrDeleted, &overflowed);
  }
  return TakeChange(createdOrDeleted);
}

bool SimChangeMonitor::WaitForChange(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  if (!watch_) {
    Sleep(static_cast<DWORD>(std::max<int64_t>(timeout.count(), 0)));
    return false;
  }
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    if (ConsumeEvents()) return true;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    WaitForSingleObject(watch_->event, static_cast<DWORD>(left.count()));
  }
}

}  // namespace kavrin::sim
