#pragma once
// Reading and writing the files the tool keeps (KAVRIN_CFG.ini, block files, Default.bin,
// side files) safely whatever sits at the path, with the reason for every failure.
//
// The rules every platform follows (config/posix/file_io_posix.cpp; the Win32 twin does the
// same with CreateFileW, GetFileInformationByHandle, ReplaceFileW and MoveFileExW):
// Reading
//   - nothing is opened in a way that can block: a FIFO, a device node or a folder at the
//     path is refused as "not a regular file" without reading it;
//   - at most `limit` bytes are read, whatever the file system says the size is; a longer
//     file is refused (or, for a prefix read, cut);
//   - no exception leaves a reader; every failure carries the system's reason.
// Writing
//   - the bytes go to a temporary file in the target's folder (its name within the file
//     system's name limit), are flushed, and replace the target in one rename, so a failed
//     write (disk full) leaves the previous file whole;
//   - a symlink is followed: its target is replaced and the link stays; but a link that
//     another user planted in a folder anyone may write to and only owners may delete from
//     (sticky and world-writable, /tmp) is refused, wherever it is on the way to the file,
//     unless it belongs to the folder's owner: the rule of the kernel's protected_symlinks,
//     kept whether or not the system has it switched on;
//   - temporary files that writes of the same target killed part-way left behind (their
//     process no longer runs) are removed by the next write of that target;
//   - an existing target the user cannot write is not written (the write fails);
//   - the new file keeps the old one's mode, and its owner and group where permitted;
//   - where the folder is not writable but the file is, the file is written in place;
//   - a FIFO, a device node or a folder at the target is never replaced.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kavrin {

// Far above any configuration the tool's bounds allow (the shipped one is 13.5 kB) and small
// enough that memory stays bounded whatever sits at a path.
inline constexpr std::size_t kMaxReadBytes = std::size_t{4} << 20;

enum class FileFault {
  None,
  Missing,     // nothing at the path (a dangling symlink included)
  NotRegular,  // a folder, FIFO, device node or socket
  TooLarge,    // longer than the reader's bound
  Failed,      // the system refused: permission, I/O error, disk full, ...
};

// The outcome of a file operation: no fault, or the fault and why, in words that complete
// "cannot read PATH: ..." ("Permission denied", "a FIFO, not a regular file").
struct FileOutcome {
  FileFault fault = FileFault::None;
  std::string reason;

  bool Ok() const { return fault == FileFault::None; }
  explicit operator bool() const { return Ok(); }
};

struct FileContents {
  FileOutcome outcome;
  std::vector<uint8_t> bytes;
};

// What a longer file than the limit means to the reader.
enum class LongerFile {
  Refuse,  // TooLarge, nothing read (configurations)
  Cut,     // the first `limit` bytes (block files: only the first 112 bytes count)
};

// Whether the path names a readable regular file, without reading it and without blocking.
FileOutcome CheckReadable(const std::filesystem::path& path);

// The whole file, at most `limit` bytes.
FileContents ReadFileBytes(const std::filesystem::path& path, std::size_t limit = kMaxReadBytes,
                           LongerFile longer = LongerFile::Refuse);

enum class WriteMode {
  Replace,     // create or replace the target
  CreateOnly,  // create the target; an existing one (even one created meanwhile) is kept
};

// Writes the bytes by the rules above.
FileOutcome WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                                WriteMode mode = WriteMode::Replace);

// Whether every link on the way to the path may be followed, by the rule above (POSIX; on
// Windows always). Nothing at the path is no fault here.
FileOutcome CheckLinksFollowable(const std::filesystem::path& path);

// Which file a path names, whatever the name: two paths with equal identities are one file
// (a link, a hard link, another case on a case-insensitive file system).
struct FileIdentity {
  uint64_t device = 0;  // st_dev, or the volume's serial number
  uint64_t file = 0;    // st_ino, or the file index
  bool operator==(const FileIdentity&) const = default;
  auto operator<=>(const FileIdentity&) const = default;
};
enum class Links { Follow, DoNotFollow };
// The identity of the file at the path (or of the link itself), nullopt when nothing is there.
std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path,
                                         Links links = Links::Follow);

// A file held open (not followed through a link), so that its identity stays its own while
// held: a file system may give a removed file's number to the next file made, but not while
// the removed one is still open. No identity when nothing (or a link) is at the path.
class HeldFile {
 public:
  explicit HeldFile(const std::filesystem::path& path);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  const std::optional<FileIdentity>& Identity() const { return identity_; }

 private:
  intptr_t handle_ = -1;  // the descriptor or HANDLE
  std::optional<FileIdentity> identity_;
};

// Renames `replacement` over `target`, but only while `target` is still the file `expected`
// (not followed through links): a target removed meanwhile stays removed, and one replaced
// meanwhile stays as it now is. Missing when the target was no longer `expected`. Unless it
// was put in place, `replacement` is left for the caller to remove.
FileOutcome ReplaceIfStill(const std::filesystem::path& replacement,
                           const std::filesystem::path& target, const FileIdentity& expected);

// "cannot read PATH: REASON" / "cannot write PATH: REASON", for messages and trace lines.
std::string CannotReadText(const std::filesystem::path& path, const FileOutcome& outcome);
std::string CannotWriteText(const std::filesystem::path& path, const FileOutcome& outcome);

// Portable pieces the platform parts build their outcomes from.
namespace file_outcome {
enum class NodeKind { Folder, Fifo, Device, Socket, Other };
FileOutcome NotRegular(NodeKind kind);
FileOutcome TooLarge(std::size_t limit);
FileOutcome Failed(std::string reason);
FileOutcome Missing(std::string reason);

// The platform's read of an opened file: fills at most `room` bytes at `into` and gives how
// many it read (0 at the end), or false with *failure set.
using ReadSome =
    std::function<bool(uint8_t* into, std::size_t room, std::size_t* got, FileOutcome* failure)>;
// Reads an opened file by the rules above: at most `limit` bytes, the size the file system
// reports (sizeHint) only a hint, a longer file refused or cut. outOfMemory is the outcome
// when the bytes do not fit in memory.
FileContents ReadBounded(std::size_t limit, LongerFile longer, std::size_t sizeHint,
                         const ReadSome& readSome, const FileOutcome& outOfMemory);
}  // namespace file_outcome

}  // namespace kavrin
