#pragma once
// A troff manual page read as a person sees its words: font changes and escapes removed,
// split into its sections (.SH) and subsections (.SS).
#include <filesystem>
#include <string>
#include <vector>

namespace kavrin::test {

class ManualPage {
 public:
  explicit ManualPage(const std::filesystem::path& path);

  bool Loaded() const { return !parts_.empty(); }
  // The text of the section (.SH) of that name, without its subsections; empty when absent.
  std::string Section(const std::string& name) const;
  bool HasSection(const std::string& name) const;
  // The text of the subsection (.SS) whose title's leading lower-case words are `words`
  // ("kavrin block show" for `.SS "kavrin block show FILE"`); empty when absent.
  std::string Subsection(const std::string& words) const;
  bool HasSubsection(const std::string& words) const;

 private:
  struct Part {
    bool subsection;
    std::string title;
    std::string text;
  };
  std::vector<Part> parts_;
};

// Whether `word` occurs in `text` with no letter, digit, '_' or '-' right before or after it.
bool ContainsWord(const std::string& text, const std::string& word);

}  // namespace kavrin::test
