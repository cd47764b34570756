// Replacing files on Windows, where a plain rename does not replace an existing file: the
// new bytes take the old file's place in one step and nothing else is left in the folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "block/settings_block.h"
#include "config/file_util.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(AtomicWriteTest, ReplacesAnExistingFileAndLeavesNoTemporary) {
  test::TempDir dir;
  dir.Write("Default.bin", "previous contents");
  ASSERT_TRUE(WriteFileAtomically(dir / "Default.bin", Bytes("new")));
  EXPECT_EQ(dir.Read("Default.bin"), "new");
  ASSERT_TRUE(WriteFileAtomically(dir / "Default.bin", Bytes("newer")));
  EXPECT_EQ(dir.Read("Default.bin"), "newer");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"Default.bin"});
}

TEST(AtomicWriteTest, AFailedWriteKeepsTheBlockAndLeavesNothing) {
  test::TempDir dir;
  SettingsBlock block;
  block.Bytes()[3] = 7;
  EXPECT_FALSE(block.SaveFile(dir / "no-such-folder" / "a.bin"));
  EXPECT_TRUE(dir.List().empty());
  EXPECT_EQ(block.Bytes()[3], 7);
}

}  // namespace
}  // namespace kavrin
