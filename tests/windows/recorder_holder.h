#pragma once
// Another program's hold on a recorder, as the DirectShow backend's per-command lock sees
// it: the recorder's named mutex owned by another thread until the holder goes.
#include <windows.h>

#include <future>
#include <string>
#include <thread>

#include "device/dshow/dshow_backend.h"

namespace kavrin::test {

class RecorderHolder {
 public:
  explicit RecorderHolder(const std::string& location) {
    std::wstring name;
    for (const char16_t c : dshow::RecorderLockName(location)) name += static_cast<wchar_t>(c);
    std::promise<bool> held;
    std::future<bool> heldNow = held.get_future();
    thread_ = std::thread([this, name, &held] {
      HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
      held.set_value(mutex != nullptr && WaitForSingleObject(mutex, 0) == WAIT_OBJECT_0);
      WaitForSingleObject(release_, INFINITE);
      if (mutex != nullptr) {
        ReleaseMutex(mutex);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
      }
    });
    held_ = heldNow.get();
  }
  ~RecorderHolder() {
    SetEvent(release_);
    thread_.join();
    CloseHandle(release_);
  }
  RecorderHolder(const RecorderHolder&) = delete;
  RecorderHolder& operator=(const RecorderHolder&) = delete;

  bool Held() const { return held_; }

 private:
  HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread thread_;
  bool held_ = false;
};

}  // namespace kavrin::test
