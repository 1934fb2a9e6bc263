#include <platform/FolderWalk.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include <text/TextCompare.h>

namespace tabulon {

bool IsAccessFileName(const std::string& path) {
  for (const char* end : {".mdb", ".mde", ".accdb", ".accde"}) {
    if (EndsWithNoCase(path, end)) return true;
  }
  return false;
}

FolderWalk FindAccessFiles(const std::vector<std::string>& roots, int maxDepth,
                           std::size_t maxEntries) {
  namespace fs = std::filesystem;
  FolderWalk walk;
  std::size_t seen = 0;
  std::vector<std::pair<fs::path, int>> pending;
  for (const std::string& root : roots) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(root, error);
    if (error) {
      walk.Unreadable.push_back(root + ": " + error.message());
    } else if (fs::is_directory(status)) {
      pending.push_back({root, 0});
    } else if (fs::is_regular_file(status) && IsAccessFileName(root)) {
      walk.Files.push_back(root);
    }
  }
  while (!pending.empty()) {
    const auto [folder, depth] = pending.back();
    pending.pop_back();
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) {
      walk.Unreadable.push_back(folder.string() + ": " + error.message());
      continue;
    }
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
      if (++seen > maxEntries) {
        walk.Truncated = true;
        break;
      }
      // Links are not followed: a link to a folder or file is passed over.
      const fs::file_status status = entries->symlink_status(error);
      if (error) break;
      const fs::path& path = entries->path();
      if (fs::is_directory(status)) {
        if (depth + 1 > maxDepth) {
          walk.Truncated = true;
        } else {
          pending.push_back({path, depth + 1});
        }
      } else if (fs::is_regular_file(status) && IsAccessFileName(path.string())) {
        walk.Files.push_back(path.string());
      }
    }
    if (error) walk.Unreadable.push_back(folder.string() + ": " + error.message());
    if (walk.Truncated && seen > maxEntries) break;
  }
  std::sort(walk.Files.begin(), walk.Files.end());
  walk.Files.erase(std::unique(walk.Files.begin(), walk.Files.end()), walk.Files.end());
  std::sort(walk.Unreadable.begin(), walk.Unreadable.end());
  return walk;
}

}  // namespace tabulon
