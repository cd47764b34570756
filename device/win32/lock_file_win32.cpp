#include <windows.h>

#include <filesystem>

#include "device/lock_file.h"

namespace kavrin {
namespace {

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

LockFile::~LockFile() {
  if (IsOpen()) CloseHandle(AsHandle(handle_));  // closing lets go of the lock too
}

bool LockFile::Open(const std::string& path) {
  if (IsOpen()) return true;
  const std::filesystem::path file(path);  // the narrow path is in the ANSI code page here
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    handle = CreateFileW(file.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<intptr_t>(handle);
  return true;
}

TryResult LockFile::TryLock() {
  if (!IsOpen()) return TryResult::kFailed;
  OVERLAPPED at{};
  if (LockFileEx(AsHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                 MAXDWORD, MAXDWORD, &at)) {
    return TryResult::kDone;
  }
  return GetLastError() == ERROR_LOCK_VIOLATION ? TryResult::kBusy : TryResult::kFailed;
}

void LockFile::Unlock() {
  if (!IsOpen()) return;
  OVERLAPPED at{};
  UnlockFileEx(AsHandle(handle_), 0, MAXDWORD, MAXDWORD, &at);
}

}  // namespace kavrin
