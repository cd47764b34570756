#include "config/resources.h"

#include "config/file_io.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kavrin {
namespace {

#ifdef _WIN32
// A Windows program's resources live in its module, put there by the resource compiler
// (kavrintool.exe's TEXT 130 and 135); the bytes stay mapped while the module is loaded.
std::optional<std::span<const uint8_t>> FindModuleResource(uint32_t id, std::string_view type) {
  if (id > 0xFFFF) return std::nullopt;
  const std::wstring wideType(type.begin(), type.end());  // the type names are ASCII
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), wideType.c_str());
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return std::nullopt;
  return std::span<const uint8_t>(static_cast<const uint8_t*>(data), size);
}
#endif

}  // namespace

std::optional<std::span<const uint8_t>> FindResourceData(uint32_t id, std::string_view type) {
#ifdef _WIN32
  if (auto inModule = FindModuleResource(id, type)) return inModule;
#endif
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
