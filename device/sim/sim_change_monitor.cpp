#include "device/sim/sim_change_monitor.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "device/posix/descriptor_wait.h"
#include "device/sim/sim_backend.h"

namespace kavrin::sim {

SimChangeMonitor::SimChangeMonitor(std::string statePath)
    : statePath_(std::move(statePath)), folder_(IsRecorderFolder(statePath_)) {
  const std::filesystem::path path(statePath_);
  fileName_ = path.filename().string();
  const std::filesystem::path watched =
      folder_ ? path : (path.has_parent_path() ? path.parent_path() : ".");
  present_ = Present();
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return;
  const uint32_t events = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
  if (inotify_add_watch(fd_, watched.c_str(), events) < 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

struct SimChangeMonitor::FolderWatch {};  // inotify needs nothing beyond its descriptor

SimChangeMonitor::~SimChangeMonitor() {
  if (fd_ >= 0) ::close(fd_);
}

bool SimChangeMonitor::ConsumeEvents() {
  if (fd_ < 0) return false;
  bool aboutRecorders = false;
  bool createdOrDeleted = false;
  alignas(inotify_event) std::array<char, 4096> buffer;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // EAGAIN: drained
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      inotify_event event;
      std::memcpy(&event, buffer.data() + at, sizeof event);
      const char* name = buffer.data() + at + sizeof(inotify_event);
      if (event.len > 0 && at + static_cast<ssize_t>(sizeof event + event.len) <= n &&
          Concerns(std::string(name, strnlen(name, event.len)))) {
        aboutRecorders = true;
        // An explicit create or delete is a plug or unplug even when both came in one
        // burst; renames are judged by which files are there now.
        if (event.mask & (IN_CREATE | IN_DELETE)) createdOrDeleted = true;
      }
      at += static_cast<ssize_t>(sizeof event + event.len);
    }
  }
  return aboutRecorders && TakeChange(createdOrDeleted);
}

bool SimChangeMonitor::WaitForChange(std::chrono::milliseconds timeout) {
  return WaitForDescriptorChange(*this, timeout);
}

}  // namespace kavrin::sim
