#include "config/config_check_text.h"

#include <string>

#include "config/text_codec.h"

namespace kavrin {
namespace {

std::string Str(uint64_t n) { return std::to_string(n); }

void Add(std::vector<ConfigFinding>& findings, std::u16string_view section, std::u16string_view key,
         std::string message) {
  findings.push_back(
      ConfigFinding{std::u16string(section), std::u16string(key), std::move(message)});
}

}  // namespace

// Consecutive lines of one section make one finding, and lines beyond those the file keeps
// are counted in one more.
void CheckDamagedLines(const ProfileFile& file, std::vector<ConfigFinding>& findings) {
  const auto& lines = file.DamagedLines();
  const std::string what =
      " bytes that are not valid text in the file's encoding; they read as U+FFFD, the "
      "replacement character, not as what was meant";
  for (std::size_t first = 0; first < lines.size();) {
    std::size_t last = first;
    while (last + 1 < lines.size() && lines[last + 1].line == lines[last].line + 1 &&
           lines[last + 1].section == lines[first].section)
      ++last;
    const std::string where = first == last ? "line " + Str(lines[first].line) + " holds"
                                            : "lines " + Str(lines[first].line) + " to " +
                                                  Str(lines[last].line) + " hold";
    Add(findings, lines[first].section, first == last ? std::u16string_view(lines[first].key) : u"",
        where + what);
    first = last + 1;
  }
  const std::size_t more = file.DamagedLineCount() - lines.size();
  if (more > 0 && !lines.empty()) {
    Add(findings, lines.back().section, u"",
        Str(more) + " more lines after line " + Str(lines.back().line) + " hold" + what);
  }
}

void CheckEncodingChoice(const ProfileFile& file, std::vector<ConfigFinding>& findings) {
  const ProfileEncoding& encoding = file.Encoding();
  if (encoding.alsoReadsAs.empty()) return;
  Add(findings, u"", u"",
      "the file has no byte-order mark and reads both as UTF-8 (the reading taken) and as " +
          encoding.alsoReadsAs +
          ", the ANSI code page, with other characters; save it as UTF-8 with a byte-order "
          "mark, or as UTF-16, so that it reads one way only");
}

// The value the reader took from a number's text is kept; the author learns what it became.
void CheckNumberTexts(const ProfileFile& file, std::vector<ConfigFinding>& findings) {
  for (const ProfileFile::UnplainNumber& number : file.UnplainNumbers()) {
    std::string what = "line " + Str(number.line) + ": ";
    if (number.text.empty()) {
      what += "the value is empty";
    } else {
      what += "\"" + ToUtf8(number.text) + "\" is not a plain decimal number";
    }
    what += "; it reads as " + Str(number.value);
    Add(findings, number.section, number.key, std::move(what));
  }
}

}  // namespace kavrin
