#pragma once
// INI ("private profile") reader. The file is parsed once; every read is answered from memory.
// Section and key names match without regard to ASCII case, the first matching section and
// key win, values are trimmed of blanks. Encodings: see config/profile_text.h.
//
// Memory stays a small multiple of the file: the decoded text is kept once, and sections and
// entries are offsets into it, found through sorted index arrays (n log n to build, log n per
// read) rather than per-key allocations.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/file_io.h"
#include "config/profile_text.h"

namespace kavrin {

class ProfileFile {
 public:
  ProfileFile() = default;
  virtual ~ProfileFile() = default;
  ProfileFile(const ProfileFile&) = default;
  ProfileFile& operator=(const ProfileFile&) = default;

  void SetPath(std::filesystem::path path) { path_ = std::move(path); }
  const std::filesystem::path& Path() const { return path_; }
  // Whether Path() names a regular file that can be opened for reading (nothing is read and
  // nothing can block).
  bool Exists() const;

  // Parses the file at Path() (at most kMaxReadBytes); false, with nothing to read, when it
  // cannot be read. ReadOutcome() tells why.
  bool ParseFile();
  // Parses bytes in any of the accepted encodings.
  void ParseBytes(std::span<const uint8_t> bytes);

  // The last ParseFile's outcome: None when the file was read, else Missing or the reason.
  const FileOutcome& ReadOutcome() const { return readOutcome_; }
  // The encoding the last parse read.
  const ProfileEncoding& Encoding() const { return encoding_; }

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
  // An integer value (a key read with ReadInt) whose text is not a plain decimal number
  // (digits after an optional sign, fitting 32 bits): "0x5", "four", an empty value. The
  // platform's reading stands; `kavrin config --check` says what value the text became.
  struct UnplainNumber {
    uint32_t line = 0;
    std::u16string section;  // as the file writes them
    std::u16string key;
    std::u16string text;
    uint32_t value = 0;  // what ReadInt gave
  };
  // Every such key read so far, once each, in file order.
  std::vector<UnplainNumber> UnplainNumbers() const;

  // The first kKeptDamagedLines of them, in file order; a file of garbage keeps no more.
  static constexpr std::size_t kKeptDamagedLines = 100;
  const std::vector<DamagedLine>& DamagedLines() const { return damagedLines_; }
  // All of them, kept or not.
  std::size_t DamagedLineCount() const { return damagedLineCount_; }

 private:
  struct Span {
    uint32_t offset = 0;
    uint32_t length = 0;
  };
  struct Entry {
    Span key;
    Span value;
    uint32_t line = 0;
  };
  struct Section {
    Span name;
    uint32_t firstEntry = 0;  // entries of a section lie together, in file order
    uint32_t entryCount = 0;
  };

  std::u16string_view View(Span span) const {
    return std::u16string_view(text_).substr(span.offset, span.length);
  }
  Span SpanOf(std::u16string_view part) const;
  void ClearParsed();
  void ParseText();
  void BuildIndexes();
  const Section* FindSection(std::u16string_view name) const;
  const Entry* FindEntry(std::u16string_view section, std::u16string_view key) const;

  std::filesystem::path path_;
  std::vector<DamagedLine> damagedLines_;
  FileOutcome readOutcome_;
  ProfileEncoding encoding_;
  std::u16string text_;
  std::vector<Section> sections_;       // file order, repeats included
  std::vector<Entry> entries_;          // file order
  std::vector<uint32_t> sectionOrder_;  // section indexes by folded name, then file order
  std::vector<uint32_t> keyOrder_;  // per section's range: entries by folded key, then file order
  std::size_t damagedLineCount_ = 0;
  // Entries that ReadInt met with a value that is not a plain decimal number. Written by the
  // const reader: the readers are what knows which keys are numbers, and all reads of one
  // file happen on the thread that loads it.
  mutable std::vector<uint32_t> unplainNumberEntries_;
  void NoteDamagedLine(uint32_t line, std::u16string_view section, std::u16string_view key);
};

}  // namespace kavrin
