// Where the POSIX file I/O may go: links in shared folders, file identities, the guarded
// rename, and the temporary files' names. The rules are in config/file_io.h.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <deque>
#include <string>
#include <system_error>

#include "config/file_io.h"
#include "config/posix/file_paths_posix.h"

namespace kavrin {
namespace {

namespace fo = file_outcome;

std::string ErrnoText(int error) { return std::generic_category().message(error); }

// The path's parts after its root, "." and empty parts dropped.
std::deque<std::string> PartsOf(const std::filesystem::path& path) {
  std::deque<std::string> parts;
  for (const std::filesystem::path& part : path.relative_path()) {
    const std::string text = part.string();
    if (!text.empty() && text != ".") parts.push_back(text);
  }
  return parts;
}

// The kernel's protected_symlinks rule: in a sticky folder anyone may write to, a link is
// followed only by its owner, or when it belongs to the folder's owner.
bool MayFollow(const struct stat& link, const struct stat& folder) {
  const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
  return !shared || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

bool SameFile(const struct stat& info, const FileIdentity& identity) {
  return static_cast<uint64_t>(info.st_dev) == identity.device &&
         static_cast<uint64_t>(info.st_ino) == identity.file;
}

// Whether a process of that number still runs (one of another user's counts as running).
bool ProcessRuns(long pid) {
  return pid > 0 && pid <= INT_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH);
}

// The number of the process that made `entry` when it is a temporary file of `name` by
// TemporaryName's pattern, else 0.
long TemporaryOwner(const std::string& entry, const std::string& name, long nameLimit) {
  // ".<name cut>.<pid>-<n>.tmp"
  constexpr std::string_view kEnd = ".tmp";
  if (entry.size() < 2 + kEnd.size() || entry[0] != '.' ||
      entry.compare(entry.size() - kEnd.size(), kEnd.size(), kEnd) != 0) {
    return 0;
  }
  const std::size_t dash = entry.rfind('-', entry.size() - kEnd.size());
  if (dash == std::string::npos) return 0;
  const std::size_t dot = entry.rfind('.', dash);
  if (dot == std::string::npos || dot == 0) return 0;
  const auto digits = [&](std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i) {
      if (entry[i] < '0' || entry[i] > '9') return false;
    }
    return true;
  };
  if (!digits(dot + 1, dash) || !digits(dash + 1, entry.size() - kEnd.size())) return 0;
  if (dash - dot - 1 > 9) return 0;
  const std::string kept = entry.substr(1, dot - 1);
  const std::size_t suffix = entry.size() - dot;
  // The whole name, or the name cut to what the folder's limit left beside this suffix.
  const bool whole = kept == name;
  const bool cut = kept.size() < name.size() && name.compare(0, kept.size(), kept) == 0 &&
                   kept.size() == static_cast<std::size_t>(nameLimit) - suffix - 1;
  if (!whole && !cut) return 0;
  return std::stol(entry.substr(dot + 1, dash - dot - 1));
}

long NameLimit(const std::filesystem::path& folder) {
  const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? limit : NAME_MAX;
}

}  // namespace

namespace posix_files {

std::filesystem::path TemporaryName(const std::filesystem::path& folder, const std::string& name) {
  static std::atomic<unsigned> counter{0};
  const std::string suffix =
      "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
  const std::size_t room = static_cast<std::size_t>(NameLimit(folder)) - suffix.size() - 1;
  return folder / ("." + name.substr(0, room) + suffix);
}

void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const long limit = NameLimit(folder);
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    const long owner = TemporaryOwner(entry->d_name, name, limit);
    if (owner == 0 || owner == ::getpid() || ProcessRuns(owner)) continue;
    // Only this user's own regular files: another user's are theirs to clean up.
    struct stat info {};
    if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) continue;
    ::unlinkat(dirFd, entry->d_name, 0);
  }
  ::closedir(dir);
}

}  // namespace posix_files

FileOutcome CheckLinksFollowable(const std::filesystem::path& path) {
  std::deque<std::string> rest = PartsOf(path);
  std::filesystem::path current = path.is_absolute() ? std::filesystem::path("/") : ".";
  for (int links = 0; !rest.empty();) {
    const std::string part = rest.front();
    rest.pop_front();
    const std::filesystem::path next = current / part;
    struct stat info {};
    if (part == ".." || ::lstat(next.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      current = next;  // nothing more to follow where nothing is
      continue;
    }
    struct stat folder {};
    if (::stat(current.c_str(), &folder) != 0) return fo::Failed(ErrnoText(errno));
    if (!MayFollow(info, folder)) {
      return fo::Failed(ErrnoText(EACCES) + ": " + next.string() +
                        " is another user's link in a shared folder (sticky and writable by "
                        "all), which is not followed");
    }
    if (++links > 40) return fo::Failed(ErrnoText(ELOOP));
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(next.c_str(), target.data(), target.size());
    if (n < 0) return fo::Failed(ErrnoText(errno));
    if (static_cast<std::size_t>(n) == target.size()) return fo::Failed(ErrnoText(ENAMETOOLONG));
    target.resize(static_cast<std::size_t>(n));
    const std::filesystem::path linked(target);
    std::deque<std::string> parts = PartsOf(linked);
    rest.insert(rest.begin(), parts.begin(), parts.end());
    if (linked.is_absolute()) current = "/";
  }
  return {};
}

std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path, Links links) {
  struct stat info {};
  const int result =
      links == Links::Follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
  if (result != 0) return std::nullopt;
  return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

HeldFile::HeldFile(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return;
  handle_ = fd;
  struct stat info {};
  if (::fstat(fd, &info) == 0) {
    identity_ =
        FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  }
}

HeldFile::~HeldFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

FileOutcome ReplaceIfStill(const std::filesystem::path& replacement,
                           const std::filesystem::path& target, const FileIdentity& expected) {
  static const FileOutcome kGone =
      fo::Missing("no longer the file that was read (removed or replaced meanwhile)");
  // Exchanged in one step: a target removed meanwhile makes the exchange fail, so it is
  // never brought back.
  if (::renameat2(AT_FDCWD, replacement.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) {
    if (errno == ENOENT) return kGone;
    if (errno != EINVAL && errno != ENOSYS) return fo::Failed(ErrnoText(errno));
    // A file system without the exchange: look, then rename (a removal in this short span
    // is not seen).
    const std::optional<FileIdentity> now = IdentifyFile(target, Links::DoNotFollow);
    if (!now || *now != expected) return kGone;
    return ::rename(replacement.c_str(), target.c_str()) == 0 ? FileOutcome{}
                                                              : fo::Failed(ErrnoText(errno));
  }
  struct stat old {};
  if (::lstat(replacement.c_str(), &old) == 0 && !SameFile(old, expected)) {
    // Another file was put there meanwhile: it goes back, and stays.
    ::renameat2(AT_FDCWD, replacement.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE);
    return kGone;
  }
  ::unlink(replacement.c_str());
  return {};
}

}  // namespace kavrin
