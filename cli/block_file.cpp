#include "cli/block_file.h"

#include "config/file_io.h"
#include "config/file_util.h"

namespace kavrin::cli {

std::string BlockFile::SizeProblem(const std::string& path) const {
  if (WholeBlock()) return {};
  return path +
         (size.longer ? " holds more than "
                      : " holds " + std::to_string(size.bytes) + " bytes, not ") +
         std::to_string(SettingsBlock::kSize) + (size.longer ? " bytes" : "");
}

std::optional<BlockFile> ReadBlockFile(const std::string& path, std::string* error) {
  BlockFile read;
  if (const FileOutcome outcome = read.block.LoadFile(PathFromUtf8(path), &read.size); !outcome) {
    *error = CannotReadText(PathFromUtf8(path), outcome);
    return std::nullopt;
  }
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
