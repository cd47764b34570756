#include "config/file_util.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace kavrin {

bool FileExists(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return in.is_open();
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return std::nullopt;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  // open() with 0666 lets the umask decide the mode, as for any file the user creates.
  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    std::string name = ".";
    name.append(path.filename().string()).append(".tmp");
    name.append(std::to_string(::getpid())).append("-").append(std::to_string(counter++));
    temp = (folder / name).string();
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

std::filesystem::path MakeLocalPath(std::string_view fileName) {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::current_path(ec);
  return dir / std::filesystem::path(std::string(fileName));
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
