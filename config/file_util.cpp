#include "config/file_util.h"

#include <string>

namespace kavrin {

bool FileExists(const std::filesystem::path& path) { return CheckReadable(path).Ok(); }

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path) {
  FileContents contents = ReadFileBytes(path);
  if (!contents.outcome) return std::nullopt;
  return std::move(contents.bytes);
}

// char8_t text is UTF-8 to the standard library on every platform: converted to UTF-16 on
// Windows, copied byte for byte where paths are bytes.
std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::filesystem::path MakeLocalPath(std::string_view fileName) {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::current_path(ec);
  return dir / PathFromUtf8(fileName);
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
