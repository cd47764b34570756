// The files the tool keeps, on Windows, by the writer's rules: a replacement takes the old
// file's place in one step and keeps its attributes, a read-only file is not written, a link
// has its target replaced, and nothing but a file on a disk is read or replaced.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "block/settings_block.h"
#include "config/file_io.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

DWORD Attributes(const std::filesystem::path& path) { return GetFileAttributesW(path.c_str()); }

TEST(WindowsFileWriteTest, ReplacesAnExistingFileAndLeavesNoTemporary) {
  test::TempDir dir;
  dir.Write("Default.bin", "previous contents");
  ASSERT_TRUE(WriteFileAtomically(dir / "Default.bin", Bytes("new")));
  EXPECT_EQ(dir.Read("Default.bin"), "new");
  ASSERT_TRUE(WriteFileAtomically(dir / "Default.bin", Bytes("newer")));
  EXPECT_EQ(dir.Read("Default.bin"), "newer");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"Default.bin"});
}

TEST(WindowsFileWriteTest, TheReplacementKeepsTheFilesAttributes) {
  test::TempDir dir;
  dir.Write("Default.bin", "previous");
  ASSERT_TRUE(SetFileAttributesW((dir / "Default.bin").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(WriteFileAtomically(dir / "Default.bin", Bytes("new")));
  EXPECT_EQ(dir.Read("Default.bin"), "new");
  EXPECT_NE(Attributes(dir / "Default.bin") & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST(WindowsFileWriteTest, AReadOnlyFileIsNotWritten) {
  test::TempDir dir;
  dir.Write("Default.bin", "keep me");
  ASSERT_TRUE(SetFileAttributesW((dir / "Default.bin").c_str(), FILE_ATTRIBUTE_READONLY));
  const FileOutcome outcome = WriteFileAtomically(dir / "Default.bin", Bytes("new"));
  EXPECT_EQ(outcome.fault, FileFault::Failed);
  EXPECT_FALSE(outcome.reason.empty());
  SetFileAttributesW((dir / "Default.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(dir.Read("Default.bin"), "keep me");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"Default.bin"});
}

TEST(WindowsFileWriteTest, CreateOnlyKeepsAFileThatIsThere) {
  test::TempDir dir;
  dir.Write("KAVRIN_CFG.ini", "mine");
  EXPECT_FALSE(
      WriteFileAtomically(dir / "KAVRIN_CFG.ini", Bytes("default"), WriteMode::CreateOnly));
  EXPECT_EQ(dir.Read("KAVRIN_CFG.ini"), "mine");
  EXPECT_TRUE(WriteFileAtomically(dir / "new.ini", Bytes("default"), WriteMode::CreateOnly));
  EXPECT_EQ(dir.Read("new.ini"), "default");
}

TEST(WindowsFileWriteTest, ALinksTargetIsReplacedAndTheLinkStays) {
  test::TempDir dir;
  dir.Write("shared.bin", "old");
  std::error_code ec;
  std::filesystem::create_symlink(dir / "shared.bin", dir / "Default.bin", ec);
  if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
  ASSERT_TRUE(WriteFileAtomically(dir / "Default.bin", Bytes("new")));
  EXPECT_EQ(dir.Read("shared.bin"), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "Default.bin"));
}

TEST(WindowsFileWriteTest, AFolderIsNeverReplacedAndAFailedWriteKeepsTheBlock) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "Default.bin");
  const FileOutcome outcome = WriteFileAtomically(dir / "Default.bin", Bytes("x"));
  EXPECT_EQ(outcome.fault, FileFault::NotRegular);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "Default.bin"));

  SettingsBlock block;
  block.Bytes()[3] = 7;
  EXPECT_FALSE(block.SaveFile(dir / "no-such-folder" / "a.bin"));
  EXPECT_EQ(block.Bytes()[3], 7);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"Default.bin"});
}

TEST(WindowsFileReadTest, OnlyAFileOnADiskIsRead) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "folder");
  struct Case {
    std::filesystem::path path;
    FileFault fault;
  } cases[] = {
      {dir / "folder", FileFault::NotRegular},
      {L"NUL", FileFault::NotRegular},  // a device
      {dir / "absent.ini", FileFault::Missing},
      {std::filesystem::path(), FileFault::Missing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    EXPECT_EQ(CheckReadable(c.path).fault, c.fault);
    const FileContents contents = ReadFileBytes(c.path);
    EXPECT_EQ(contents.outcome.fault, c.fault);
    EXPECT_FALSE(contents.outcome.reason.empty());
    EXPECT_TRUE(contents.bytes.empty());
  }
}

TEST(WindowsFileReadTest, ReadsAreBoundedAndDoNotKeepAWriterOut) {
  test::TempDir dir;
  dir.Write("big.bin", std::string(1000, 'x'));
  EXPECT_EQ(ReadFileBytes(dir / "big.bin", 999).outcome.fault, FileFault::TooLarge);
  EXPECT_EQ(ReadFileBytes(dir / "big.bin", 1000).bytes.size(), 1000u);
  EXPECT_EQ(ReadFileBytes(dir / "big.bin", 112, LongerFile::Cut).bytes.size(), 112u);

  // A reader's open file does not stop the file from being replaced.
  HANDLE reader = CreateFileW((dir / "big.bin").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(WriteFileAtomically(dir / "big.bin", Bytes("small")));
  CloseHandle(reader);
  EXPECT_EQ(dir.Read("big.bin"), "small");
}

}  // namespace
}  // namespace kavrin
