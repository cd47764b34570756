#include <windows.h>

#include <filesystem>
#include <string>

#include "device/lock_file.h"

namespace kavrin {
namespace {

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

LockFile::~LockFile() {
  if (IsOpen()) CloseHandle(AsHandle(handle_));  // closing lets go of the lock too
}

LockOpen LockFile::Open(const std::string& path, std::string* problem) {
  if (IsOpen()) return LockOpen::kOpened;
  const std::filesystem::path file(path);  // the narrow path is in the ANSI code page here
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD createError = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (handle == INVALID_HANDLE_VALUE) {
    handle = CreateFileW(file.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND &&
        (createError == ERROR_ACCESS_DENIED || createError == ERROR_WRITE_PROTECT)) {
      return LockOpen::kFolderReadOnly;
    }
    *problem = "cannot open the lock file " + path + ": system error " + std::to_string(error);
    return LockOpen::kFailed;
  }
  handle_ = reinterpret_cast<intptr_t>(handle);
  return LockOpen::kOpened;
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
