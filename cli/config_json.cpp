#include "cli/config_json.h"

#include "cli/command_result.h"
#include "config/config_tables.h"
#include "config/text_codec.h"

namespace kavrin::cli {

Json TextsJson(const std::vector<std::u16string>& texts) {
  Json list = Json::array();
  for (const std::u16string& text : texts) list.push_back(ToUtf8(text));
  return list;
}

namespace {

// The record's number keys under their JSON names, in the table's order.
template <class Record, std::size_t N>
Json NumbersJson(const Record& record, const tables::NumberKey<Record> (&table)[N]) {
  Json json = Json::object();
  for (const tables::NumberKey<Record>& entry : table) {
    json[std::string(entry.jsonName)] = record.*entry.field;
  }
  return json;
}

}  // namespace

Json ItemJson(const SettingItem& item) {
  Json json{{"title", ToUtf8(item.title)}};
  MergeFields(json, NumbersJson(item, tables::kItem));
  json["options"] = TextsJson(item.options);
  return json;
}

Json TestItemJson(const SettingItem& item) {
  Json json{{"title", ToUtf8(item.title)}};
  MergeFields(json, NumbersJson(item, tables::kTestItem));
  json["testCode"] = TestCode(item);
  return json;
}

namespace {

Json LogoPanelJson(const LogoPanel& p) {
  Json texts = Json::array();
  for (uint32_t i = 0; i < p.logoCount && i < p.logoTexts.size(); ++i) {
    texts.push_back(ToUtf8(p.logoTexts[i]));
  }
  Json json = NumbersJson(p, tables::kLogo);
  json["title"] = ToUtf8(p.title);
  json["logoTexts"] = texts;
  return json;
}

Json InfoPanelJson(const InfoPanel& p) {
  Json rows = Json::array();
  for (const InfoItem& row : p.rows) {
    rows.push_back(Json{{"title", ToUtf8(row.title)}, {"commandCode", row.commandCode}});
  }
  Json json = NumbersJson(p, tables::kInfoLayout);
  json["rows"] = rows;
  return json;
}

Json LanguagePanelJson(const LanguagePanel& p) {
  Json entries = Json::array();
  for (uint32_t i = 0; i < p.entryCount && i < p.entries.size(); ++i) {
    const LanguageEntry& e = p.entries[i];
    entries.push_back(Json{
        {"title", ToUtf8(e.title)}, {"selectFlag", e.selectFlag}, {"enableFlag", e.enableFlag}});
  }
  Json json = NumbersJson(p, tables::kLanguageLayout);
  json["title"] = ToUtf8(p.title);
  json["entries"] = entries;
  return json;
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
              {"itemLayout", NumbersJson(config.itemLayout, tables::kItemLayout)},
              {"windowLayout", NumbersJson(config.windowLayout, tables::kWindowLayout)},
              {"logoPanel", LogoPanelJson(config.logoPanel)},
              {"infoPanel", InfoPanelJson(config.infoPanel)},
              {"testPanel", NumbersJson(config.testPanel, tables::kTestItemLayout)},
              {"languagePanel", LanguagePanelJson(config.languagePanel)},
              {"friendlyNames", names}};
}

}  // namespace kavrin::cli
