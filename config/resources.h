#pragma once
// Resources the program carries inside itself (generated from resources/ at build time),
// looked up by numeric id and type name as a Windows module's resources are.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "config/file_io.h"

namespace kavrin {

inline constexpr uint32_t kIconResourceId = 128;
inline constexpr uint32_t kDefaultConfigResourceId = 130;
inline constexpr uint32_t kReleaseNoteResourceId = 135;
inline constexpr std::string_view kTextResourceType = "TEXT";
inline constexpr std::string_view kIconResourceType = "ICON";

struct EmbeddedResource {
  uint32_t id;
  const char* type;
  const unsigned char* data;
  std::size_t size;
};

// Defined by the generated resource table.
extern const EmbeddedResource kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;

// The resource's bytes (owned by the program, never freed), or nullopt when there is none.
// On Windows the program's module resources come first (FindResource), then the table.
std::optional<std::span<const uint8_t>> FindResourceData(uint32_t id, std::string_view type);

// Writes the resource whole (WriteFileAtomically). Fails when the resource is missing or the
// file cannot be written.
FileOutcome WriteResourceToFile(uint32_t id, std::string_view type,
                                const std::filesystem::path& path,
                                WriteMode mode = WriteMode::Replace);

}  // namespace kavrin
