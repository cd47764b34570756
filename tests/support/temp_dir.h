#pragma once
// A fresh temporary folder per test, removed afterwards; optionally the current directory
// for the test's span (the tool reads and writes next to the current directory).
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kavrin::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
  void Write(std::string_view name, std::string_view bytes) const;
  void Write(std::string_view name, const std::vector<unsigned char>& bytes) const;
  std::string Read(std::string_view name) const;
  std::vector<std::string> List() const;  // file names, sorted

 private:
  std::filesystem::path path_;
};

// Makes a folder the current directory and restores the previous one on destruction.
class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::filesystem::path& dir);
  ~ScopedCurrentDir();
  ScopedCurrentDir(const ScopedCurrentDir&) = delete;
  ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace kavrin::test
