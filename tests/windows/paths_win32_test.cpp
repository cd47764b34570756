// Paths on Windows: the current directory as the system gives it (GetCurrentDirectoryW),
// a backslash and the file name, kept wide so that no folder name is lost to the ANSI code
// page.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "block/settings_block.h"
#include "config/config_file.h"
#include "config/file_util.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

std::wstring CurrentDirectory() {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, buffer);
  return std::wstring(buffer, length);
}

class LocalPathTest : public ::testing::Test {
 protected:
  // A folder whose name no single-byte code page holds whole.
  LocalPathTest() : folder_(dir_.Path() / L"記錄 \u00E9\u0416") {
    std::filesystem::create_directory(folder_);
  }

  test::TempDir dir_;
  std::filesystem::path folder_;
};

TEST_F(LocalPathTest, IsTheCurrentDirectoryABackslashAndTheName) {
  test::ScopedCurrentDir cwd(folder_);
  EXPECT_EQ(MakeLocalPath("KAVRIN_CFG.ini").wstring(), CurrentDirectory() + L"\\KAVRIN_CFG.ini");
  EXPECT_EQ(MakeLocalPath("Default.bin").parent_path(), std::filesystem::current_path());
}

TEST_F(LocalPathTest, TheFilesNextToTheProgramAreFoundInAnyFolder) {
  test::ScopedCurrentDir cwd(folder_);
  std::filesystem::path config = folder_ / L"KAVRIN_CFG.ini";
  {
    std::FILE* file = _wfopen(config.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fputs("[ITEM_LIST]\r\nITEM_NO=1\r\nITEM_000=A\r\n[A]\r\nTITLE=Mine\r\n", file);
    std::fclose(file);
  }
  ConfigFile loaded;
  loaded.LoadConfiguration();
  EXPECT_FALSE(loaded.UsedEmbeddedDefault());
  ASSERT_EQ(loaded.items.size(), 1u);
  EXPECT_EQ(loaded.items[0].title, u"Mine");

  SettingsBlock block;
  block.Bytes()[0] = 0x5A;
  ASSERT_TRUE(block.SaveFile(MakeLocalPath("Default.bin")));
  EXPECT_EQ(std::filesystem::file_size(folder_ / L"Default.bin"), 112u);
  SettingsBlock back;
  ASSERT_TRUE(back.LoadFile(MakeLocalPath("Default.bin")));
  EXPECT_EQ(back.Bytes()[0], 0x5A);
}

}  // namespace
}  // namespace kavrin
