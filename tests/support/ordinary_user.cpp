#include "tests/support/ordinary_user.h"

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace kavrin::test {

std::optional<OrdinaryUser> FindOrdinaryUser() {
  if (::geteuid() != 0) return OrdinaryUser{::geteuid(), ::getegid()};
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr || nobody->pw_uid == 0) return std::nullopt;
  return OrdinaryUser{nobody->pw_uid, nobody->pw_gid};
}

void GiveTreeTo(const std::filesystem::path& root, const OrdinaryUser& user) {
  if (::geteuid() != 0) return;
  [[maybe_unused]] int ignored = ::lchown(root.c_str(), user.uid, user.gid);
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    ignored = ::lchown(it->path().c_str(), user.uid, user.gid);
  }
}

void MakeFoldersWritable(const std::filesystem::path& root) {
  std::error_code ec;
  std::filesystem::permissions(root, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    }
  }
}

std::optional<std::string> RunAsOrdinaryUser(const std::function<std::string()>& fn) {
  if (::geteuid() != 0) return fn();
  const std::optional<OrdinaryUser> user = FindOrdinaryUser();
  if (!user) return std::nullopt;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    ::close(pipeFds[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(user->gid) != 0 || ::setuid(user->uid) != 0 ||
        ::geteuid() == 0) {
      ::_exit(77);
    }
    const std::string result = fn();
    std::size_t done = 0;
    while (done < result.size()) {
      const ssize_t n = ::write(pipeFds[1], result.data() + done, result.size() - done);
      if (n <= 0) ::_exit(1);
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  std::string result;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n > 0) {
      result.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return result;
}

std::optional<std::string> OrdinaryUserLauncher() {
  if (::geteuid() != 0) return std::string();
  const std::optional<OrdinaryUser> user = FindOrdinaryUser();
  if (!user || std::system("setpriv --version >/dev/null 2>&1") != 0) return std::nullopt;
  return "setpriv --reuid=" + std::to_string(user->uid) + " --regid=" + std::to_string(user->gid) +
         " --clear-groups ";
}

}  // namespace kavrin::test
