// File helpers on Windows. Paths are wide throughout: a narrow path would be decoded in the
// ANSI code page and lose what it cannot hold.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>

#include "config/file_util.h"

namespace kavrin {
namespace {

// Closes a file handle on every path out.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    if (!Valid()) return true;
    return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0;
  }

 private:
  HANDLE handle_;
};

bool WriteAll(HANDLE file, std::span<const uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace

namespace {

// Files are opened shared for deletion too, so that a writer may replace a file while it is
// being read, as on POSIX systems.
HANDLE OpenForReading(const std::filesystem::path& path) {
  return CreateFileW(path.c_str(), GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool FileExists(const std::filesystem::path& path) {
  FileHandle file(OpenForReading(path));
  return file.Valid();
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path) {
  FileHandle file(OpenForReading(path));
  if (!file.Valid()) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr)) return std::nullopt;
    if (read == 0) return bytes;
    bytes.insert(bytes.end(), chunk, chunk + read);
  }
}

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : L".";
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temp;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 16 && created == INVALID_HANDLE_VALUE; ++attempt) {
    temp = folder / (L"." + path.filename().wstring() + L".tmp" +
                     std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++));
    created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  FileHandle file(created);
  if (!file.Valid()) return false;
  bool ok = WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get());
  ok = file.Close() && ok;
  ok = ok && MoveFileExW(temp.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

std::filesystem::path MakeLocalPath(std::string_view fileName) {
  std::wstring folder(MAX_PATH, L'\0');
  DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  if (length >= folder.size()) {  // a longer folder: the call said how much room it needs
    folder.resize(length);
    length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  }
  folder.resize(length < folder.size() ? length : 0);
  std::wstring name(fileName.size(), L'\0');
  const int units = MultiByteToWideChar(CP_ACP, 0, fileName.data(), static_cast<int>(fileName.size()),
                                        name.data(), static_cast<int>(name.size()));
  name.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
  return std::filesystem::path(folder + L"\\" + name);
}

uint32_t HexDigitValue(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint32_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
  return 0;
}

uint32_t ParseHex(std::string_view text, std::size_t n) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < n && i < text.size(); ++i) {
    value = value * 16u + HexDigitValue(static_cast<unsigned char>(text[i]));
  }
  return value;
}

}  // namespace kavrin
