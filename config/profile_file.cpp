#include "config/profile_file.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace kavrin {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A value is text up to its first NUL (the platform hands values out as NUL-terminated
// strings), without surrounding blanks; one pair of matching quotes around it is dropped, as
// the platform's profile reader does, so that a value can keep leading or trailing blanks.
std::u16string_view CleanValue(std::u16string_view raw) {
  raw = raw.substr(0, raw.find(u'\0'));
  std::u16string_view value = Trim(raw);
  if (value.size() >= 2 && value.front() == value.back() &&
      (value.front() == u'"' || value.front() == u'\'')) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

char16_t FoldUnit(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Names compare without regard to ASCII case.
int CompareFolded(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t fa = FoldUnit(a[i]);
    const char16_t fb = FoldUnit(b[i]);
    if (fa != fb) return fa < fb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

bool ProfileFile::Exists() const { return CheckReadable(path_).Ok(); }

void ProfileFile::ClearParsed() {
  text_.clear();
  sections_.clear();
  entries_.clear();
  sectionOrder_.clear();
  keyOrder_.clear();
  damagedLines_.clear();
  damagedLineCount_ = 0;
  unplainNumberEntries_.clear();
}

bool ProfileFile::ParseFile() {
  ClearParsed();
  encoding_ = {};
  FileContents contents = ReadFileBytes(path_);
  readOutcome_ = std::move(contents.outcome);
  if (!readOutcome_) return false;
  ParseBytes(contents.bytes);
  return true;
}

void ProfileFile::ParseBytes(std::span<const uint8_t> bytes) {
  ClearParsed();
  ProfileText decoded = DecodeProfileText(bytes);
  encoding_ = std::move(decoded.encoding);
  text_ = std::move(decoded.text);
  // Offsets are 32-bit: far beyond what a reader is allowed to load.
  if (text_.size() > UINT32_MAX) text_.resize(UINT32_MAX);
  ParseText();
  BuildIndexes();
}

ProfileFile::Span ProfileFile::SpanOf(std::u16string_view part) const {
  return Span{static_cast<uint32_t>(part.data() - text_.data()),
              static_cast<uint32_t>(part.size())};
}

void ProfileFile::ParseText() {
  const std::u16string_view text(text_);
  bool inSection = false;  // entries before any section header belong to none
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
      // A broken header: what follows cannot be told apart from the previous section's
      // keys, so it belongs to no section rather than to the wrong one.
      inSection = close != std::u16string_view::npos;
      if (!inSection) continue;
      const std::u16string_view inside = line.substr(1, close - 1);
      const std::u16string_view name = Trim(inside.substr(0, inside.find(u'\0')));
      sections_.push_back(Section{SpanOf(name), static_cast<uint32_t>(entries_.size()), 0});
      if (damaged) NoteDamagedLine(lineNumber, name, {});
      continue;
    }
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos || !inSection) continue;
    std::u16string_view key = Trim(line.substr(0, equals));
    key = key.substr(0, key.find(u'\0'));
    if (damaged) NoteDamagedLine(lineNumber, View(sections_.back().name), key);
    entries_.push_back(Entry{SpanOf(key), SpanOf(CleanValue(line.substr(equals + 1))), lineNumber});
    ++sections_.back().entryCount;
  }
}

void ProfileFile::BuildIndexes() {
  // Stable sorts keep file order among equal names, so the first of a run is the first in
  // the file: the one that answers reads.
  sectionOrder_.resize(sections_.size());
  for (uint32_t i = 0; i < sectionOrder_.size(); ++i) sectionOrder_[i] = i;
  std::stable_sort(sectionOrder_.begin(), sectionOrder_.end(), [this](uint32_t a, uint32_t b) {
    return CompareFolded(View(sections_[a].name), View(sections_[b].name)) < 0;
  });
  keyOrder_.resize(entries_.size());
  for (uint32_t i = 0; i < keyOrder_.size(); ++i) keyOrder_[i] = i;
  for (const Section& s : sections_) {
    const auto first = keyOrder_.begin() + s.firstEntry;
    std::stable_sort(first, first + s.entryCount, [this](uint32_t a, uint32_t b) {
      return CompareFolded(View(entries_[a].key), View(entries_[b].key)) < 0;
    });
  }
}

void ProfileFile::NoteDamagedLine(uint32_t line, std::u16string_view section,
                                  std::u16string_view key) {
  if (++damagedLineCount_ <= kKeptDamagedLines) {
    damagedLines_.push_back(DamagedLine{line, std::u16string(section), std::u16string(key)});
  }
}

const ProfileFile::Section* ProfileFile::FindSection(std::u16string_view name) const {
  const auto found = std::lower_bound(sectionOrder_.begin(), sectionOrder_.end(), name,
                                      [this](uint32_t index, std::u16string_view n) {
                                        return CompareFolded(View(sections_[index].name), n) < 0;
                                      });
  if (found == sectionOrder_.end() || CompareFolded(View(sections_[*found].name), name) != 0) {
    return nullptr;
  }
  return &sections_[*found];
}

const ProfileFile::Entry* ProfileFile::FindEntry(std::u16string_view section,
                                                 std::u16string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return nullptr;
  const auto first = keyOrder_.begin() + s->firstEntry;
  const auto last = first + s->entryCount;
  const auto found =
      std::lower_bound(first, last, key, [this](uint32_t index, std::u16string_view k) {
        return CompareFolded(View(entries_[index].key), k) < 0;
      });
  if (found == last || CompareFolded(View(entries_[*found].key), key) != 0) return nullptr;
  return &entries_[*found];
}

uint32_t ProfileFile::ReadInt(std::u16string_view section, std::u16string_view key,
                              uint32_t fallback) const {
  const Entry* entry = FindEntry(section, key);
  if (entry == nullptr) return fallback;
  const std::u16string_view value = View(entry->value);
  // The platform's reading: an optional sign, then the decimal digits up to the first
  // non-digit, accumulated modulo 2^32; a negative number wraps ("-1" reads 4294967295).
  // A value with no digits at all (empty, "abc", "0x10" reads 0) is 0, not the fallback.
  std::size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) {
    negative = value[i] == u'-';
    ++i;
  }
  const std::size_t firstDigit = i;
  uint32_t number = 0;
  uint64_t written = 0;  // the number as written, up to just past what 32 bits hold
  for (; i < value.size() && value[i] >= u'0' && value[i] <= u'9'; ++i) {
    number = number * 10u + static_cast<uint32_t>(value[i] - u'0');
    written = std::min<uint64_t>(written * 10u + static_cast<uint64_t>(value[i] - u'0'),
                                 uint64_t{1} << 33);
  }
  const uint64_t largest = negative ? uint64_t{1} << 31 : uint64_t{UINT32_MAX};
  const bool plain = i == value.size() && i > firstDigit && written <= largest;
  if (!plain) {
    const auto index = static_cast<uint32_t>(entry - entries_.data());
    if (std::find(unplainNumberEntries_.begin(), unplainNumberEntries_.end(), index) ==
        unplainNumberEntries_.end())
      unplainNumberEntries_.push_back(index);
  }
  return negative ? 0u - number : number;
}

std::vector<ProfileFile::UnplainNumber> ProfileFile::UnplainNumbers() const {
  std::vector<uint32_t> order = unplainNumberEntries_;
  std::sort(order.begin(), order.end());
  std::vector<UnplainNumber> numbers;
  for (const uint32_t index : order) {
    const Entry& entry = entries_[index];
    const auto owner = std::find_if(sections_.begin(), sections_.end(), [index](const Section& s) {
      return index >= s.firstEntry && index - s.firstEntry < s.entryCount;
    });
    UnplainNumber number;
    number.line = entry.line;
    if (owner != sections_.end()) number.section = std::u16string(View(owner->name));
    number.key = std::u16string(View(entry.key));
    number.text = std::u16string(View(entry.value));
    number.value = ReadInt(number.section, number.key, 0);
    numbers.push_back(std::move(number));
  }
  return numbers;
}

std::u16string ProfileFile::ReadString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view fallback, std::size_t capacity) const {
  if (capacity == 0) return {};
  const Entry* entry = FindEntry(section, key);
  if (entry == nullptr) {
    // The platform drops trailing blanks of the default as well.
    while (!fallback.empty() && IsBlank(fallback.back())) fallback.remove_suffix(1);
  }
  const std::u16string_view text = entry != nullptr ? View(entry->value) : fallback;
  return std::u16string(text.substr(0, capacity - 1));
}

bool ProfileFile::HasSection(std::u16string_view section) const {
  return FindSection(section) != nullptr;
}

bool ProfileFile::HasKey(std::u16string_view section, std::u16string_view key) const {
  return FindEntry(section, key) != nullptr;
}

std::vector<std::u16string> ProfileFile::SectionNames() const {
  std::vector<std::u16string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.emplace_back(View(s.name));
  return names;
}

std::vector<std::u16string> ProfileFile::KeyNames(std::u16string_view section) const {
  std::vector<std::u16string> names;
  if (const Section* s = FindSection(section)) {
    names.reserve(s->entryCount);
    for (uint32_t i = 0; i < s->entryCount; ++i) {
      names.emplace_back(View(entries_[s->firstEntry + i].key));
    }
  }
  return names;
}

}  // namespace kavrin
