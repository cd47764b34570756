// Loading KAVRIN_CFG.ini from the current folder, or the embedded default without it.
#include <gtest/gtest.h>

#include <optional>

#include "config/config_file.h"
#include "config/resources.h"
#include "config/text_codec.h"
#include "tests/config/ini_bytes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_capture.h"

namespace kavrin {
namespace {

ConfigFile Loaded(std::string_view text) {
  ConfigFile config("unused");
  config.ParseBytes(test::Bytes(text));
  config.LoadSections();
  return config;
}

std::vector<std::u16string> Titles(const ItemTable& table) {
  std::vector<std::u16string> titles;
  for (const SettingItem& item : table) titles.push_back(item.title);
  return titles;
}

TEST(ConfigTraceTest, DeviceNamesAreTracedThenALineEnd) {
  SetAnsiCharset("UTF-8");
  test::TraceCapture trace;
  Loaded("[DEVICE]\nNO=2\n0=ZK742\n1=行車記錄器\n");
  EXPECT_EQ(trace.Text(), "\nDevice 0 : ZK742\nDevice 1 : 行車記錄器\n");
  trace.Clear();
  Loaded("");
  EXPECT_EQ(trace.Text(), "\n");
  SetAnsiCharset("");
}

class ConfigLoadTest : public testing::Test {
 protected:
  test::TempDir dir;
};

TEST_F(ConfigLoadTest, WithoutAFileTheEmbeddedDefaultIsReadAndNothingIsWritten) {
  test::ScopedCurrentDir cd(dir.Path());
  ConfigFile config;
  config.LoadConfiguration();
  EXPECT_TRUE(config.UsedEmbeddedDefault());
  EXPECT_EQ(config.items.size(), 11u);
  EXPECT_TRUE(dir.List().empty());
}

TEST_F(ConfigLoadTest, ReadOnlyFolderShowsTheSameItems) {
  std::filesystem::permissions(
      dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  test::ScopedCurrentDir cd(dir.Path());
  ConfigFile config;
  config.LoadConfiguration();
  EXPECT_EQ(config.items.size(), 11u);
  EXPECT_EQ(config.friendlyNameCount, 2u);
}

TEST_F(ConfigLoadTest, PresentFileIsUsedWhateverItHoldsAndLeftUnchanged) {
  dir.Write("KAVRIN_CFG.ini", std::string("[ITEM_LIST]\nITEM_NO=1\nITEM_000=A\n[A]\nTITLE=Mine\n"));
  test::ScopedCurrentDir cd(dir.Path());
  ConfigFile config;
  config.LoadConfiguration();
  EXPECT_FALSE(config.UsedEmbeddedDefault());
  EXPECT_EQ(Titles(config.items), (std::vector<std::u16string>{u"Mine"}));
  EXPECT_EQ(config.friendlyNameCount, 0u);  // no merging with the embedded default
  EXPECT_EQ(dir.Read("KAVRIN_CFG.ini"), "[ITEM_LIST]\nITEM_NO=1\nITEM_000=A\n[A]\nTITLE=Mine\n");
}

TEST_F(ConfigLoadTest, WrittenOutDefaultIsReadAndKept) {
  // What the OUTPUT_CONFIG_FILE switch does before the window loads.
  test::ScopedCurrentDir cd(dir.Path());
  ASSERT_TRUE(
      WriteResourceToFile(kDefaultConfigResourceId, kTextResourceType, dir / "KAVRIN_CFG.ini"));
  ConfigFile config;
  config.LoadConfiguration();
  EXPECT_FALSE(config.UsedEmbeddedDefault());
  EXPECT_EQ(config.items.size(), 11u);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"KAVRIN_CFG.ini"}));
}

TEST_F(ConfigLoadTest, PathIsFixedWhenConstructed) {
  dir.Write("KAVRIN_CFG.ini", std::string("[ITEM_LIST]\nITEM_NO=1\n"));
  std::optional<ConfigFile> config;
  {
    test::ScopedCurrentDir cd(dir.Path());
    config.emplace();
  }
  test::TempDir elsewhere;
  test::ScopedCurrentDir cd(elsewhere.Path());
  config->LoadConfiguration();
  EXPECT_EQ(config->Path(), dir / "KAVRIN_CFG.ini");
  EXPECT_EQ(config->items.size(), 1u);
}

TEST_F(ConfigLoadTest, FolderNamedLikeTheFileCountsAsNoFile) {
  std::filesystem::create_directory(dir / "KAVRIN_CFG.ini");
  test::ScopedCurrentDir cd(dir.Path());
  ConfigFile config;
  config.LoadConfiguration();
  EXPECT_TRUE(config.UsedEmbeddedDefault());
  EXPECT_EQ(config.items.size(), 11u);
}

}  // namespace
}  // namespace kavrin
