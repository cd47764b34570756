// Block files: any length is accepted on load, saves are whole 112-byte files written so that
// a failed write keeps the previous file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <optional>

#include "block/settings_block.h"
#include "tests/support/ordinary_user.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

using test::TempDir;

SettingsBlock FilledBlock(uint8_t value) {
  SettingsBlock block;
  for (auto& b : block.Bytes()) b = value;
  return block;
}

std::string FileBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i + 1);
  return bytes;
}

struct LoadCase {
  const char* name;
  std::size_t fileSize;
  std::size_t replaced;  // bytes of the block that come from the file
};

class LoadFileTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadFileTest, FirstBytesReplacedRestKept) {
  const LoadCase& c = GetParam();
  TempDir dir;
  dir.Write("block.bin", FileBytes(c.fileSize));
  SettingsBlock block = FilledBlock(0xEE);

  EXPECT_TRUE(block.LoadFile(dir / "block.bin"));
  for (std::size_t i = 0; i < SettingsBlock::kSize; ++i) {
    const uint8_t want = i < c.replaced ? static_cast<uint8_t>(i + 1) : 0xEE;
    ASSERT_EQ(block.Bytes()[i], want) << "byte " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, LoadFileTest,
                         ::testing::Values(LoadCase{"Empty", 0, 0}, LoadCase{"Partial50", 50, 50},
                                           LoadCase{"Exact112", 112, 112},
                                           LoadCase{"Long200", 200, 112},
                                           LoadCase{"Large1MiB", 1 << 20, 112}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(BlockFileTest, UnreadablePathsLeaveTheBlockUnchanged) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folder.bin");
  ASSERT_EQ(::mkfifo((dir / "fifo.bin").c_str(), 0644), 0);  // never waited on
  std::filesystem::create_symlink("/dev/zero", dir / "zero.bin");
  for (const std::filesystem::path& path :
       {dir / "missing.bin", dir / "folder.bin", dir / "fifo.bin", dir / "zero.bin",
        std::filesystem::path()}) {
    SettingsBlock block = FilledBlock(0x5A);
    EXPECT_FALSE(block.LoadFile(path)) << path;
    EXPECT_EQ(block.Bytes()[0], 0x5A) << path;
    EXPECT_EQ(block.Bytes()[111], 0x5A) << path;
  }
}

TEST(BlockFileTest, SaveWritesExactly112BytesAndLoadRestoresThem) {
  TempDir dir;
  SettingsBlock saved;
  for (std::size_t i = 0; i < SettingsBlock::kSize; ++i) {
    saved.Bytes()[i] = static_cast<uint8_t>(i * 7);
  }
  dir.Write("old.bin", std::string(300, 'x'));  // an existing, longer file is replaced whole
  ASSERT_TRUE(saved.SaveFile(dir / "old.bin"));

  const std::string onDisk = dir.Read("old.bin");
  ASSERT_EQ(onDisk.size(), SettingsBlock::kSize);
  EXPECT_EQ(onDisk,
            std::string(reinterpret_cast<const char*>(saved.Bytes().data()), SettingsBlock::kSize));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"old.bin"}) << "no temporary file is left";

  SettingsBlock loaded = FilledBlock(0xFF);
  ASSERT_TRUE(loaded.LoadFile(dir / "old.bin"));
  EXPECT_TRUE(std::equal(loaded.Bytes().begin(), loaded.Bytes().end(), saved.Bytes().begin()));
}

TEST(BlockFileTest, SaveIntoMissingFolderFails) {
  TempDir dir;
  const SettingsBlock block = FilledBlock(1);
  EXPECT_FALSE(block.SaveFile(dir / "no-such-folder" / "a.bin"));
  EXPECT_FALSE(block.SaveFile(std::filesystem::path()));
}

TEST(BlockFileTest, ReadOnlyFolderKeepsAProtectedFileAndWritesAWritableOneInPlace) {
  const std::optional<test::OrdinaryUser> user = test::FindOrdinaryUser();
  if (!user) GTEST_SKIP() << "no ordinary user to run as";
  TempDir dir;
  dir.Write("Default.bin", "previous");
  dir.Write("Writable.bin", "previous");
  std::filesystem::permissions(dir / "Default.bin", std::filesystem::perms::owner_read);
  test::GiveTreeTo(dir.Path(), *user);
  std::filesystem::permissions(
      dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  const SettingsBlock block = FilledBlock(0x11);
  const std::optional<std::string> result = test::RunAsOrdinaryUser([&] {
    const FileOutcome kept = block.SaveFile(dir / "Default.bin");
    const FileOutcome inPlace = block.SaveFile(dir / "Writable.bin");
    return kept.reason + " | " + (inPlace ? "written" : inPlace.reason);
  });
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all);
  if (!result) GTEST_SKIP() << "cannot drop privileges";
  EXPECT_EQ(*result, "Permission denied | written");
  EXPECT_EQ(dir.Read("Default.bin"), "previous");
  EXPECT_EQ(dir.Read("Writable.bin"), std::string(SettingsBlock::kSize, '\x11'));
  EXPECT_EQ(block.Bytes()[0], 0x11) << "the block in memory is kept";
}

// A file-size limit makes the write fail part-way, as a full disk does, also for root.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST(BlockFileTest, WriteFailingPartWayKeepsThePreviousFileWhole) {
  TempDir dir;
  const std::string previous = FileBytes(112);
  dir.Write("Default.bin", previous);
  const SettingsBlock block = FilledBlock(0x22);
  {
    FileSizeLimit limit(50);
    EXPECT_EQ(block.SaveFile(dir / "Default.bin").reason, "File too large");
  }
  EXPECT_EQ(dir.Read("Default.bin"), previous);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"Default.bin"})
      << "the partial temporary is removed";
  EXPECT_EQ(block.Bytes()[111], 0x22);
}

}  // namespace
}  // namespace kavrin
