#include "config/profile_file.h"

#include <system_error>

#include "config/file_util.h"
#include "config/text_codec.h"

namespace kavrin {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Names match without regard to ASCII case, so the index keys are lower-cased copies.
std::u16string Fold(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return folded;
}

// A value is text up to its first NUL (the platform hands values out as NUL-terminated
// strings), without surrounding blanks; one pair of matching quotes around it is dropped, as
// the platform's profile reader does, so that a value can keep leading or trailing blanks.
std::u16string CleanValue(std::u16string_view raw) {
  raw = raw.substr(0, raw.find(u'\0'));
  std::u16string_view value = Trim(raw);
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == u'"' || value.front() == u'\'')) {
    value = value.substr(1, value.size() - 2);
  }
  return std::u16string(value);
}

std::u16string DecodeUtf16(std::span<const uint8_t> bytes, bool bigEndian) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  // A trailing odd byte cannot form a code unit and is dropped.
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const uint8_t hi = bigEndian ? bytes[i] : bytes[i + 1];
    const uint8_t lo = bigEndian ? bytes[i + 1] : bytes[i];
    text.push_back(static_cast<char16_t>((hi << 8) | lo));
  }
  return text;
}

// UTF-16 with either byte-order mark, else UTF-8 (with or without its mark). A file without
// a mark is taken as UTF-8, which is what editors on Linux write; malformed UTF-8 sequences
// read as U+FFFD rather than failing.
std::u16string Decode(std::span<const uint8_t> bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    return DecodeUtf16(bytes.subspan(2), false);
  }
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    return DecodeUtf16(bytes.subspan(2), true);
  }
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    bytes = bytes.subspan(3);
  }
  return FromUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

bool ProfileFile::Exists() const {
  std::error_code ec;
  return FileExists(path_) && !std::filesystem::is_directory(path_, ec);
}

bool ProfileFile::ParseFile() {
  sections_.clear();
  firstSection_.clear();
  damagedLines_.clear();
  if (!Exists()) return false;
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path_);
  if (!bytes) return false;
  ParseBytes(*bytes);
  return true;
}

void ProfileFile::ParseBytes(std::span<const uint8_t> bytes) {
  sections_.clear();
  firstSection_.clear();
  damagedLines_.clear();
  ParseText(Decode(bytes));
}

void ProfileFile::ParseText(std::u16string_view text) {
  Section* current = nullptr;  // entries before any section header belong to none
  std::size_t pos = 0;
  uint32_t lineNumber = 0;
  while (pos < text.size()) {
    // Lines end in CR LF, LF or a lone CR.
    std::size_t end = text.find_first_of(u"\r\n", pos);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view line = Trim(text.substr(pos, end - pos));
    if (lineNumber < UINT32_MAX) ++lineNumber;
    const bool damaged = line.find(u'\uFFFD') != std::u16string_view::npos;
    pos = end;
    if (pos < text.size() && text[pos] == u'\r') ++pos;
    if (pos < text.size() && text[pos] == u'\n') ++pos;

    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      const std::size_t close = line.find(u']');
      if (close == std::u16string_view::npos) {
        // A broken header: what follows cannot be told apart from the previous section's
        // keys, so it belongs to no section rather than to the wrong one.
        current = nullptr;
        continue;
      }
      std::u16string_view inside = line.substr(1, close - 1);
      const std::u16string name(Trim(inside.substr(0, inside.find(u'\0'))));
      sections_.push_back(Section{name, {}, {}});
      current = &sections_.back();
      if (damaged) damagedLines_.push_back(DamagedLine{lineNumber, name, {}});
      // The first section of a name answers every read; later ones are kept for diagnostics.
      firstSection_.emplace(Fold(name), sections_.size() - 1);
      continue;
    }
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos || current == nullptr) continue;
    std::u16string key(Trim(line.substr(0, equals)));
    key = key.substr(0, key.find(u'\0'));
    if (damaged) damagedLines_.push_back(DamagedLine{lineNumber, current->name, key});
    current->entries.push_back(Entry{key, CleanValue(line.substr(equals + 1))});
    current->firstKey.emplace(Fold(key), current->entries.size() - 1);
  }
}

const ProfileFile::Section* ProfileFile::FindSection(std::u16string_view name) const {
  const auto found = firstSection_.find(Fold(name));
  return found == firstSection_.end() ? nullptr : &sections_[found->second];
}

const std::u16string* ProfileFile::FindValue(std::u16string_view section,
                                             std::u16string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return nullptr;
  const auto found = s->firstKey.find(Fold(key));
  return found == s->firstKey.end() ? nullptr : &s->entries[found->second].value;
}

uint32_t ProfileFile::ReadInt(std::u16string_view section, std::u16string_view key,
                              uint32_t fallback) const {
  const std::u16string* value = FindValue(section, key);
  if (value == nullptr) return fallback;
  // The platform's reading: an optional sign, then the decimal digits up to the first
  // non-digit, accumulated modulo 2^32; a negative number wraps ("-1" reads 4294967295).
  // A value with no digits at all (empty, "abc", "0x10" reads 0) is 0, not the fallback.
  std::size_t i = 0;
  bool negative = false;
  if (i < value->size() && ((*value)[i] == u'+' || (*value)[i] == u'-')) {
    negative = (*value)[i] == u'-';
    ++i;
  }
  uint32_t number = 0;
  for (; i < value->size() && (*value)[i] >= u'0' && (*value)[i] <= u'9'; ++i) {
    number = number * 10u + static_cast<uint32_t>((*value)[i] - u'0');
  }
  return negative ? 0u - number : number;
}

std::u16string ProfileFile::ReadString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view fallback, std::size_t capacity) const {
  if (capacity == 0) return {};
  const std::u16string* value = FindValue(section, key);
  if (value == nullptr) {
    // The platform drops trailing blanks of the default as well.
    while (!fallback.empty() && IsBlank(fallback.back())) fallback.remove_suffix(1);
  }
  std::u16string_view text = value != nullptr ? std::u16string_view(*value) : fallback;
  return std::u16string(text.substr(0, capacity - 1));
}

bool ProfileFile::HasSection(std::u16string_view section) const {
  return FindSection(section) != nullptr;
}

bool ProfileFile::HasKey(std::u16string_view section, std::u16string_view key) const {
  return FindValue(section, key) != nullptr;
}

std::vector<std::u16string> ProfileFile::SectionNames() const {
  std::vector<std::u16string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::vector<std::u16string> ProfileFile::KeyNames(std::u16string_view section) const {
  std::vector<std::u16string> names;
  if (const Section* s = FindSection(section)) {
    names.reserve(s->entries.size());
    for (const Entry& e : s->entries) names.push_back(e.key);
  }
  return names;
}

}  // namespace kavrin
