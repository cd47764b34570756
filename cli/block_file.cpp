#include "cli/block_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace kavrin::cli {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Reason(const std::string& path, int error) {
  return "cannot read " + path + ": " + std::strerror(error);
}

}  // namespace

std::string BlockFile::SizeProblem(const std::string& path) const {
  if (WholeBlock()) return {};
  return path + (longer ? " holds more than " : " holds " + std::to_string(size) + " bytes, not ") +
         std::to_string(SettingsBlock::kSize) + (longer ? " bytes" : "");
}

std::optional<BlockFile> ReadBlockFile(const std::string& path, std::string* error) {
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    *error = Reason(path, errno != 0 ? errno : ENOENT);
    return std::nullopt;
  }
  // One byte more than a block tells a longer file apart without reading all of it (the
  // path may name an endless device).
  std::array<uint8_t, SettingsBlock::kSize + 1> buffer{};
  errno = 0;
  const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
  if (std::ferror(file.get())) {
    *error = Reason(path, errno != 0 ? errno : EIO);  // a folder gives EISDIR here
    return std::nullopt;
  }
  BlockFile read;
  read.longer = got > SettingsBlock::kSize;
  read.size = got;
  std::memcpy(read.block.Bytes().data(), buffer.data(), std::min(got, SettingsBlock::kSize));
  return read;
}

std::optional<BlockFile> ReadWholeBlockFile(const std::string& path, std::string* error) {
  std::optional<BlockFile> read = ReadBlockFile(path, error);
  if (read && !read->WholeBlock()) {
    *error = read->SizeProblem(path) + "; a block file is exactly " +
             std::to_string(SettingsBlock::kSize) + " bytes";
    return std::nullopt;
  }
  return read;
}

}  // namespace kavrin::cli
