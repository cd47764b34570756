#pragma once
// File helpers shared by the configuration, the block files and the start-up side files.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kavrin {

// True when the file can be opened for reading.
bool FileExists(const std::filesystem::path& path);

// The whole file, or nullopt when it cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path);

// Writes the bytes to a temporary file in the same folder, flushes it and renames it over
// the target, so a failed write (disk full, folder read-only) leaves any previous file whole.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// current directory / file name
std::filesystem::path MakeLocalPath(std::string_view fileName);

// '0'-'9', 'A'-'F', 'a'-'f' give 0-15; any other character gives 0.
uint32_t HexDigitValue(char32_t c);
// value = value * 16 + HexDigitValue over the first n characters, modulo 2^32.
uint32_t ParseHex(std::string_view text, std::size_t n);

}  // namespace kavrin
