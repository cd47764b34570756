#include "cli/config_report.h"

#include <cstdio>

#include "config/text_codec.h"

namespace kavrin::cli {
namespace {

// Built by appending: GCC 12 at -O3 warns falsely about "literal" + std::string.
std::string Quoted(std::u16string_view text) {
  std::string quoted(1, '"');
  quoted += ToUtf8(text);
  quoted += '"';
  return quoted;
}

std::string Hex4(uint32_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
  return text;
}

void PrintItems(const ItemTable& items, std::ostream& out) {
  for (const SettingItem& item : items) {
    out << "  " << Quoted(item.title) << ": word " << item.wordIndex << ", "
        << BitsText(item.startBit, item.bitLength) << ", default option " << item.option;
    if (item.option >= item.options.size()) out << " (no such option: the list starts empty)";
    out << '\n';
    for (std::size_t k = 0; k < item.options.size(); ++k) {
      out << (k == item.option ? "    * " : "      ") << k << "  " << ToUtf8(item.options[k])
          << '\n';
    }
  }
}

void PrintTestItems(const ItemTable& items, std::ostream& out) {
  for (const SettingItem& item : items) {
    out << "  " << Quoted(item.title) << ": test code " << Hex4(TestCode(item)) << " (word "
        << item.wordIndex << ", start " << item.startBit << ", length " << item.bitLength << ")\n";
  }
}

void PrintPanels(const ConfigFile& c, std::ostream& out) {
  const InfoPanel& info = c.infoPanel;
  out << "\nInformation rows (" << info.rows.size() << ") at " << info.x << "," << info.y
      << ", label " << info.titleWidth << ", text " << info.contentWidth << ", gap " << info.gap
      << ", height " << info.rowHeight << ", step " << info.lineShift << ":\n";
  for (const InfoItem& row : info.rows) {
    const std::u16string_view name = CommandNameOfCode(row.commandCode);
    out << "  " << Quoted(row.title) << ": command " << row.commandCode;
    if (!name.empty()) out << " (" << ToUtf8(name) << ")";
    out << '\n';
  }

  const TestPanel& test = c.testPanel;
  out << "\nTest panel at " << test.x << "," << test.y << ", label " << test.titleWidth
      << ", result " << test.contentWidth << ", gap " << test.gap << ", height " << test.rowHeight
      << ", step " << test.lineShift << '\n';

  const LogoPanel& logo = c.logoPanel;
  out << "\nDate stamp logo " << Quoted(logo.title) << " at " << logo.x << "," << logo.y << ", "
      << logo.width << " x " << logo.height << ", list " << logo.listHeight << ", gap " << logo.gap
      << ", ";
  if (logo.wordLength == 0) {
    out << "no text field\n";
  } else {
    out << "text field words " << logo.startWord << " to "
        << uint64_t{logo.startWord} + logo.wordLength - 1 << '\n';
  }
  out << "  logo texts (" << logo.logoCount << "):";
  for (uint32_t i = 0; i < logo.logoCount && i < logo.logoTexts.size(); ++i) {
    out << ' ' << Quoted(logo.logoTexts[i]);
  }
  out << '\n';

  const LanguagePanel& lang = c.languagePanel;
  out << "\nLanguages " << Quoted(lang.title) << " (" << lang.entryCount << ") at " << lang.x << ","
      << lang.y << ", " << lang.width << " x " << lang.height << ", list " << lang.listHeight
      << ", gap " << lang.gap << ", field word " << lang.wordIndex << " "
      << BitsText(lang.startBit, lang.bitLength) << ", mask from word " << lang.maskStartWord
      << ":\n";
  for (uint32_t i = 0; i < lang.entryCount && i < lang.entries.size(); ++i) {
    const LanguageEntry& e = lang.entries[i];
    out << "  " << (i < 10 ? "0" : "") << i << "  " << Quoted(e.title) << "  select "
        << e.selectFlag << ", enable " << e.enableFlag << '\n';
  }
}

}  // namespace

std::string BitsText(uint32_t startBit, uint32_t bitLength) {
  if (bitLength == 0) return "no bits (at bit " + std::to_string(startBit) + ")";
  if (bitLength == 1) return "bit " + std::to_string(startBit);
  return "bits " + std::to_string(startBit) + "-" +
         std::to_string(uint64_t{startBit} + bitLength - 1);
}

void PrintConfiguration(const ConfigFile& c, const std::string& source, std::ostream& out) {
  out << "Configuration: " << source << '\n';
  out << "Encoding: " << c.Encoding().Name() << '\n';
  out << "Window: " << c.windowLayout.width << " x " << c.windowLayout.height << '\n';

  const ItemLayout& grid = c.itemLayout;
  out << "\nSetting items (" << c.items.size() << ") from " << grid.x << "," << grid.y << ", step "
      << grid.lineShift << ", " << grid.itemsPerColumn << " per column, label " << grid.titleWidth
      << ", list " << grid.optionWidth << ":\n";
  PrintItems(c.items, out);

  out << "\nTest items (" << c.testItems.size() << "):\n";
  PrintTestItems(c.testItems, out);

  PrintPanels(c, out);

  out << "\nDevice names (" << c.friendlyNameCount << "):";
  for (uint32_t i = 0; i < c.friendlyNameCount && i < c.friendlyNames.size(); ++i) {
    out << ' ' << Quoted(c.friendlyNames[i]);
  }
  out << '\n';
}

}  // namespace kavrin::cli
