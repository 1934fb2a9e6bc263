#include <targets/DatabaseFiles.h>

#include <algorithm>
#include <string>

#include <text/TextCompare.h>

namespace tabulon {

namespace {

struct Walk {
  std::size_t Limit;
  std::size_t VisitsLeft;
  std::vector<std::filesystem::path> Found;

  void Folder(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::vector<std::filesystem::path> folders;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
      if (VisitsLeft == 0) return;
      --VisitsLeft;
      const std::filesystem::directory_entry& entry = *entries;
      std::error_code statusError;
      if (entry.is_symlink(statusError)) continue;
      if (entry.is_directory(statusError)) {
        folders.push_back(entry.path());
      } else if (entry.is_regular_file(statusError) && IsDatabaseFileName(entry.path())) {
        files.push_back(entry.path());
      }
    }
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    for (auto& file : files) {
      if (Found.size() == Limit) return;
      Found.push_back(std::move(file));
    }
    for (const auto& sub : folders) {
      if (Found.size() == Limit || VisitsLeft == 0) return;
      Folder(sub);
    }
  }
};

}  // namespace

bool IsDatabaseFileName(const std::filesystem::path& name) {
  const std::string extension = name.extension().string();
  return EqualsNoCase(extension, ".mdb") || EqualsNoCase(extension, ".accdb");
}

std::vector<std::filesystem::path> FindDatabaseFiles(const std::filesystem::path& folder,
                                                     std::size_t limit, std::size_t visitLimit) {
  Walk walk{limit, visitLimit, {}};
  walk.Folder(folder);
  return std::move(walk.Found);
}

}  // namespace tabulon
