#include "tests/support/temp_dir.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace kavrin::test {

TempDir::TempDir() {
  // A new folder of a random name; create_directory refuses one that exists already.
  thread_local std::mt19937_64 random{std::random_device{}()};  // tests start programs in threads
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate = base / ("kavrin-test-" + std::to_string(random()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, ec);
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(std::string_view name, std::string_view bytes) const {
  std::ofstream out(path_ / name, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempDir::Write(std::string_view name, const std::vector<unsigned char>& bytes) const {
  Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string TempDir::Read(std::string_view name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> TempDir::List() const {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(path_)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

ScopedCurrentDir::ScopedCurrentDir(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

ScopedCurrentDir::~ScopedCurrentDir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
}

}  // namespace kavrin::test
