#pragma once
// SHA-256 (FIPS 180-4), for the fingerprints a production line archives: the configuration,
// the block file and the bytes written into each recorder. Small and portable, so that the
// tool needs no crypto library for a hash that only has to identify files.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kavrin {

class Sha256 {
 public:
  Sha256();
  void Add(std::span<const uint8_t> bytes);
  void Add(std::string_view text);
  // The digest; the object is spent afterwards.
  std::array<uint8_t, 32> Finish();
  // The digest as 64 lowercase hexadecimal digits.
  std::string FinishHex();

 private:
  void Compress(const uint8_t* block);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  uint64_t totalBytes_ = 0;
};

std::string Sha256Hex(std::span<const uint8_t> bytes);
// The file's digest, read in pieces; nothing when it cannot be read.
std::optional<std::string> Sha256OfFile(const std::filesystem::path& path);

}  // namespace kavrin
