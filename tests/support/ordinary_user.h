#pragma once
// Runs part of a test as an ordinary user, as operators run the tool. Root ignores file
// permissions, so a permission case run as root would pass or fail for the wrong reason:
// under root the tests drop to "nobody" in a forked child (or, for a program, through
// setpriv); as any other user they simply run as that user.
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kavrin::test {

struct OrdinaryUser {
  uid_t uid;
  gid_t gid;
};

// nobody/nogroup when the tests run as root, else the current user; nullopt when root and no
// such account exists.
std::optional<OrdinaryUser> FindOrdinaryUser();

// Hands every entry under root (root included) to the user, without following symlinks, so
// that the folder is the user's own as it would be in real use. A no-op when not root.
void GiveTreeTo(const std::filesystem::path& root, const OrdinaryUser& user);

// Makes every folder under root writable again, so that a test's folder can be removed.
void MakeFoldersWritable(const std::filesystem::path& root);

// Runs fn as the ordinary user and gives back what it returned; nullopt when privileges
// could not be dropped (the caller skips). Under root fn runs in a forked child, so it must
// not use gtest assertions: it reports through its result.
std::optional<std::string> RunAsOrdinaryUser(const std::function<std::string()>& fn);

// A prefix for a shell command line that runs the program as the ordinary user ("setpriv
// ... " under root, "" otherwise); nullopt when that is impossible.
std::optional<std::string> OrdinaryUserLauncher();

}  // namespace kavrin::test
