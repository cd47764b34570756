// Single instance on POSIX: flock() on "<name>.lock". The kernel releases the lock when the
// last descriptor closes, which includes every kind of process end.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/single_instance.h"

namespace kavrin {
namespace {

// Only characters that are safe in a file name; anything else becomes '_'.
std::string LockFileName(std::string_view name) {
  std::string file;
  for (const char c : name) {
    const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-' || c == '.';
    file += safe ? c : '_';
  }
  return file + ".lock";
}

// A folder only this user can write to, so nobody else can hold or plant our lock file.
bool IsPrivateFolderOfMine(const std::filesystem::path& folder) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 022) == 0;
}

// A private folder of the user's at `folder`, made if missing. Another user's folder there,
// or one anyone may write to, is refused: whoever owns it could hold or plant the lock file
// and so keep every copy out, or let several in.
bool MakePrivateFolder(const std::filesystem::path& folder) {
  ::mkdir(folder.c_str(), 0700);  // EEXIST is fine when the folder passes the check
  return IsPrivateFolderOfMine(folder);
}

// Where the lock lives: $XDG_RUNTIME_DIR; else /tmp/kavrin-UID; else, when someone else
// made that first, a folder under the user's own cache folder. Empty with *why set when
// none is to be had.
std::filesystem::path DefaultLockFolder(std::string* why) {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
    if (IsPrivateFolderOfMine(runtime)) return runtime;
  }
  std::error_code ec;
  std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
  if (ec) temp = "/tmp";
  const std::filesystem::path shared = temp / ("kavrin-" + std::to_string(::geteuid()));
  if (MakePrivateFolder(shared)) return shared;
  std::filesystem::path cache;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg == '/') {
    cache = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
    cache = std::filesystem::path(home) / ".cache";
  }
  if (!cache.empty()) {
    ::mkdir(cache.c_str(), 0700);
    const std::filesystem::path own = cache / "kavrintool";
    if (MakePrivateFolder(own)) return own;
  }
  *why = shared.string() + " is not a private folder of this user's" +
         (cache.empty() ? std::string(" and HOME is not set")
                        : " and " + (cache / "kavrintool").string() + " is not one either");
  return {};
}

class FileLockInstance : public SingleInstance {
 public:
  explicit FileLockInstance(std::filesystem::path folder) : folder_(std::move(folder)) {}
  ~FileLockInstance() override {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLockInstance(const FileLockInstance&) = delete;
  FileLockInstance& operator=(const FileLockInstance&) = delete;

  InstanceClaim Claim(std::string_view name) override {
    if (fd_ >= 0) return InstanceClaim::Acquired;
    std::string why;
    const std::filesystem::path folder = folder_.empty() ? DefaultLockFolder(&why) : folder_;
    if (folder.empty()) {
      // Running unguarded is better than not at all, but not silently.
      std::fprintf(stderr, "kavrintool: runs without the one-copy guard: %s\n", why.c_str());
      return InstanceClaim::Unavailable;
    }
    const std::filesystem::path path = folder / LockFileName(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return InstanceClaim::Unavailable;
    int result;
    do {
      result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
      fd_ = fd;
      return InstanceClaim::Acquired;
    }
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? InstanceClaim::HeldElsewhere : InstanceClaim::Unavailable;
  }

 private:
  std::filesystem::path folder_;  // empty: the default folder, looked up at Claim
  int fd_ = -1;
};

}  // namespace

std::unique_ptr<SingleInstance> MakeSingleInstance() {
  return std::make_unique<FileLockInstance>(std::filesystem::path());
}

std::unique_ptr<SingleInstance> MakeSingleInstance(std::filesystem::path lockFolder) {
  if (lockFolder.empty()) lockFolder = ".";
  return std::make_unique<FileLockInstance>(std::move(lockFolder));
}

}  // namespace kavrin
