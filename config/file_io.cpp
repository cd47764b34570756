// The portable half of the file I/O: the words of every outcome, so that each platform's
// part reports the same reasons.
#include "config/file_io.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "config/file_util.h"

namespace kavrin {

std::string CannotReadText(const std::filesystem::path& path, const FileOutcome& outcome) {
  return "cannot read " + PathToUtf8(path) + ": " + outcome.reason;
}

std::string CannotWriteText(const std::filesystem::path& path, const FileOutcome& outcome) {
  return "cannot write " + PathToUtf8(path) + ": " + outcome.reason;
}

namespace file_outcome {

FileOutcome NotRegular(NodeKind kind) {
  const char* what = "not a regular file";
  switch (kind) {
    case NodeKind::Folder:
      what = "a folder, not a regular file";
      break;
    case NodeKind::Fifo:
      what = "a FIFO, not a regular file";
      break;
    case NodeKind::Device:
      what = "a device node, not a regular file";
      break;
    case NodeKind::Socket:
      what = "a socket, not a regular file";
      break;
    case NodeKind::Other:
      break;
  }
  return {FileFault::NotRegular, what};
}

FileOutcome TooLarge(std::size_t limit) {
  const bool wholeMiB = limit >= (std::size_t{1} << 20) && limit % (std::size_t{1} << 20) == 0;
  const std::string bound =
      wholeMiB ? std::to_string(limit >> 20) + " MiB" : std::to_string(limit) + " bytes";
  return {FileFault::TooLarge, "larger than " + bound + ", more than the tool reads"};
}

FileOutcome Failed(std::string reason) { return {FileFault::Failed, std::move(reason)}; }

FileOutcome Missing(std::string reason) { return {FileFault::Missing, std::move(reason)}; }

FileContents ReadBounded(std::size_t limit, LongerFile longer, std::size_t sizeHint,
                         const ReadSome& readSome, const FileOutcome& outOfMemory) {
  FileContents contents;
  // One byte more than the limit tells a file of exactly `limit` bytes from a longer one.
  const std::size_t cap = longer == LongerFile::Refuse && limit < SIZE_MAX ? limit + 1 : limit;
  std::vector<uint8_t>& bytes = contents.bytes;
  try {
    const std::size_t start = sizeHint < cap ? sizeHint + 1 : cap;  // +1 sees the end at once
    bytes.resize(std::max<std::size_t>(std::min<std::size_t>(start, cap), 1));
    std::size_t got = 0;
    while (got < cap) {
      if (got == bytes.size()) bytes.resize(std::min(cap, bytes.size() * 2));
      std::size_t n = 0;
      if (!readSome(bytes.data() + got, bytes.size() - got, &n, &contents.outcome)) break;
      if (n == 0) break;
      got += n;
    }
    bytes.resize(std::min(got, bytes.size()));
  } catch (const std::bad_alloc&) {
    contents.outcome = outOfMemory;
  }
  if (contents.outcome && bytes.size() > limit) contents.outcome = TooLarge(limit);
  if (!contents.outcome) bytes = {};
  return contents;
}

}  // namespace file_outcome
}  // namespace kavrin
