#include "config/config_file.h"

#include <algorithm>
#include <climits>

#include "config/config_keys.h"
#include "config/config_tables.h"
#include "config/file_util.h"
#include "config/resources.h"
#include "config/trace.h"

namespace kavrin {
namespace {

// Room left in a list that is bounded as a whole, so that loading twice can never push it
// past the bound (the item controls are numbered from a fixed base).
uint32_t BoundedCount(uint32_t count, std::size_t held, uint32_t bound) {
  const uint32_t room = held >= bound ? 0 : bound - static_cast<uint32_t>(held);
  return std::min(count, room);
}

}  // namespace

ConfigFile::ConfigFile() { SetPath(MakeLocalPath("KAVRIN_CFG.ini")); }

ConfigFile::ConfigFile(std::filesystem::path path) { SetPath(std::move(path)); }

void ConfigFile::LoadConfiguration() {
  // Without a readable file the embedded default is parsed straight from memory. Writing it
  // next to the program and deleting it again would fail in a read-only folder (leaving a
  // window without items) and could delete a file a user copied in meanwhile.
  usedEmbeddedDefault_ = !ParseFile();
  if (usedEmbeddedDefault_ && ReadOutcome().fault != FileFault::Missing) {
    // A file that is there but cannot be read is treated as no file, and said so.
    Trace("\n%s; using the built-in default\n", CannotReadText(Path(), ReadOutcome()).c_str());
  }
  if (usedEmbeddedDefault_) {
    if (const auto data = FindResourceData(kDefaultConfigResourceId, kTextResourceType)) {
      ParseBytes(*data);
    }
  }
  LoadSections();
}

void ConfigFile::LoadSections() {
  LoadItems();
  LoadItemLayout();
  LoadWindowLayout();
  LoadLanguagePanel();
  LoadLogoPanel();
  LoadInfoPanel();
  LoadTestItems();
  LoadDeviceNames();
}

void ConfigFile::LoadItems() {
  const uint32_t count =
      BoundedCount(ReadInt(keys::kItemList, u"ITEM_NO", 0), items.size(), ConfigBounds::kMaxItems);
  items.reserve(items.size() + count);
  for (uint32_t i = 0; i < count; ++i) {
    const std::u16string name =
        ReadString(keys::kItemList, keys::ListItemKey(i), u"", kItemTextRoom);
    SettingItem item;
    // An empty name reads from no section at all: the item takes every default.
    if (!name.empty()) {
      tables::ReadNumbers(*this, name, tables::kItem, item);
      item.title = ReadString(name, u"TITLE", u"", kItemTextRoom);
      const uint32_t optionCount =
          std::min(ReadInt(name, u"OPTION_NO", 0), ConfigBounds::kMaxOptions);
      item.options.reserve(optionCount);
      for (uint32_t k = 0; k < optionCount; ++k) {
        item.options.push_back(ReadString(name, keys::OptionKey(k), u"", kItemTextRoom));
      }
    }
    items.push_back(std::move(item));
  }
}

void ConfigFile::LoadTestItems() {
  tables::ReadNumbers(*this, keys::kTestItemLayout, tables::kTestItemLayout, testPanel);

  const uint32_t count = BoundedCount(ReadInt(keys::kTestItemList, u"ITEM_NO", 0), testItems.size(),
                                      ConfigBounds::kMaxTestItems);
  testItems.reserve(testItems.size() + count);
  for (uint32_t i = 0; i < count; ++i) {
    const std::u16string name =
        ReadString(keys::kTestItemList, keys::ListItemKey(i), u"", kItemTextRoom);
    SettingItem item;  // a test item has no options and no default option
    if (!name.empty()) {
      tables::ReadNumbers(*this, name, tables::kTestItem, item);
      item.title = ReadString(name, u"TITLE", u"", kItemTextRoom);
    }
    testItems.push_back(std::move(item));
  }
}

void ConfigFile::GetWindowExtent(Extent* rect) const {
  if (rect == nullptr) return;
  // A size beyond what an int holds is clamped rather than turned negative.
  rect->left = 0;
  rect->top = 0;
  rect->right = static_cast<int>(std::min<uint32_t>(windowLayout.width, INT_MAX));
  rect->bottom = static_cast<int>(std::min<uint32_t>(windowLayout.height, INT_MAX));
}

}  // namespace kavrin
