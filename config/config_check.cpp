#include "config/config_check.h"

#include <algorithm>

#include "config/bit_field.h"
#include "config/config_check_layout.h"
#include "config/config_check_names.h"
#include "config/config_check_text.h"
#include "config/config_keys.h"
#include "config/text_codec.h"

namespace kavrin {
namespace {

// The recorder keeps words 0 to 39 of the settings block; block files hold words 0 to 55.
constexpr uint32_t kDeviceWords = 40;
constexpr uint32_t kBlockWords = 56;
// Room large enough to see how long a text in the file really is.
constexpr std::size_t kWholeText = std::size_t{1} << 20;

std::string Str(uint64_t n) { return std::to_string(n); }
// Built by appending: GCC 12 at -O3 warns falsely about "literal" + std::string.
std::string Quoted(std::u16string_view text) {
  std::string quoted(1, '"');
  quoted += ToUtf8(text);
  quoted += '"';
  return quoted;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

// The bits an item takes inside one device word, once the field is clipped to the word.
struct PlacedField {
  std::u16string section;
  std::u16string listKey;
  uint32_t word;
  uint32_t mask;
};

std::string BitRange(uint32_t first, uint64_t last) {
  return first == last ? "bit " + Str(first) : "bits " + Str(first) + " to " + Str(last);
}

class ConfigChecker {
 public:
  explicit ConfigChecker(const ConfigFile& config) : config_(config) {}

  std::vector<ConfigFinding> Run() {
    CheckItemList();
    CheckLanguagePanel();
    CheckLogoPanel();
    CheckInfoPanel();
    CheckTestItemList();
    CheckDeviceNames();
    CheckLayout(config_, findings_);
    CheckNames(config_, config_.testPanel, findings_);
    CheckEncodingChoice(config_, findings_);
    CheckDamagedLines(config_, findings_);
    CheckNumberTexts(config_, findings_);
    return std::move(findings_);
  }

 private:
  void Add(std::u16string_view section, std::u16string_view key, std::string message) {
    findings_.push_back(
        ConfigFinding{std::u16string(section), std::u16string(key), std::move(message)});
  }

  void CheckCount(std::u16string_view section, std::u16string_view key, uint32_t bound,
                  const char* what) {
    const uint32_t asked = config_.ReadInt(section, key, 0);
    if (asked > bound) {
      Add(section, key,
          Str(asked) + " " + what + " asked; only the first " + Str(bound) + " are loaded");
    }
  }

  // A text longer than the room it is read into loses its end.
  void CheckTextRoom(std::u16string_view section, std::u16string_view key, std::size_t room,
                     const char* consequence = "") {
    const std::size_t length = config_.ReadString(section, key, u"", kWholeText).size();
    if (length > room - 1) {
      Add(section, key,
          Str(length) + " characters; only the first " + Str(room - 1) + " are kept" + consequence);
    }
  }

  // Consecutive indices with the same finding make one line ("ITEM_002 to ITEM_099").
  void AddRuns(std::u16string_view section, const std::vector<uint32_t>& indices,
               std::u16string (*keyOf)(uint32_t), const std::string& one, const std::string& many) {
    for (std::size_t first = 0; first < indices.size();) {
      std::size_t last = first;
      while (last + 1 < indices.size() && indices[last + 1] == indices[last] + 1) ++last;
      if (first == last) {
        Add(section, keyOf(indices[first]), one);
      } else {
        Add(section, keyOf(indices[first]) + u" to " + keyOf(indices[last]), many);
      }
      first = last + 1;
    }
  }

  void FlushEmptyNames(std::u16string_view list, std::vector<uint32_t>& indices) {
    AddRuns(list, indices, keys::ListItemKey,
            "names no section; the item has an empty title and no options",
            "name no section; these items have an empty title and no options");
    indices.clear();
  }

  // Walks a list; calls check(name, index, listKey) for each entry whose section exists.
  template <typename Check>
  void WalkList(std::u16string_view list, std::size_t loaded, Check check) {
    std::vector<uint32_t> emptyNames;
    for (uint32_t i = 0; i < loaded; ++i) {
      const std::u16string key = keys::ListItemKey(i);
      const std::u16string name = config_.ReadString(list, key, u"", kItemTextRoom);
      if (name.empty()) {
        emptyNames.push_back(i);
        continue;
      }
      FlushEmptyNames(list, emptyNames);
      CheckTextRoom(list, key, kItemTextRoom);
      if (!config_.HasSection(name)) {
        Add(list, key,
            "section [" + ToUtf8(name) +
                "] is missing; the item has an empty title and no options");
        continue;
      }
      check(name, i, key);
    }
    FlushEmptyNames(list, emptyNames);
  }

  void CheckItemList() {
    const std::u16string_view list = keys::kItemList;
    if (!config_.HasSection(list)) {
      Add(list, u"", "missing; the window shows no setting items");
      return;
    }
    CheckCount(list, u"ITEM_NO", ConfigBounds::kMaxItems, "items");
    std::vector<PlacedField> placed;
    std::vector<std::pair<std::u16string, std::u16string>> named;  // section, first list key
    WalkList(list, config_.items.size(),
             [&](const std::u16string& name, uint32_t i, const std::u16string& key) {
               const auto earlier = std::find_if(named.begin(), named.end(), [&](const auto& n) {
                 return EqualIgnoringCase(n.first, name);
               });
               if (earlier != named.end()) {
                 Add(list, key,
                     "names [" + ToUtf8(name) + "] again (as " + ToUtf8(earlier->second) +
                         " does); both items share the same bits");
                 return;
               }
               named.emplace_back(name, key);
               CheckSettingItem(name, config_.items[i], key, placed);
             });
  }

  void CheckSettingItem(const std::u16string& name, const SettingItem& item,
                        const std::u16string& listKey, std::vector<PlacedField>& placed) {
    if (!config_.HasKey(name, u"TITLE")) Add(name, u"TITLE", "missing; the item's label is empty");
    CheckTextRoom(name, u"TITLE", kItemTextRoom);
    const bool hasLength = config_.HasKey(name, u"DATA_LEN");
    if (!hasLength)
      Add(name, u"DATA_LEN", "missing; the field has no bits and every option is stored as 0");

    // Described as the block places it: the same placement writes the field.
    const BitFieldPlacement field = PlaceBitField(item.startBit, item.bitLength);
    uint32_t storableBits = 0;  // bits of the field that land inside its word
    bool inWord = false;
    if (item.wordIndex >= kDeviceWords) {
      Add(name, u"WORD_IDX",
          "word " + Str(item.wordIndex) +
              " lies beyond word 39, the last the recorder keeps; the field reads 0 "
              "and is never stored");
    } else {
      // A field outside the word is reported once, by its start bit, not again by its options.
      inWord = field.length == 0 || field.shift < BitFieldPlacement::kWordBits;
      storableBits = field.StoredBits();
      CheckFieldPlacement(name, item, field, hasLength);
    }
    CheckCount(name, u"OPTION_NO", ConfigBounds::kMaxOptions, "options");
    const std::size_t options = item.options.size();
    if (options == 0) {
      Add(name, u"OPTION_NO",
          config_.HasKey(name, u"OPTION_NO")
              ? "no options; the item's list stays empty"
              : "missing; the item has no options and its list stays empty");
    } else {
      const uint64_t capacity = uint64_t{1} << storableBits;
      if (inWord && hasLength && options > capacity) {
        Add(name, u"OPTION_NO",
            Str(options) + " options, but the field's " + Str(storableBits) + " bits hold only " +
                (capacity == 1 ? std::string("the value 0") : "values 0 to " + Str(capacity - 1)) +
                "; options " + Str(capacity) + " to " + Str(options - 1) + " cannot be stored");
      }
      if (item.option >= options) {
        Add(name, u"DEFAULT_OPTION",
            Str(item.option) + " names no option (OPTION_0 to OPTION_" + Str(options - 1) +
                "); the list starts with no selection and the field is stored as all ones");
      }
      std::vector<uint32_t> missing;
      for (uint32_t k = 0; k < options; ++k) {
        if (!config_.HasKey(name, keys::OptionKey(k))) missing.push_back(k);
        CheckTextRoom(name, keys::OptionKey(k), kItemTextRoom);
      }
      AddRuns(name, missing, keys::OptionKey, "missing; the option shows an empty text",
              "missing; these options show an empty text");
    }
    if (inWord && storableBits > 0) CheckOverlaps(name, item, listKey, field, placed);
  }

  // Where START_BIT and DATA_LEN really put the field: a shift and a length taken modulo 32,
  // and the bits above 15 of the 16-bit word lost.
  void CheckFieldPlacement(const std::u16string& name, const SettingItem& item,
                           const BitFieldPlacement& field, bool hasLength) {
    const std::string kept =
        field.StoredBits() == 0
            ? std::string("the field stores nothing and every option reads as 0")
            : "the field takes " + BitRange(field.FirstStoredBit(), field.LastStoredBit()) +
                  " of word " + Str(item.wordIndex);
    if (hasLength && item.bitLength >= 32) {
      Add(name, u"DATA_LEN",
          Str(item.bitLength) + " bits are taken modulo 32, which leaves " +
              (field.length == 0 ? std::string("none") : Str(field.length)) + "; " + kept);
    }
    if (field.length == 0) return;  // no bits to place: nothing more to say about them
    const std::string wrapped = item.startBit >= 32
                                    ? "bit " + Str(item.startBit) + " wraps to bit " +
                                          Str(field.shift) + " (the shift is taken modulo 32)"
                                    : std::string();
    if (field.shift >= BitFieldPlacement::kWordBits) {
      Add(name, u"START_BIT",
          (wrapped.empty() ? "bit " + Str(field.shift) : wrapped + ", which") +
              " lies outside the 16-bit word (bits 0 to 15); " + kept);
      return;
    }
    const uint64_t end = uint64_t{field.shift} + field.length;
    if (!wrapped.empty()) Add(name, u"START_BIT", wrapped + "; " + kept);
    if (end > BitFieldPlacement::kWordBits) {
      Add(name, u"DATA_LEN",
          BitRange(field.shift, end - 1) + " run past bit 15; the bits above 15 are lost and " +
              kept);
    }
  }

  void CheckOverlaps(const std::u16string& name, const SettingItem& item,
                     const std::u16string& listKey, const BitFieldPlacement& field,
                     std::vector<PlacedField>& placed) {
    const uint32_t mask = field.storedMask;
    const std::string where =
        BitRange(field.FirstStoredBit(), field.LastStoredBit()) + " of word " + Str(item.wordIndex);
    for (const PlacedField& other : placed) {
      if (other.word == item.wordIndex && (other.mask & mask) != 0) {
        Add(name, u"START_BIT",
            where + " overlap [" + ToUtf8(other.section) + "] (" + ToUtf8(other.listKey) +
                "); the two items overwrite each other");
      }
    }
    const LogoPanel& logo = config_.logoPanel;
    const uint64_t logoEnd = uint64_t{logo.startWord} + logo.wordLength;
    if (item.wordIndex >= logo.startWord && item.wordIndex < logoEnd) {
      Add(name, u"WORD_IDX",
          "word " + Str(item.wordIndex) + " lies in the date stamp logo's text field (words " +
              Str(logo.startWord) + " to " + Str(logoEnd - 1) + "); the logo text overwrites it");
    }
    placed.push_back(PlacedField{name, listKey, item.wordIndex, mask});
  }

  void CheckTestItemList() {
    const std::u16string_view list = keys::kTestItemList;
    CheckCount(list, u"ITEM_NO", ConfigBounds::kMaxTestItems, "test items");
    WalkList(list, config_.testItems.size(),
             [&](const std::u16string& name, uint32_t i, const std::u16string&) {
               const SettingItem& item = config_.testItems[i];
               if (!config_.HasKey(name, u"TITLE"))
                 Add(name, u"TITLE", "missing; the test's label is empty");
               CheckTextRoom(name, u"TITLE", kItemTextRoom);
               // The test code keeps 8 bits of the word and 4 bits each of start and length.
               const std::string code = "; the test code is 0x" + Hex(TestCode(item));
               if (item.wordIndex > 0xFF)
                 Add(name, u"WORD_IDX",
                     Str(item.wordIndex) + " does not fit the test code's 8 bits" + code);
               if (item.startBit > 0xF)
                 Add(name, u"START_BIT",
                     Str(item.startBit) + " does not fit the test code's 4 bits" + code);
               if (item.bitLength > 0xF)
                 Add(name, u"DATA_LEN",
                     Str(item.bitLength) + " does not fit the test code's 4 bits" + code);
             });
  }

  static std::string Hex(uint16_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int shift = 12; shift >= 0; shift -= 4) text.push_back(digits[(value >> shift) & 0xF]);
    return text;
  }

  void CheckLanguagePanel() {
    const std::u16string_view layout = keys::kLanguageLayout;
    CheckCount(layout, u"No", LanguagePanel::kMaxEntries, "language rows");
    CheckTextRoom(layout, u"TITLE", kPanelTextRoom);
    std::vector<uint32_t> untitled;
    for (uint32_t i = 0; i < config_.languagePanel.entryCount; ++i) {
      const std::u16string key = keys::LanguageRowKey(i);
      if (!config_.HasKey(keys::kLanguageTitleList, key)) untitled.push_back(i);
      CheckTextRoom(keys::kLanguageTitleList, key, kPanelTextRoom);
    }
    AddRuns(keys::kLanguageTitleList, untitled, keys::LanguageRowKey,
            "missing; the row is titled \"Not Defined\"",
            "missing; these rows are titled \"Not Defined\"");
  }

  void CheckLogoPanel() {
    const std::u16string_view s = keys::kLogo;
    const LogoPanel& logo = config_.logoPanel;
    CheckCount(s, u"NO", LogoPanel::kMaxTexts, "logo texts");
    CheckTextRoom(s, u"TITLE", kPanelTextRoom);
    const uint64_t end = uint64_t{logo.startWord} + logo.wordLength;
    const std::string words =
        "the logo field, words " + Str(logo.startWord) + " to " + Str(end - 1) + ",";
    if (logo.wordLength == 0) {
      Add(s, u"WORD_LEN", "0 words hold no text; the logo text is never stored");
    } else if (logo.startWord >= kBlockWords) {
      Add(s, u"START_WORD",
          words + " lies outside the block (words 0 to 55); no logo text is stored");
    } else if (end > kBlockWords) {
      Add(s, u"START_WORD",
          words + " runs past the block's last word 55; the text is cut at the block's end");
    } else if (logo.startWord >= kDeviceWords) {
      Add(s, u"START_WORD",
          words + " lies in the note area (words 40 to 55), which is never sent to the recorder");
    } else if (end > kDeviceWords) {
      Add(s, u"START_WORD",
          words + " runs past word 39; its part from word 40 on is never sent to the recorder");
    }
    // Two characters per word; a wider character takes more room, so this is the least cut.
    const uint64_t fieldRoom = 2 * (std::min<uint64_t>(end, kBlockWords) -
                                    std::min<uint64_t>(logo.startWord, kBlockWords));
    for (uint32_t i = 0; i < logo.logoCount; ++i) {
      const std::u16string key = keys::LogoKey(i);
      CheckTextRoom(s, key, kPanelTextRoom);
      if (logo.wordLength > 0 && logo.logoTexts[i].size() > fieldRoom) {
        Add(s, key,
            Str(logo.logoTexts[i].size()) + " characters, but the logo field holds " +
                Str(fieldRoom) + "; the rest is cut when the text is stored");
      }
    }
  }

  void CheckInfoPanel() {
    const std::u16string_view s = keys::kInfoLayout;
    CheckCount(s, u"ITEM_NO", ConfigBounds::kMaxInfoRows, "information rows");
    for (uint32_t i = 0; i < config_.infoPanel.rows.size(); ++i) {
      CheckTextRoom(s, keys::InfoTitleKey(i), kPanelTextRoom);
      const std::u16string key = keys::InfoCommandKey(i);
      if (config_.infoPanel.rows[i].commandCode != 0) continue;
      const std::u16string name = config_.ReadString(s, key, u"", kNameTextRoom);
      const std::string consequence = "; the row asks the recorder for command 0";
      if (name.empty()) {
        Add(s, key, (config_.HasKey(s, key) ? "empty" : "missing") + consequence);
        continue;
      }
      std::string known;
      std::string suggestion;
      for (std::u16string_view command : CommandNames()) {
        known += (known.empty() ? "" : ", ") + ToUtf8(command);
        if (EqualIgnoringCase(command, name))
          suggestion = "; names match case exactly: " + ToUtf8(command);
      }
      Add(s, key,
          Quoted(name) + " is not a known command (" + known + ")" + suggestion + consequence);
    }
  }

  void CheckDeviceNames() {
    const std::u16string_view s = keys::kDevice;
    if (config_.friendlyNameCount == 0) {
      Add(s, config_.HasSection(s) ? u"NO" : u"",
          "no device names; the recorder is never looked for");
      return;
    }
    CheckCount(s, u"NO", ConfigBounds::kMaxDeviceNames, "device names");
    std::vector<uint32_t> unnamed;
    for (uint32_t i = 0; i < config_.friendlyNameCount; ++i) {
      CheckTextRoom(s, keys::DeviceNameKey(i), kNameTextRoom,
                    "; the recorder is looked for under the cut name");
      if (config_.friendlyNames[i].empty()) unnamed.push_back(i);
    }
    AddRuns(s, unnamed, keys::DeviceNameKey,
            "no name; the recorder is looked for under an empty name",
            "no names; the recorder is looked for under an empty name");
  }

  const ConfigFile& config_;
  std::vector<ConfigFinding> findings_;
};

}  // namespace

std::vector<ConfigFinding> CheckConfiguration(const ConfigFile& config) {
  return ConfigChecker(config).Run();
}

std::string FormatFinding(const ConfigFinding& finding) {
  std::string line(1, '[');
  line += ToUtf8(finding.section);
  line += ']';
  if (!finding.key.empty()) {
    line += ' ';
    line += ToUtf8(finding.key);
  }
  line += ": ";
  line += finding.message;
  return line;
}

}  // namespace kavrin
