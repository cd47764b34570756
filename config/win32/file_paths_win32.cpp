// Where the Windows file I/O may go: file identities and the guarded rename. The rules are
// in config/file_io.h.
#include <windows.h>

#include <string>

#include "config/file_io.h"

namespace kavrin {
namespace {

namespace fo = file_outcome;

}  // namespace

// Windows has no sticky shared folders whose links another user could plant for this one.
FileOutcome CheckLinksFollowable(const std::filesystem::path&) { return {}; }

std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path, Links links) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS |  // folders too
                      (links == Links::DoNotFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// Only the identity: NTFS does not hand a removed file's index to the next file at once,
// and a handle kept open would make the replacing move fail.
HeldFile::HeldFile(const std::filesystem::path& path)
    : identity_(IdentifyFile(path, Links::DoNotFollow)) {}

HeldFile::~HeldFile() = default;

FileOutcome ReplaceIfStill(const std::filesystem::path& replacement,
                           const std::filesystem::path& target, const FileIdentity& expected) {
  // No exchange in one step here: look, then move (a removal in this short span is not seen).
  const std::optional<FileIdentity> now = IdentifyFile(target, Links::DoNotFollow);
  if (!now || *now != expected) {
    return fo::Missing("no longer the file that was read (removed or replaced meanwhile)");
  }
  if (MoveFileExW(replacement.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return {};
  return fo::Failed("system error " + std::to_string(GetLastError()));
}

}  // namespace kavrin
