#include "config/resources.h"

#include "config/file_io.h"

namespace kavrin {

std::optional<std::span<const uint8_t>> FindResourceData(uint32_t id, std::string_view type) {
  for (std::size_t i = 0; i < kEmbeddedResourceCount; ++i) {
    const EmbeddedResource& r = kEmbeddedResources[i];
    if (r.id == id && type == r.type) {
      return std::span<const uint8_t>(r.data, r.size);
    }
  }
  return std::nullopt;
}

FileOutcome WriteResourceToFile(uint32_t id, std::string_view type,
                                const std::filesystem::path& path, WriteMode mode) {
  const auto data = FindResourceData(id, type);
  if (!data) return file_outcome::Failed("the program carries no such resource");
  return WriteFileAtomically(path, *data, mode);
}

}  // namespace kavrin
