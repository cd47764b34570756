// Reading whatever sits at a path, and writing files as users keep them.
#include "config/file_io.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/ordinary_user.h"
#include "tests/support/temp_dir.h"

namespace kavrin {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::span<const uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

// "ok" or "<fault>: <reason>", so that a result can cross from a child process.
std::string Describe(const FileOutcome& outcome) {
  if (outcome.Ok()) return "ok";
  return std::to_string(static_cast<int>(outcome.fault)) + ": " + outcome.reason;
}

std::string Expected(FileFault fault, std::string_view reason) {
  if (fault == FileFault::None) return "ok";
  return std::to_string(static_cast<int>(fault)) + ": " + std::string(reason);
}

// ---- Reading: one table of hostile paths through the one reading function ----

struct ReadRow {
  const char* name;
  std::function<fs::path(const TempDir&)> setup;
  bool asOrdinaryUser;
  FileFault fault;
  const char* reason;
  bool checkSeesIt;  // CheckReadable reports the same (it reads nothing, so not size or EIO)
};

void PrintTo(const ReadRow& row, std::ostream* out) { *out << row.name; }

class HostileReadTest : public testing::TestWithParam<ReadRow> {};

TEST_P(HostileReadTest, EndsAtOnceWithTheReason) {
  const ReadRow& row = GetParam();
  TempDir dir;
  const fs::path path = row.setup(dir);
  auto read = [&path] {
    const FileContents contents = ReadFileBytes(path);
    if (!contents.outcome && !contents.bytes.empty()) return std::string("bytes kept on failure");
    return Describe(contents.outcome) + " | " + Describe(CheckReadable(path));
  };
  std::optional<std::string> result;
  if (row.asOrdinaryUser) {
    const std::optional<test::OrdinaryUser> user = test::FindOrdinaryUser();
    if (!user) GTEST_SKIP() << "no ordinary user to run as";
    test::GiveTreeTo(dir.Path(), *user);
    result = test::RunAsOrdinaryUser(read);
    if (!result) GTEST_SKIP() << "cannot drop privileges";
  } else {
    result = read();
  }
  const std::string expected = Expected(row.fault, row.reason);
  EXPECT_EQ(*result, expected + " | " + (row.checkSeesIt ? expected : "ok"));
}

fs::path Fifo(const TempDir& dir) {
  const fs::path path = dir / "KAVRIN_CFG.ini";
  EXPECT_EQ(::mkfifo(path.c_str(), 0644), 0);
  return path;
}

fs::path SizedFile(const TempDir& dir, std::size_t size) {
  dir.Write("big.ini", std::string(size, 'x'));
  return dir / "big.ini";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, HostileReadTest,
    testing::Values(
        ReadRow{"Fifo", Fifo, false, FileFault::NotRegular, "a FIFO, not a regular file", true},
        ReadRow{"Folder",
                [](const TempDir& dir) {
                  fs::create_directory(dir / "KAVRIN_CFG.ini");
                  return dir / "KAVRIN_CFG.ini";
                },
                false, FileFault::NotRegular, "a folder, not a regular file", true},
        ReadRow{"LinkToDevZero",
                [](const TempDir& dir) {
                  fs::create_symlink("/dev/zero", dir / "KAVRIN_CFG.ini");
                  return dir / "KAVRIN_CFG.ini";
                },
                false, FileFault::NotRegular, "a device node, not a regular file", true},
        ReadRow{"ProcSelfMem", [](const TempDir&) { return fs::path("/proc/self/mem"); }, false,
                FileFault::Failed, "Input/output error", false},
        ReadRow{"OverTheBound",
                [](const TempDir& dir) { return SizedFile(dir, kMaxReadBytes + 1); }, false,
                FileFault::TooLarge, "larger than 4 MiB, more than the tool reads", false},
        ReadRow{"AtTheBound", [](const TempDir& dir) { return SizedFile(dir, kMaxReadBytes); },
                false, FileFault::None, "", true},
        ReadRow{"UnreadableForTheUser",
                [](const TempDir& dir) {
                  dir.Write("KAVRIN_CFG.ini", std::string("[S]\nK=1\n"));
                  ::chmod((dir / "KAVRIN_CFG.ini").c_str(), 0);
                  return dir / "KAVRIN_CFG.ini";
                },
                true, FileFault::Failed, "Permission denied", true},
        ReadRow{"Missing", [](const TempDir& dir) { return dir / "absent.ini"; }, false,
                FileFault::Missing, "No such file or directory", true},
        ReadRow{"DanglingLink",
                [](const TempDir& dir) {
                  fs::create_symlink("gone.ini", dir / "KAVRIN_CFG.ini");
                  return dir / "KAVRIN_CFG.ini";
                },
                false, FileFault::Missing, "No such file or directory", true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ReadFileBytesTest, AFileUnderProcWhoseSizeReadsZeroIsReadWhole) {
  const FileContents contents = ReadFileBytes("/proc/self/status");
  ASSERT_TRUE(contents.outcome) << contents.outcome.reason;
  EXPECT_NE(std::string(contents.bytes.begin(), contents.bytes.end()).find("Pid:"),
            std::string::npos);
}

TEST(ReadFileBytesTest, APrefixReadTakesTheFirstBytesOfAFileOfAnyLength) {
  TempDir dir;
  dir.Write("long.bin", std::string(10, 'a') + std::string(kMaxReadBytes, 'b'));
  const FileContents contents = ReadFileBytes(dir / "long.bin", 12, LongerFile::Cut);
  ASSERT_TRUE(contents.outcome) << contents.outcome.reason;
  EXPECT_EQ(std::string(contents.bytes.begin(), contents.bytes.end()), "aaaaaaaaaabb");
}

// ---- Writing: one table of the targets users keep ----

struct WriteRow {
  const char* name;
  // Prepares the folder and returns the path to write.
  std::function<fs::path(const TempDir&)> setup;
  bool asOrdinaryUser;
  WriteMode mode;
  FileFault fault;
  const char* reason;
  // What must hold afterwards (as root again).
  std::function<void(const TempDir&)> check;
};

void PrintTo(const WriteRow& row, std::ostream* out) { *out << row.name; }

constexpr std::string_view kNew = "new contents";
constexpr std::string_view kOld = "old";

fs::path OldFile(const TempDir& dir, const std::string& name, mode_t mode) {
  dir.Write(name, kOld);
  ::chmod((dir / name).c_str(), mode);
  return dir / name;
}

mode_t UmaskMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

class WriterTest : public testing::TestWithParam<WriteRow> {};

TEST_P(WriterTest, KeepsFilesAsUsersKeepThem) {
  const WriteRow& row = GetParam();
  TempDir dir;
  const fs::path path = row.setup(dir);
  auto write = [&path, &row] {
    return Describe(WriteFileAtomically(path, AsBytes(kNew), row.mode));
  };
  std::optional<std::string> result;
  if (row.asOrdinaryUser) {
    const std::optional<test::OrdinaryUser> user = test::FindOrdinaryUser();
    if (!user) GTEST_SKIP() << "no ordinary user to run as";
    test::GiveTreeTo(dir.Path(), *user);
    result = test::RunAsOrdinaryUser(write);
    if (!result) GTEST_SKIP() << "cannot drop privileges";
  } else {
    result = write();
  }
  test::MakeFoldersWritable(dir.Path());
  EXPECT_EQ(*result, Expected(row.fault, row.reason));
  row.check(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, WriterTest,
    testing::Values(
        WriteRow{"NewFileTakesTheUmaskMode", [](const TempDir& dir) { return dir / "new.bin"; },
                 false, WriteMode::Replace, FileFault::None, "",
                 [](const TempDir& dir) {
                   EXPECT_EQ(dir.Read("new.bin"), kNew);
                   EXPECT_EQ(ModeOf(dir / "new.bin") & 07777, UmaskMode());
                   EXPECT_EQ(dir.List(), std::vector<std::string>{"new.bin"});
                 }},
        WriteRow{"ExistingFileKeepsItsMode",
                 [](const TempDir& dir) { return OldFile(dir, "Default.bin", 0640); }, false,
                 WriteMode::Replace, FileFault::None, "",
                 [](const TempDir& dir) {
                   EXPECT_EQ(dir.Read("Default.bin"), kNew);
                   EXPECT_EQ(ModeOf(dir / "Default.bin") & 07777, 0640u);
                   EXPECT_EQ(dir.List(), std::vector<std::string>{"Default.bin"});
                 }},
        WriteRow{"SymlinkTargetIsReplacedAndTheLinkStays",
                 [](const TempDir& dir) {
                   fs::create_directory(dir / "line");
                   OldFile(dir, "line/shared.bin", 0664);
                   fs::create_symlink("line/shared.bin", dir / "Default.bin");
                   return dir / "Default.bin";
                 },
                 false, WriteMode::Replace, FileFault::None, "",
                 [](const TempDir& dir) {
                   ASSERT_TRUE(fs::is_symlink(dir / "Default.bin"));
                   EXPECT_EQ(fs::read_symlink(dir / "Default.bin"), "line/shared.bin");
                   EXPECT_EQ(dir.Read("line/shared.bin"), kNew);
                   EXPECT_EQ(ModeOf(dir / "line/shared.bin") & 07777, 0664u);
                 }},
        WriteRow{"DanglingSymlinkGetsItsTargetCreated",
                 [](const TempDir& dir) {
                   fs::create_symlink("made.bin", dir / "Default.bin");
                   return dir / "Default.bin";
                 },
                 false, WriteMode::Replace, FileFault::None, "",
                 [](const TempDir& dir) {
                   EXPECT_TRUE(fs::is_symlink(dir / "Default.bin"));
                   EXPECT_EQ(dir.Read("made.bin"), kNew);
                 }},
        WriteRow{"WriteProtectedFileIsNotWritten",
                 [](const TempDir& dir) { return OldFile(dir, "Default.bin", 0444); }, true,
                 WriteMode::Replace, FileFault::Failed, "Permission denied",
                 [](const TempDir& dir) {
                   EXPECT_EQ(dir.Read("Default.bin"), kOld);
                   EXPECT_EQ(ModeOf(dir / "Default.bin") & 07777, 0444u);
                   EXPECT_EQ(dir.List(), std::vector<std::string>{"Default.bin"});
                 }},
        WriteRow{"WritableFileInAReadOnlyFolderIsWrittenInPlace",
                 [](const TempDir& dir) {
                   fs::create_directory(dir / "ro");
                   OldFile(dir, "ro/Default.bin", 0644);
                   ::chmod((dir / "ro").c_str(), 0555);
                   return dir / "ro" / "Default.bin";
                 },
                 true, WriteMode::Replace, FileFault::None, "",
                 [](const TempDir& dir) {
                   EXPECT_EQ(dir.Read("ro/Default.bin"), kNew);
                   EXPECT_EQ(ModeOf(dir / "ro/Default.bin") & 07777, 0644u);
                   EXPECT_EQ(
                       std::distance(fs::directory_iterator(dir / "ro"), fs::directory_iterator()),
                       1);
                 }},
        WriteRow{"WriteProtectedFileInAReadOnlyFolder",
                 [](const TempDir& dir) {
                   fs::create_directory(dir / "ro");
                   OldFile(dir, "ro/Default.bin", 0444);
                   ::chmod((dir / "ro").c_str(), 0555);
                   return dir / "ro" / "Default.bin";
                 },
                 true, WriteMode::Replace, FileFault::Failed, "Permission denied",
                 [](const TempDir& dir) { EXPECT_EQ(dir.Read("ro/Default.bin"), kOld); }},
        WriteRow{"NewFileInAReadOnlyFolder",
                 [](const TempDir& dir) {
                   fs::create_directory(dir / "ro");
                   ::chmod((dir / "ro").c_str(), 0555);
                   return dir / "ro" / "Default.bin";
                 },
                 true, WriteMode::Replace, FileFault::Failed, "Permission denied",
                 [](const TempDir& dir) { EXPECT_TRUE(fs::is_empty(dir / "ro")); }},
        WriteRow{"FifoIsNeverReplaced", Fifo, false, WriteMode::Replace, FileFault::NotRegular,
                 "a FIFO, not a regular file",
                 [](const TempDir& dir) {
                   EXPECT_TRUE(fs::is_fifo(dir / "KAVRIN_CFG.ini"));
                   EXPECT_EQ(dir.List(), std::vector<std::string>{"KAVRIN_CFG.ini"});
                 }},
        WriteRow{"FolderIsNeverReplaced",
                 [](const TempDir& dir) {
                   fs::create_directory(dir / "Default.bin");
                   return dir / "Default.bin";
                 },
                 false, WriteMode::Replace, FileFault::NotRegular, "a folder, not a regular file",
                 [](const TempDir& dir) { EXPECT_TRUE(fs::is_directory(dir / "Default.bin")); }},
        WriteRow{"LinkToADeviceNodeIsNeverFollowedIntoIt",
                 [](const TempDir& dir) {
                   fs::create_symlink("/dev/null", dir / "Default.bin");
                   return dir / "Default.bin";
                 },
                 false, WriteMode::Replace, FileFault::NotRegular,
                 "a device node, not a regular file",
                 [](const TempDir& dir) {
                   EXPECT_TRUE(fs::is_symlink(dir / "Default.bin"));
                   EXPECT_TRUE(fs::is_character_file("/dev/null"));
                 }},
        WriteRow{"NameAtTheFileSystemLimit",
                 [](const TempDir& dir) { return dir / std::string(NAME_MAX, 'n'); }, false,
                 WriteMode::Replace, FileFault::None, "",
                 [](const TempDir& dir) {
                   EXPECT_EQ(dir.Read(std::string(NAME_MAX, 'n')), kNew);
                   EXPECT_EQ(dir.List().size(), 1u);
                 }},
        WriteRow{"CreateOnlyKeepsAnExistingFile",
                 [](const TempDir& dir) { return OldFile(dir, "KAVRIN_CFG.ini", 0644); }, false,
                 WriteMode::CreateOnly, FileFault::Failed, "File exists",
                 [](const TempDir& dir) {
                   EXPECT_EQ(dir.Read("KAVRIN_CFG.ini"), kOld);
                   EXPECT_EQ(dir.List(), std::vector<std::string>{"KAVRIN_CFG.ini"});
                 }},
        WriteRow{"CreateOnlyCreatesAMissingFile",
                 [](const TempDir& dir) { return dir / "KAVRIN_CFG.ini"; }, false,
                 WriteMode::CreateOnly, FileFault::None, "",
                 [](const TempDir& dir) {
                   EXPECT_EQ(dir.Read("KAVRIN_CFG.ini"), kNew);
                   EXPECT_EQ(dir.List(), std::vector<std::string>{"KAVRIN_CFG.ini"});
                 }}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(WriterOwnerTest, AReplacedFileKeepsItsOwnerWherePermitted) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
  const std::optional<test::OrdinaryUser> user = test::FindOrdinaryUser();
  if (!user) GTEST_SKIP() << "no other user to own the file";
  TempDir dir;
  OldFile(dir, "Default.bin", 0640);
  ASSERT_EQ(::chown((dir / "Default.bin").c_str(), user->uid, user->gid), 0);
  ASSERT_TRUE(WriteFileAtomically(dir / "Default.bin", AsBytes(kNew)));
  struct stat info {};
  ASSERT_EQ(::stat((dir / "Default.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, user->uid);
  EXPECT_EQ(info.st_gid, user->gid);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(dir.Read("Default.bin"), kNew);
}

TEST(WriterReasonTest, AWriteThatRunsOutOfRoomSaysWhyAndKeepsThePreviousFile) {
  // A file-size limit fails the write part-way as a full disk does, also for root.
  TempDir dir;
  OldFile(dir, "Default.bin", 0644);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  ::getrlimit(RLIMIT_FSIZE, &previous);
  rlimit limit = previous;
  limit.rlim_cur = 4;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const FileOutcome written = WriteFileAtomically(dir / "Default.bin", AsBytes(kNew));
  ::setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(CannotWriteText(dir / "Default.bin", written),
            "cannot write " + (dir / "Default.bin").string() + ": File too large");
  EXPECT_EQ(dir.Read("Default.bin"), kOld);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"Default.bin"});
}

}  // namespace
}  // namespace kavrin
