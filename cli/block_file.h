#pragma once
// A block file named on the command line, read with the reason when it cannot be, and its
// size judged: a command that sends a block to a recorder takes only a whole 112-byte file;
// `block show` decodes any size (its first bytes over a zero block), with a warning.
#include <cstddef>
#include <optional>
#include <string>

#include "block/settings_block.h"

namespace kavrin::cli {

struct BlockFile {
  SettingsBlock block;  // the file's first bytes over a zero block (SettingsBlock::LoadFile)
  SettingsBlock::FileSize size;  // how much of it there was
  bool WholeBlock() const { return size.Whole(); }
  // "x.bin holds 57 bytes, not 112"; empty for a whole block.
  std::string SizeProblem(const std::string& path) const;
};

// nullopt with *error = "cannot read x.bin: No such file or directory".
std::optional<BlockFile> ReadBlockFile(const std::string& path, std::string* error);

// For commands that send the block: a file that is not exactly 112 bytes is refused.
std::optional<BlockFile> ReadWholeBlockFile(const std::string& path, std::string* error);

}  // namespace kavrin::cli
