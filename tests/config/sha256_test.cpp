// The digests a line archives must be the standard ones, whatever pieces the bytes come in:
// the published test vectors, fed whole and in pieces that straddle the 64-byte blocks.
#include "config/sha256.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace kavrin {
namespace {

struct Vector {
  std::string message;
  const char* digest;
};

const Vector kVectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // 56 bytes: a second block
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmn"
     "opqrsmnopqrstnopqrstu",
     "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

TEST(Sha256Test, PublishedVectorsWholeAndInPieces) {
  for (const Vector& vector : kVectors) {
    SCOPED_TRACE(vector.message.substr(0, 20));
    EXPECT_EQ(
        Sha256Hex({reinterpret_cast<const uint8_t*>(vector.message.data()), vector.message.size()}),
        vector.digest);
    for (std::size_t piece : {1u, 7u, 63u, 64u, 65u}) {
      Sha256 hash;
      for (std::size_t at = 0; at < vector.message.size(); at += piece) {
        hash.Add(std::string_view(vector.message).substr(at, piece));
      }
      EXPECT_EQ(hash.FinishHex(), vector.digest) << "pieces of " << piece;
    }
  }
}

TEST(Sha256Test, FileDigestMatchesItsBytesAndAMissingFileHasNone) {
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "sha256-test";
  std::filesystem::create_directories(folder);
  const std::string bytes(200000, '\x5a');  // past the reader's buffer, not a multiple of it
  std::ofstream(folder / "block.bin", std::ios::binary) << bytes;
  EXPECT_EQ(Sha256OfFile(folder / "block.bin"),
            Sha256Hex({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}));
  EXPECT_EQ(Sha256OfFile(folder / "absent.bin"), std::nullopt);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kavrin
