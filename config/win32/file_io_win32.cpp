// File I/O on Windows: CreateFileW and ReadFile for reading, a temporary file flushed and
// put in place with ReplaceFileW (which keeps the old file's attributes and security) or
// MoveFileExW for writing. The rules are those of config/file_io.h; paths stay wide.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <new>
#include <string>
#include <utility>

#include "config/file_io.h"
#include "config/text_codec.h"

namespace kavrin {
namespace {

namespace fo = file_outcome;

// Every file is opened shared for deletion too, so that a writer may replace it while it is
// being read, as on POSIX systems.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The system's words for an error. The common ones are said as the POSIX build says them, so
// that messages and scripts that read them are the same on both.
std::string ErrorText(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "No such file or directory";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "Permission denied";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "File exists";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "No space left on device";
    case ERROR_WRITE_PROTECT:
      return "Read-only file system";
    default:
      break;
  }
  wchar_t* message = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::u16string text;
  if (length > 0 && message != nullptr) {
    text.assign(reinterpret_cast<const char16_t*>(message), length);
  }
  if (message != nullptr) LocalFree(message);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ' ||
                           text.back() == u'.')) {
    text.pop_back();
  }
  return text.empty() ? "system error " + std::to_string(error) : ToUtf8(text);
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH;
}

FileOutcome FromError(DWORD error) {
  return IsMissing(error) ? fo::Missing(ErrorText(error)) : fo::Failed(ErrorText(error));
}

class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }
  // Closes and reports whether the close succeeded.
  bool Close() { return !Valid() || CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)); }

 private:
  HANDLE handle_;
};

// Only a file on a disk is a regular file: a console, a pipe or a device (NUL, COM1) is not.
FileOutcome CheckDiskFile(HANDLE file) {
  switch (GetFileType(file)) {
    case FILE_TYPE_DISK:
      break;
    case FILE_TYPE_PIPE:
      return fo::NotRegular(fo::NodeKind::Fifo);
    case FILE_TYPE_CHAR:
      return fo::NotRegular(fo::NodeKind::Device);
    default:
      return fo::NotRegular(fo::NodeKind::Other);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) return fo::Failed(ErrorText(GetLastError()));
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return fo::NotRegular(fo::NodeKind::Folder);
  return {};
}

// Opens a regular file, refusing a folder before trying: opening a folder fails with a
// misleading "access denied" otherwise.
FileOutcome OpenRegular(const std::filesystem::path& path, DWORD access, Handle& file) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return fo::NotRegular(fo::NodeKind::Folder);
  }
  file.Reset(CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return FromError(GetLastError());
  return CheckDiskFile(file.Get());
}

bool ReadSome(HANDLE file, uint8_t* into, std::size_t room, std::size_t* got,
              FileOutcome* failure) {
  DWORD read = 0;
  if (!ReadFile(file, into, static_cast<DWORD>(std::min<std::size_t>(room, 1u << 30)), &read,
                nullptr)) {
    *failure = fo::Failed(ErrorText(GetLastError()));
    return false;
  }
  *got = read;
  return true;
}

bool WriteAll(HANDLE file, std::span<const uint8_t> bytes, DWORD* error) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      *error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
      return false;
    }
    done += written;
  }
  return true;
}

// The file a path finally names: a symbolic link is followed to its target, which is what
// gets replaced while the link stays.
FileOutcome ResolveTarget(const std::filesystem::path& path, std::filesystem::path& target,
                          bool& exists) {
  target = path;
  exists = false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (IsMissing(error)) return {};  // a new file
    return fo::Failed(ErrorText(error));
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    Handle followed(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!followed.Valid()) {
      // A link whose target is gone: there is no telling where to write.
      return fo::Failed(ErrorText(GetLastError()));
    }
    std::wstring final(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(followed.Get(), final.data(),
                                                   static_cast<DWORD>(final.size()), 0);
    if (length == 0 || length >= final.size()) return fo::Failed(ErrorText(GetLastError()));
    final.resize(length);
    target = std::filesystem::path(final);
  }
  exists = true;
  return {};
}

// ".<name>.<pid>-<n>.tmp" beside the target, within the usual 255-character name limit.
std::filesystem::path TemporaryName(const std::filesystem::path& folder, const std::wstring& name) {
  static std::atomic<unsigned> counter{0};
  const std::wstring suffix =
      L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) + L".tmp";
  const std::size_t room = 255 - suffix.size() - 1;
  return folder / (L"." + name.substr(0, room) + suffix);
}

// The existing target written over in place: for a writable file in a folder the user cannot
// create files in. Not atomic, but the only way the file can be written at all.
FileOutcome WriteInPlace(HANDLE file, std::span<const uint8_t> bytes) {
  DWORD error = 0;
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
    return fo::Failed(ErrorText(GetLastError()));
  if (!WriteAll(file, bytes, &error)) return fo::Failed(ErrorText(error));
  if (!SetEndOfFile(file)) return fo::Failed(ErrorText(GetLastError()));
  if (!FlushFileBuffers(file)) return fo::Failed(ErrorText(GetLastError()));
  return {};
}

// Puts the finished temporary file in the target's place. An existing target is replaced with
// ReplaceFileW, which gives the new file the old one's attributes and security; CreateOnly
// never replaces a file that appeared meanwhile.
DWORD MoveIntoPlace(const std::filesystem::path& temp, const std::filesystem::path& target,
                    bool exists, WriteMode mode) {
  if (mode == WriteMode::CreateOnly) {
    return MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : GetLastError();
  }
  if (exists && ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                             nullptr, nullptr)) {
    return 0;
  }
  // A new file, or a file system that cannot replace (FAT, some shares): a plain move.
  return MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : GetLastError();
}

}  // namespace

FileOutcome CheckReadable(const std::filesystem::path& path) {
  if (path.empty()) return fo::Missing(ErrorText(ERROR_FILE_NOT_FOUND));
  Handle file;
  return OpenRegular(path, GENERIC_READ, file);
}

FileContents ReadFileBytes(const std::filesystem::path& path, std::size_t limit,
                           LongerFile longer) {
  FileContents contents;
  if (path.empty()) {
    contents.outcome = fo::Missing(ErrorText(ERROR_FILE_NOT_FOUND));
    return contents;
  }
  Handle file;
  contents.outcome = OpenRegular(path, GENERIC_READ, file);
  if (!contents.outcome) return contents;
  LARGE_INTEGER size{};
  const std::size_t hint = GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0
                               ? static_cast<std::size_t>(size.QuadPart)
                               : 0;
  return fo::ReadBounded(
      limit, longer, hint,
      [&file](uint8_t* into, std::size_t room, std::size_t* got, FileOutcome* failure) {
        return ReadSome(file.Get(), into, room, got, failure);
      },
      fo::Failed(ErrorText(ERROR_NOT_ENOUGH_MEMORY)));
}

FileOutcome WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                                WriteMode mode) {
  if (path.empty()) return fo::Missing(ErrorText(ERROR_FILE_NOT_FOUND));
  std::filesystem::path target;
  bool exists = false;
  if (FileOutcome resolved = ResolveTarget(path, target, exists); !resolved) return resolved;
  if (exists && mode == WriteMode::CreateOnly) return fo::Failed(ErrorText(ERROR_FILE_EXISTS));

  // An existing file is written only when the user may write it (a read-only file is not,
  // whoever asks: the attribute is looked at, not only the open's answer); the handle also
  // serves the in-place write. Its attributes go to the replacement.
  Handle existing;
  DWORD keptAttributes = 0;
  if (exists) {
    if (FileOutcome opened = OpenRegular(target, GENERIC_WRITE, existing); !opened) return opened;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      return fo::Failed(ErrorText(ERROR_ACCESS_DENIED));
    }
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      keptAttributes = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    }
  }

  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : L".";
  std::filesystem::path temp;
  Handle out;
  DWORD error = 0;
  for (int attempt = 0; attempt < 16 && !out.Valid(); ++attempt) {
    temp = TemporaryName(folder, target.filename().wstring());
    out.Reset(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    error = out.Valid() ? 0 : GetLastError();
    if (error != 0 && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  if (!out.Valid()) {
    if (exists && error == ERROR_ACCESS_DENIED) return WriteInPlace(existing.Get(), bytes);
    return fo::Failed(ErrorText(error));
  }
  existing.Reset();  // ReplaceFileW opens the target itself

  bool ok = WriteAll(out.Get(), bytes, &error);
  if (ok && !FlushFileBuffers(out.Get())) {
    ok = false;
    error = GetLastError();
  }
  if (!out.Close() && ok) {
    ok = false;
    error = GetLastError();
  }
  if (ok) {
    error = MoveIntoPlace(temp, target, exists, mode);
    ok = error == 0;
  }
  if (!ok) {
    DeleteFileW(temp.c_str());
    return fo::Failed(ErrorText(error));
  }
  // ReplaceFileW keeps them on Windows' own file systems; a plain move (and Wine) would not.
  if (keptAttributes != 0) SetFileAttributesW(target.c_str(), keptAttributes);
  return {};
}

}  // namespace kavrin
