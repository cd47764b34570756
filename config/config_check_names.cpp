#include "config/config_check_names.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

#include "config/config_keys.h"
#include "config/config_tables.h"
#include "config/text_codec.h"

namespace kavrin {
namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

// Hashing and comparing names without regard to ASCII case, on the names as the file writes
// them: a file of a million names is indexed without a copy of each.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::u16string_view name) const {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char16_t c : name) hash = (hash ^ Lower(c)) * 1099511628211ull;
    return static_cast<std::size_t>(hash);
  }
};
struct NameEqual {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const { return SameName(a, b); }
};
using NameSet = std::unordered_set<std::u16string, NameHash, NameEqual>;

// True when the reader would ask for exactly this key for some index: "ITEM_007" is read,
// "ITEM_7" never is.
bool IsIndexedKey(std::u16string_view key, std::u16string_view prefix, std::size_t width) {
  if (key.size() <= prefix.size() || !SameName(key.substr(0, prefix.size()), prefix)) return false;
  const std::u16string_view digits = key.substr(prefix.size());
  if (digits.size() > 10) return false;
  uint64_t index = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return false;
    index = index * 10 + static_cast<uint64_t>(c - u'0');
  }
  return index <= UINT32_MAX &&
         keys::IndexedKey(u"", static_cast<uint32_t>(index), width) == digits;
}

struct IndexedName {
  std::u16string_view prefix;
  std::size_t width;
};

struct SectionRule {
  std::u16string_view name;  // empty for item sections
  std::vector<std::u16string_view> keys;
  std::vector<IndexedName> indexed;

  bool Reads(std::u16string_view key) const {
    return std::any_of(keys.begin(), keys.end(),
                       [&](std::u16string_view k) { return SameName(k, key); }) ||
           std::any_of(indexed.begin(), indexed.end(),
                       [&](const IndexedName& n) { return IsIndexedKey(key, n.prefix, n.width); });
  }
};

// The keys the readers take, from the same tables they read by.
const std::vector<SectionRule>& FixedSections() {
  using tables::KeyNames;
  static const std::vector<SectionRule> rules = {
      {keys::kDevice, {u"NO"}, {{u"", 1}}},
      {keys::kLogo, KeyNames(tables::kLogo, {u"NO", u"TITLE"}), {{u"LOGO_", 2}}},
      {keys::kLanguageLayout, KeyNames(tables::kLanguageLayout, {u"NO", u"TITLE"}), {}},
      {keys::kLanguageTitleList, {}, {{u"", 2}}},
      {keys::kLanguageSelectList, {}, {{u"", 2}}},
      {keys::kLanguageEnableList, {}, {{u"", 2}}},
      {keys::kTestItemList, {u"ITEM_NO"}, {{u"ITEM_", 3}}},
      {keys::kItemList, {u"ITEM_NO"}, {{u"ITEM_", 3}}},
      {keys::kItemLayout, KeyNames(tables::kItemLayout), {}},
      {keys::kInfoLayout,
       KeyNames(tables::kInfoLayout, {u"ITEM_NO"}),
       {{u"TITLE_", 3}, {u"CMD_ID_", 3}}},
      {keys::kTestItemLayout, KeyNames(tables::kTestItemLayout), {}},
      {keys::kWindowLayout, KeyNames(tables::kWindowLayout), {}},
  };
  return rules;
}

const SectionRule& ItemSection() {
  static const SectionRule rule = {
      u"", tables::KeyNames(tables::kItem, {u"TITLE", u"OPTION_NO"}), {{u"OPTION_", 1}}};
  return rule;
}

// A file of thousands of unknown or repeated names is one mistake made many times, or no
// configuration at all: the first names of a kind are listed one by one, the rest make one
// line, so that neither the output nor the findings outgrow the file.
constexpr std::size_t kListedPerKind = 20;

class Tally {
 public:
  // True while names of this kind are still listed one by one.
  bool Lists(std::u16string_view section, std::u16string_view key) {
    if (++count_ <= kListedPerKind) return true;
    if (count_ == kListedPerKind + 1) {
      section_ = section;
      key_ = key;
    }
    return false;
  }
  // "this and N more <what>" at the first name not listed.
  void Summarise(const std::string& what, std::vector<ConfigFinding>& findings) const {
    if (count_ <= kListedPerKind) return;
    findings.push_back(ConfigFinding{
        section_, key_,
        "this and " + std::to_string(count_ - kListedPerKind - 1) + " more " + what +
            "; only the first " + std::to_string(kListedPerKind) + " are listed one by one"});
  }

 private:
  std::size_t count_ = 0;
  std::u16string section_, key_;
};

class NameChecker {
 public:
  NameChecker(const ProfileFile& file, const TestPanel& testPanel,
              std::vector<ConfigFinding>& findings)
      : file_(file), testPanel_(testPanel), findings_(findings) {
    // Every name either item list gives, at any index, shown or not.
    for (std::u16string_view list : {keys::kItemList, keys::kTestItemList}) {
      for (const std::u16string& key : file_.KeyNames(list)) {
        listedSections_.insert(file_.ReadString(list, key, u"", kItemTextRoom));
      }
    }
  }

  void Run() {
    Tally repeated, unread;
    const std::vector<std::u16string> sections = file_.SectionNames();
    for (const auto& [name, count] : Distinct(sections)) {
      if (count > 1 && repeated.Lists(name, u""))
        Add(name, u"", "appears " + std::to_string(count) + " times; only the first is read");
      const SectionRule* rule = RuleOf(name);
      if (rule == nullptr) {
        if (unread.Lists(name, u""))
          Add(name, u"", "no reader takes this section; its keys are not read");
        continue;
      }
      CheckKeys(name, *rule);
    }
    repeated.Summarise("sections appear more than once, and only the first of each is read",
                       findings_);
    unread.Summarise("sections are taken by no reader", findings_);
  }

 private:
  void Add(std::u16string_view section, std::u16string_view key, std::string message) {
    findings_.push_back(
        ConfigFinding{std::u16string(section), std::u16string(key), std::move(message)});
  }

  // Names in file order, each once (its first spelling), with how often it appears: one hash
  // lookup per name, on views into `names`, so that checking stays linear in the file.
  static std::vector<std::pair<std::u16string_view, std::size_t>> Distinct(
      const std::vector<std::u16string>& names) {
    std::vector<std::pair<std::u16string_view, std::size_t>> distinct;
    std::unordered_map<std::u16string_view, std::size_t, NameHash, NameEqual> seen;
    seen.reserve(names.size());
    for (const std::u16string& name : names) {
      const auto [at, isNew] = seen.emplace(name, distinct.size());
      if (isNew) {
        distinct.emplace_back(name, 1);
      } else {
        ++distinct[at->second].second;
      }
    }
    return distinct;
  }

  const SectionRule* RuleOf(std::u16string_view name) const {
    for (const SectionRule& rule : FixedSections()) {
      if (SameName(rule.name, name)) return &rule;
    }
    return IsItemSection(name) ? &ItemSection() : nullptr;
  }

  // Named by either item list (at any index, shown or not), or shaped like an item section:
  // spare item sections wait in the file until a list names them.
  bool IsItemSection(std::u16string_view name) const {
    if (listedSections_.find(name) != listedSections_.end()) return true;
    return std::any_of(ItemSection().keys.begin(), ItemSection().keys.end(),
                       [&](std::u16string_view key) { return file_.HasKey(name, key); });
  }

  void CheckKeys(std::u16string_view section, const SectionRule& rule) {
    Tally repeated, unread;
    const std::vector<std::u16string> keyNames = file_.KeyNames(section);
    for (const auto& [key, count] : Distinct(keyNames)) {
      if (count > 1 && repeated.Lists(section, key))
        Add(section, key, "given " + std::to_string(count) + " times; the first value is used");
      if (SameName(rule.name, keys::kTestItemLayout) && SameName(key, u"TITLE_WIDTH")) {
        CheckTestPanelTitleWidth(section, key);
      } else if (!rule.Reads(key) && unread.Lists(section, key)) {
        Add(section, key, "not a key of this section; it is not read");
      }
    }
    repeated.Summarise("keys are given more than once, and only the first value of each is used",
                       findings_);
    unread.Summarise("keys are not keys of this section and are not read", findings_);
  }

  // The test panel's label width is ITEM_WIDTH; the shipped file also writes TITLE_WIDTH
  // there, harmless while it agrees with the width in effect.
  void CheckTestPanelTitleWidth(std::u16string_view section, std::u16string_view key) {
    const uint32_t written = file_.ReadInt(section, key, 0);
    if (written != testPanel_.titleWidth) {
      Add(section, key,
          "not read in this section; the label width is ITEM_WIDTH (" +
              std::to_string(testPanel_.titleWidth) + ")");
    }
  }

  const ProfileFile& file_;
  const TestPanel& testPanel_;
  std::vector<ConfigFinding>& findings_;
  NameSet listedSections_;  // every name either item list gives
};

}  // namespace

void CheckNames(const ProfileFile& file, const TestPanel& testPanel,
                std::vector<ConfigFinding>& findings) {
  NameChecker(file, testPanel, findings).Run();
}

}  // namespace kavrin
