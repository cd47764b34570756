// File I/O on POSIX systems: open/fstat/read for reading, temporary file + fsync + rename
// for writing. The rules are in config/file_io.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <new>
#include <string>
#include <system_error>

#include "config/file_io.h"
#include "config/posix/file_paths_posix.h"

namespace kavrin {
namespace {

namespace fo = file_outcome;

std::string ErrnoText(int error) { return std::generic_category().message(error); }

FileOutcome FromErrno(int error) {
  return error == ENOENT ? fo::Missing(ErrnoText(error)) : fo::Failed(ErrnoText(error));
}

fo::NodeKind KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return fo::NodeKind::Folder;
  if (S_ISFIFO(mode)) return fo::NodeKind::Fifo;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return fo::NodeKind::Device;
  if (S_ISSOCK(mode)) return fo::NodeKind::Socket;
  return fo::NodeKind::Other;
}

// A descriptor closed on every path out.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes and reports whether the close succeeded (a delayed write error shows here).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Opens a regular file for reading without ever blocking: the path is looked at first (a
// FIFO or device node is refused unopened), the open itself cannot block (O_NONBLOCK), and
// the opened file is checked again in case the path changed in between.
FileOutcome OpenRegularForReading(const std::filesystem::path& path, Descriptor& fd,
                                  struct stat& info) {
  if (::stat(path.c_str(), &info) != 0) return FromErrno(errno);
  if (FileOutcome links = CheckLinksFollowable(path); !links) return links;
  if (!S_ISREG(info.st_mode)) return fo::NotRegular(KindOf(info.st_mode));
  fd.Reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd.Valid()) return FromErrno(errno);
  if (::fstat(fd.Get(), &info) != 0) return fo::Failed(ErrnoText(errno));
  if (!S_ISREG(info.st_mode)) return fo::NotRegular(KindOf(info.st_mode));
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
  return {};
}

// One read(2); files under /proc report a size of 0, so the size is only ever a hint.
bool ReadSome(int fd, uint8_t* into, std::size_t room, std::size_t* got, FileOutcome* failure) {
  ssize_t n;
  do {
    n = ::read(fd, into, room);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    *failure = fo::Failed(ErrnoText(errno));
    return false;
  }
  *got = static_cast<std::size_t>(n);
  return true;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes, int* error) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = n < 0 ? errno : EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The file a path finally names: symlinks of the last component followed, as the kernel
// would when opening it, so that the link's target is what gets replaced.
FileOutcome ResolveTarget(const std::filesystem::path& path, std::filesystem::path& target,
                          bool& exists, struct stat& info) {
  target = path;
  for (int hops = 0;; ++hops) {
    if (::lstat(target.c_str(), &info) != 0) {
      if (errno != ENOENT) return fo::Failed(ErrnoText(errno));
      exists = false;  // a dangling link's target is created
      return {};
    }
    if (!S_ISLNK(info.st_mode)) break;
    if (hops == 40) return fo::Failed(ErrnoText(ELOOP));
    std::string link(PATH_MAX, '\0');
    const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
    if (n < 0) return fo::Failed(ErrnoText(errno));
    if (static_cast<std::size_t>(n) == link.size()) return fo::Failed(ErrnoText(ENAMETOOLONG));
    link.resize(static_cast<std::size_t>(n));
    const std::filesystem::path next(link);
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  exists = true;
  if (!S_ISREG(info.st_mode)) return fo::NotRegular(KindOf(info.st_mode));
  return {};
}

// The existing target written over in place: for a writable file in a folder the user cannot
// create files in. Not atomic, but the only way the file can be written at all.
FileOutcome WriteInPlace(int fd, std::span<const uint8_t> bytes) {
  int error = 0;
  if (::lseek(fd, 0, SEEK_SET) != 0) return fo::Failed(ErrnoText(errno));
  if (!WriteAll(fd, bytes, &error)) return fo::Failed(ErrnoText(error));
  if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) return fo::Failed(ErrnoText(errno));
  if (::fsync(fd) != 0) return fo::Failed(ErrnoText(errno));
  return {};
}

// Moves the finished temporary file to the target. CreateOnly never replaces a file that
// appeared meanwhile.
int MoveIntoPlace(const std::filesystem::path& temp, const std::filesystem::path& target,
                  WriteMode mode) {
  if (mode == WriteMode::Replace) return ::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without RENAME_NOREPLACE: a hard link fails just as well on an existing
  // name.
  if (::link(temp.c_str(), target.c_str()) == 0) {
    ::unlink(temp.c_str());
    return 0;
  }
  if (errno != EPERM && errno != EOPNOTSUPP) return errno;
  // Nor hard links (FAT): look once more, then rename.
  struct stat info {};
  if (::lstat(target.c_str(), &info) == 0) return EEXIST;
  return ::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
}

void SyncFolder(const std::filesystem::path& folder) {
  Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Valid()) ::fsync(dir.Get());  // best effort: the rename is done either way
}

}  // namespace

FileOutcome CheckReadable(const std::filesystem::path& path) {
  if (path.empty()) return fo::Missing(ErrnoText(ENOENT));
  Descriptor fd;
  struct stat info {};
  return OpenRegularForReading(path, fd, info);
}

FileContents ReadFileBytes(const std::filesystem::path& path, std::size_t limit,
                           LongerFile longer) {
  FileContents contents;
  if (path.empty()) {
    contents.outcome = fo::Missing(ErrnoText(ENOENT));
    return contents;
  }
  Descriptor fd;
  struct stat info {};
  contents.outcome = OpenRegularForReading(path, fd, info);
  if (!contents.outcome) return contents;
  const std::size_t hint = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
  return fo::ReadBounded(
      limit, longer, hint,
      [&fd](uint8_t* into, std::size_t room, std::size_t* got, FileOutcome* failure) {
        return ReadSome(fd.Get(), into, room, got, failure);
      },
      fo::Failed(ErrnoText(ENOMEM)));
}

FileOutcome WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                                WriteMode mode) {
  if (path.empty()) return fo::Missing(ErrnoText(ENOENT));
  // The kernel's rule for links in shared folders, whether or not the system enforces it:
  // the resolution below follows links itself, where the kernel would not look.
  if (FileOutcome links = CheckLinksFollowable(path); !links) return links;
  std::filesystem::path target;
  bool exists = false;
  struct stat info {};
  if (FileOutcome resolved = ResolveTarget(path, target, exists, info); !resolved) return resolved;
  if (exists && mode == WriteMode::CreateOnly) return fo::Failed(ErrnoText(EEXIST));

  // An existing file is written only when the user may write it; the descriptor also serves
  // the in-place write.
  Descriptor existing;
  if (exists) {
    existing.Reset(
        ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
    if (!existing.Valid()) return fo::Failed(ErrnoText(errno));
    if (::fstat(existing.Get(), &info) != 0) return fo::Failed(ErrnoText(errno));
    if (!S_ISREG(info.st_mode)) return fo::NotRegular(KindOf(info.st_mode));
  }

  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  posix_files::RemoveStaleTemporaries(folder, target.filename().string());
  std::filesystem::path temp;
  Descriptor out;
  int error = 0;
  for (int attempt = 0; attempt < 16 && !out.Valid(); ++attempt) {
    temp = posix_files::TemporaryName(folder, target.filename().string());
    // A replacement starts private and takes the old file's mode once written; a new file
    // gets the mode the umask gives any file the user creates.
    out.Reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                     exists ? 0600 : 0666));
    error = out.Valid() ? 0 : errno;
    if (error != 0 && error != EEXIST) break;
  }
  if (!out.Valid()) {
    if (exists && (error == EACCES || error == EPERM)) return WriteInPlace(existing.Get(), bytes);
    return fo::Failed(ErrnoText(error));
  }

  bool ok = WriteAll(out.Get(), bytes, &error);
  if (ok && exists) {
    // Owner and group where permitted (a user may still give the file its group back).
    if (::fchown(out.Get(), info.st_uid, info.st_gid) != 0) {
      [[maybe_unused]] const int ignored = ::fchown(out.Get(), static_cast<uid_t>(-1), info.st_gid);
    }
    ok = ::fchmod(out.Get(), info.st_mode & 07777) == 0;
    if (!ok) error = errno;
  }
  if (ok && ::fsync(out.Get()) != 0) {
    ok = false;
    error = errno;
  }
  if (!out.Close() && ok) {
    ok = false;
    error = errno;
  }
  if (ok) {
    error = MoveIntoPlace(temp, target, mode);
    ok = error == 0;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return fo::Failed(ErrnoText(error));
  }
  SyncFolder(folder);
  return {};
}

}  // namespace kavrin
