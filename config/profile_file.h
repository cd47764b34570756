#pragma once
// INI ("private profile") reader. The file is parsed once; every read is answered from memory.
// Section and key names match without regard to ASCII case, the first matching section and
// key win, values are trimmed of blanks. Accepts UTF-16LE/BE with BOM and UTF-8 with or
// without BOM.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kavrin {

class ProfileFile {
 public:
  ProfileFile() = default;
  virtual ~ProfileFile() = default;
  ProfileFile(const ProfileFile&) = default;
  ProfileFile& operator=(const ProfileFile&) = default;

  void SetPath(std::filesystem::path path) { path_ = std::move(path); }
  const std::filesystem::path& Path() const { return path_; }
  bool Exists() const;

  // Parses the file at Path(); false (and nothing to read) when it cannot be read.
  bool ParseFile();
  // Parses bytes in any of the accepted encodings.
  void ParseBytes(std::span<const uint8_t> bytes);

  // The leading decimal number of the value (after an optional sign, as the platform reads
  // it), or fallback when the section or key is absent.
  uint32_t ReadInt(std::u16string_view section, std::u16string_view key, uint32_t fallback) const;
  // The value, or fallback when absent, cut to capacity - 1 code units.
  std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                            std::u16string_view fallback, std::size_t capacity) const;

  bool HasSection(std::u16string_view section) const;
  bool HasKey(std::u16string_view section, std::u16string_view key) const;

  // For diagnostics (`kavrin config --check`): section names as the file writes them, in file
  // order with repeats, and the keys of the first section of a name, in file order with repeats.
  std::vector<std::u16string> SectionNames() const;
  std::vector<std::u16string> KeyNames(std::u16string_view section) const;

  // A section header or key line whose text holds U+FFFD, the mark the decoder leaves for
  // bytes that are not valid in the file's encoding (or the file's own U+FFFD): for
  // `kavrin config --check`, which names the line. Comments and lines nothing reads are left
  // out. Line numbers count from 1.
  struct DamagedLine {
    uint32_t line = 0;
    std::u16string section;  // as the file writes it; empty before any section
    std::u16string key;      // empty for a section header
  };
  const std::vector<DamagedLine>& DamagedLines() const { return damagedLines_; }

 private:
  struct Entry {
    std::u16string key;
    std::u16string value;
  };
  struct Section {
    std::u16string name;
    std::vector<Entry> entries;                                // file order, repeats included
    std::unordered_map<std::u16string, std::size_t> firstKey;  // folded key -> entry
  };
  const Section* FindSection(std::u16string_view name) const;
  const std::u16string* FindValue(std::u16string_view section, std::u16string_view key) const;
  void ParseText(std::u16string_view text);

  std::filesystem::path path_;
  std::vector<Section> sections_;                                // file order, repeats included
  std::unordered_map<std::u16string, std::size_t> firstSection_;  // folded name -> section
  std::vector<DamagedLine> damagedLines_;
};

}  // namespace kavrin
