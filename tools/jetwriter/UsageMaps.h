#pragma once
// Usage maps as the writer writes them. A map is a row listing pages: inline
// (type 0: start page, then one bit a page) while its bitmap fits a data
// page's row, otherwise a reference map (type 1: 17 page numbers, one for
// each slice of (4096 - 4) x 8 absolute page numbers) whose bitmap pages
// (type 0x05: 05 01 00 00, then the bits) the map takes from the file. The
// global map on page 1 works the same way, its bits marking free pages.
//
// Every map of a file under about 32,000 pages is inline, as Access writes
// small files; larger files need reference maps where a map's pages are
// spread too far for one row.

#include <cstdint>
#include <vector>

#include <tools/jetwriter/Bytes.h>
#include <tools/jetwriter/PageFile.h>

namespace tabulon::jetwriter {

// The pages one bitmap page of a reference map covers.
inline constexpr std::uint32_t ReferenceSlicePages = (PageSize - 4) * 8;
// Slices in a reference map's row, as Access writes it (a 69-byte row).
inline constexpr std::uint32_t ReferenceSlices = 17;

// The row of a usage map listing `pages`. An inline map starts at the
// first page rounded down to a multiple of 8 and has at least 64 bitmap
// bytes. A reference map allocates its bitmap pages from `file`. Throws
// SchemaError for a page no reference map covers.
ByteVector UsageMapRow(PageFile& file, const std::vector<std::uint32_t>& pages);

// Writes page 1 (a data page owned by page 1) once every other page has
// been allocated: row 0 the global map, a bit set for each free page (those
// beyond the file), row 1 an empty inline map as in every engine-made file.
// When the file's pages do not fit row 0 inline, row 0 is a reference map
// whose bitmap pages are allocated here, and counted as in use.
void WriteGlobalMap(PageFile& file);

}  // namespace tabulon::jetwriter
