#pragma once
// Usage maps: the bitmaps that list a table's (or index's, or long-value
// column's) pages, inline in a row or spread over usage-map pages.

#include <cstdint>
#include <vector>

#include <jet/PageFile.h>

namespace tabulon::jet {

// The pages the map at row pointer `pointer` lists, ascending. Throws
// FormatError when the map row is damaged, PageOutsideFile when it lists a
// page past the end of the file.
std::vector<std::uint32_t> ReadUsageMap(PageFile& pages, std::uint32_t pointer);

}  // namespace tabulon::jet
