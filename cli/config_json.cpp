#include "cli/config_json.h"

#include "config/text_codec.h"

namespace kavrin::cli {

Json TextsJson(const std::vector<std::u16string>& texts) {
  Json list = Json::array();
  for (const std::u16string& text : texts) list.push_back(ToUtf8(text));
  return list;
}

Json ItemJson(const SettingItem& item) {
  return Json{{"title", ToUtf8(item.title)}, {"wordIndex", item.wordIndex},
              {"startBit", item.startBit},   {"bitLength", item.bitLength},
              {"option", item.option},       {"options", TextsJson(item.options)}};
}

Json TestItemJson(const SettingItem& item) {
  return Json{{"title", ToUtf8(item.title)},
              {"wordIndex", item.wordIndex},
              {"startBit", item.startBit},
              {"bitLength", item.bitLength},
              {"testCode", TestCode(item)}};
}

namespace {

Json ItemLayoutJson(const ItemLayout& l) {
  return Json{{"x", l.x},
              {"y", l.y},
              {"lineShift", l.lineShift},
              {"titleShift", l.titleShift},
              {"titleWidth", l.titleWidth},
              {"optionWidth", l.optionWidth},
              {"titleOptionGap", l.titleOptionGap},
              {"itemHeight", l.itemHeight},
              {"optionHeight", l.optionHeight},
              {"itemsPerColumn", l.itemsPerColumn}};
}

Json LogoPanelJson(const LogoPanel& p) {
  Json texts = Json::array();
  for (uint32_t i = 0; i < p.logoCount && i < p.logoTexts.size(); ++i) {
    texts.push_back(ToUtf8(p.logoTexts[i]));
  }
  return Json{{"x", p.x},
              {"y", p.y},
              {"width", p.width},
              {"height", p.height},
              {"listHeight", p.listHeight},
              {"gap", p.gap},
              {"title", ToUtf8(p.title)},
              {"logoTexts", texts},
              {"startWord", p.startWord},
              {"wordLength", p.wordLength}};
}

Json InfoPanelJson(const InfoPanel& p) {
  Json rows = Json::array();
  for (const InfoItem& row : p.rows) {
    rows.push_back(Json{{"title", ToUtf8(row.title)}, {"commandCode", row.commandCode}});
  }
  return Json{{"x", p.x},
              {"y", p.y},
              {"titleWidth", p.titleWidth},
              {"contentWidth", p.contentWidth},
              {"gap", p.gap},
              {"rowHeight", p.rowHeight},
              {"lineShift", p.lineShift},
              {"rows", rows}};
}

Json TestPanelJson(const TestPanel& p) {
  return Json{{"x", p.x},
              {"y", p.y},
              {"titleWidth", p.titleWidth},
              {"contentWidth", p.contentWidth},
              {"gap", p.gap},
              {"rowHeight", p.rowHeight},
              {"lineShift", p.lineShift}};
}

Json LanguagePanelJson(const LanguagePanel& p) {
  Json entries = Json::array();
  for (uint32_t i = 0; i < p.entryCount && i < p.entries.size(); ++i) {
    const LanguageEntry& e = p.entries[i];
    entries.push_back(Json{
        {"title", ToUtf8(e.title)}, {"selectFlag", e.selectFlag}, {"enableFlag", e.enableFlag}});
  }
  return Json{{"x", p.x},
              {"y", p.y},
              {"width", p.width},
              {"height", p.height},
              {"listHeight", p.listHeight},
              {"gap", p.gap},
              {"title", ToUtf8(p.title)},
              {"wordIndex", p.wordIndex},
              {"startBit", p.startBit},
              {"bitLength", p.bitLength},
              {"maskStartWord", p.maskStartWord},
              {"entries", entries}};
}

}  // namespace

Json ConfigurationJson(const ConfigFile& config) {
  Json items = Json::array();
  for (const SettingItem& item : config.items) items.push_back(ItemJson(item));
  Json testItems = Json::array();
  for (const SettingItem& item : config.testItems) testItems.push_back(TestItemJson(item));
  Json names = Json::array();
  for (uint32_t i = 0; i < config.friendlyNameCount && i < config.friendlyNames.size(); ++i) {
    names.push_back(ToUtf8(config.friendlyNames[i]));
  }
  return Json{{"items", items},
              {"testItems", testItems},
              {"itemLayout", ItemLayoutJson(config.itemLayout)},
              {"windowLayout",
               Json{{"width", config.windowLayout.width}, {"height", config.windowLayout.height}}},
              {"logoPanel", LogoPanelJson(config.logoPanel)},
              {"infoPanel", InfoPanelJson(config.infoPanel)},
              {"testPanel", TestPanelJson(config.testPanel)},
              {"languagePanel", LanguagePanelJson(config.languagePanel)},
              {"friendlyNames", names}};
}

}  // namespace kavrin::cli
