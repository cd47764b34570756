// The portable half of the file I/O: the words of every outcome, so that each platform's
// part reports the same reasons.
#include "config/file_io.h"

namespace kavrin {

std::string CannotReadText(const std::filesystem::path& path, const FileOutcome& outcome) {
  return "cannot read " + path.string() + ": " + outcome.reason;
}

std::string CannotWriteText(const std::filesystem::path& path, const FileOutcome& outcome) {
  return "cannot write " + path.string() + ": " + outcome.reason;
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

}  // namespace file_outcome
}  // namespace kavrin
