#include "cli/block_file.h"

#include <algorithm>
#include <cstring>

#include "config/file_io.h"
#include "config/file_util.h"

namespace kavrin::cli {

std::string BlockFile::SizeProblem(const std::string& path) const {
  if (WholeBlock()) return {};
  return path + (longer ? " holds more than " : " holds " + std::to_string(size) + " bytes, not ") +
         std::to_string(SettingsBlock::kSize) + (longer ? " bytes" : "");
}

std::optional<BlockFile> ReadBlockFile(const std::string& path, std::string* error) {
  // One byte more than a block tells a longer file apart without reading all of it; nothing
  // at the path is waited for (a FIFO or device node is refused).
  const FileContents contents = ReadFileBytes(PathFromUtf8(path), SettingsBlock::kSize + 1, LongerFile::Cut);
  if (!contents.outcome) {
    *error = CannotReadText(PathFromUtf8(path), contents.outcome);
    return std::nullopt;
  }
  BlockFile read;
  read.size = contents.bytes.size();
  read.longer = read.size > SettingsBlock::kSize;
  std::memcpy(read.block.Bytes().data(), contents.bytes.data(),
              std::min(read.size, SettingsBlock::kSize));
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
