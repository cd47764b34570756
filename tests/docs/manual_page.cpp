#include "tests/docs/manual_page.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace kavrin::test {
namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
}

// One source line as the words it shows.
std::string Plain(std::string line) {
  if (!line.empty() && line[0] == '.') {
    const std::size_t blank = line.find(' ');
    line = blank == std::string::npos ? std::string() : line.substr(blank + 1);
  }
  for (const char* font : {"\\fB", "\\fI", "\\fR", "\\fP"}) ReplaceAll(line, font, "");
  ReplaceAll(line, "\\-", "-");
  ReplaceAll(line, "\\(dq", "\"");
  ReplaceAll(line, "\\(lq", "\"");
  ReplaceAll(line, "\\(rq", "\"");
  ReplaceAll(line, "\\(aq", "'");
  ReplaceAll(line, "\\&", "");
  ReplaceAll(line, "\\ ", " ");
  ReplaceAll(line, "\"", "");
  return line;
}

bool IsWordCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-';
}

}  // namespace

ManualPage::ManualPage(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(".\\\"", 0) == 0) continue;  // a comment
    const bool section = line.rfind(".SH ", 0) == 0;
    const bool subsection = line.rfind(".SS ", 0) == 0;
    if (section || subsection) {
      parts_.push_back({subsection, Plain(line), {}});
    } else if (!parts_.empty()) {
      parts_.back().text += Plain(line) + "\n";
    }
  }
}

std::string ManualPage::Section(const std::string& name) const {
  for (const Part& part : parts_) {
    if (!part.subsection && part.title == name) return part.text;
  }
  return {};
}

bool ManualPage::HasSection(const std::string& name) const {
  for (const Part& part : parts_) {
    if (!part.subsection && part.title == name) return true;
  }
  return false;
}

std::string ManualPage::Subsection(const std::string& words) const {
  for (const Part& part : parts_) {
    if (!part.subsection) continue;
    // The title's command words: the leading words in lower case.
    std::istringstream in(part.title);
    std::string word, leading;
    while (in >> word && std::islower(static_cast<unsigned char>(word[0])) != 0) {
      leading += (leading.empty() ? "" : " ") + word;
    }
    if (leading == words) return part.title + "\n" + part.text;
  }
  return {};
}

bool ManualPage::HasSubsection(const std::string& words) const {
  return !Subsection(words).empty();
}

bool ContainsWord(const std::string& text, const std::string& word) {
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const bool startsWord = at == 0 || !IsWordCharacter(text[at - 1]);
    const std::size_t end = at + word.size();
    const bool endsWord = end == text.size() || !IsWordCharacter(text[end]);
    if (startsWord && endsWord) return true;
  }
  return false;
}

}  // namespace kavrin::test
