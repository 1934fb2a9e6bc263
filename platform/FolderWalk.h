#pragma once
// The Access databases under folders, found without following links and
// within bounds, so that a loop of links or a huge share cannot keep the
// walk going; a folder that cannot be listed is named, not skipped silently.

#include <cstddef>
#include <string>
#include <vector>

namespace tabulon {

struct FolderWalk {
  std::vector<std::string> Files;       // sorted
  std::vector<std::string> Unreadable;  // "<folder>: <why>"
  bool Truncated = false;               // a bound was reached
};

// True for .mdb, .mde, .accdb and .accde, letter case ignored.
bool IsAccessFileName(const std::string& path);

// The Access files under (or among) `roots`, at most `maxDepth` folders
// deep, looking at most at `maxEntries` entries in all.
FolderWalk FindAccessFiles(const std::vector<std::string>& roots, int maxDepth,
                           std::size_t maxEntries);

}  // namespace tabulon
