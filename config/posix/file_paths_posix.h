#pragma once
// Path rules of the POSIX file I/O that config/posix/file_io_posix.cpp shares with
// config/posix/file_paths_posix.cpp: the temporary files' names and their clean-up.
#include <filesystem>
#include <string>

namespace kavrin::posix_files {

// ".<name>.<pid>-<n>.tmp" next to the target, the name cut so that the whole stays within
// the folder's name limit.
std::filesystem::path TemporaryName(const std::filesystem::path& folder, const std::string& name);

// Removes this user's temporary files of `name` in `folder` whose writing process no longer
// runs (killed part-way); best effort.
void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& name);

}  // namespace kavrin::posix_files
