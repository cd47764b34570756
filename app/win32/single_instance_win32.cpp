// Single instance on Windows: a named mutex. The system destroys it when the last handle
// closes, which includes every kind of process end, so a crashed copy never blocks the next.
#include <windows.h>

#include <string>

#include "app/single_instance.h"

namespace kavrin {
namespace {

std::wstring Widen(std::string_view text) {
  std::wstring wide;
  for (const char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

class NamedMutexInstance : public SingleInstance {
 public:
  // scope: empty for the session-wide name; tests give a folder so that their names stay
  // apart from a running tool's.
  explicit NamedMutexInstance(std::wstring scope) : scope_(std::move(scope)) {}
  ~NamedMutexInstance() override {
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  NamedMutexInstance(const NamedMutexInstance&) = delete;
  NamedMutexInstance& operator=(const NamedMutexInstance&) = delete;

  InstanceClaim Claim(std::string_view name) override {
    if (mutex_ != nullptr) return InstanceClaim::Acquired;
    std::wstring fullName = Widen(name);
    if (!scope_.empty()) fullName += L"@" + scope_;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, fullName.c_str());
    const DWORD error = GetLastError();
    if (mutex != nullptr && error == ERROR_ALREADY_EXISTS) {  // 183: another copy made it
      CloseHandle(mutex);
      return InstanceClaim::HeldElsewhere;
    }
    if (mutex == nullptr) {
      // Another user's copy in the same session namespace denies us the handle: it is
      // still another copy.
      return error == ERROR_ACCESS_DENIED ? InstanceClaim::HeldElsewhere
                                          : InstanceClaim::Unavailable;
    }
    mutex_ = mutex;
    return InstanceClaim::Acquired;
  }

 private:
  std::wstring scope_;
  HANDLE mutex_ = nullptr;
};

}  // namespace

std::unique_ptr<SingleInstance> MakeSingleInstance() {
  return std::make_unique<NamedMutexInstance>(std::wstring());
}

std::unique_ptr<SingleInstance> MakeSingleInstance(std::filesystem::path lockFolder) {
  if (lockFolder.empty()) lockFolder = ".";
  std::error_code ec;
  std::wstring scope = std::filesystem::absolute(lockFolder, ec).wstring();
  if (ec) scope = lockFolder.wstring();
  // A backslash would name a kernel object namespace; the rest of a path is fine.
  for (wchar_t& c : scope) {
    if (c == L'\\') c = L'/';
  }
  return std::make_unique<NamedMutexInstance>(std::move(scope));
}

}  // namespace kavrin
