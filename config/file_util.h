#pragma once
// File helpers shared by the configuration, the block files and the start-up side files.
// Reading and writing themselves are in config/file_io.h.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "config/file_io.h"

namespace kavrin {

// True when the path names a regular file that can be opened for reading. Never blocks: a
// FIFO or device node is not a file here.
bool FileExists(const std::filesystem::path& path);

// The whole file (at most kMaxReadBytes), or nullopt when it cannot be read; ReadFileBytes
// tells why.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path);

// A path given as UTF-8 text (a command-line argument, a JSON field) and back. On Windows the
// text is converted to UTF-16 for the file calls (a plain std::string would be read in the
// ANSI code page); elsewhere the bytes pass unchanged.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// current directory / file name
std::filesystem::path MakeLocalPath(std::string_view fileName);

// '0'-'9', 'A'-'F', 'a'-'f' give 0-15; any other character gives 0.
uint32_t HexDigitValue(char32_t c);
// value = value * 16 + HexDigitValue over the first n characters, modulo 2^32.
uint32_t ParseHex(std::string_view text, std::size_t n);

}  // namespace kavrin
