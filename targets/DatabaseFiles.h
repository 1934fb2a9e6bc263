#pragma once
// Database files found in a folder, for a folder dropped on the window or
// named on the command line.

#include <cstddef>
#include <filesystem>
#include <vector>

namespace tabulon {

// True for a name ending in ".mdb" or ".accdb" (letters in any case).
bool IsDatabaseFileName(const std::filesystem::path& name);

// The database files in `folder` and its subfolders: names in each folder
// in byte order, a folder's files before its subfolders, at most `limit`
// files. Symbolic links are not followed (to files or folders), folders
// that cannot be read are passed over, and the walk gives up after
// `visitLimit` entries, so a huge tree cannot hold the caller for long.
std::vector<std::filesystem::path> FindDatabaseFiles(const std::filesystem::path& folder,
                                                     std::size_t limit = 10000,
                                                     std::size_t visitLimit = 1000000);

}  // namespace tabulon
