#pragma once
// Table definitions (TDEF): the block that describes a table's columns and
// indexes and points at its usage maps, spread over as many pages as it
// needs.

#include <cstdint>
#include <vector>

#include <tools/jetwriter/Bytes.h>
#include <tools/jetwriter/IndexPlan.h>
#include <tools/jetwriter/PageFile.h>
#include <tools/jetwriter/TableLayout.h>

namespace tabulon::jetwriter {

// What a TDEF points at besides its own columns and indexes. Map pointers
// are packed row pointers (RowPointer::Packed).
struct TdefLinks {
  bool System = false;
  std::uint32_t RowCount = 0;
  std::uint32_t AutoNumber = 0;  // last value handed out
  std::uint32_t OwnedMap = 0;
  std::uint32_t FreeMap = 0;
  // Per real index.
  std::vector<std::uint32_t> IndexMaps;
  std::vector<std::uint32_t> IndexRoots;
  std::vector<std::uint32_t> DistinctKeys;
  // Per long-value column, in column order: owned and free-space map.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> LongValueMaps;
  // Per logical index: the TDEF page of the other table of a foreign key.
  std::vector<std::uint32_t> OtherTablePages;
};

// The logical TDEF: header, index counters, column entries and names, real
// and logical index entries, logical index names, long-value column maps,
// FF FF. Its size does not depend on `links`' values.
ByteVector BuildTdef(const TableLayout& layout, const TableIndexPlan& indexes,
                     const TdefLinks& links);

// Pages a logical TDEF of `length` bytes needs: the first page holds 4096
// bytes, each continuation page 4088.
std::uint32_t TdefPageCount(std::size_t length);

// Writes the logical TDEF onto `pages` (TdefPageCount of them), chaining them.
void PlaceTdef(PageFile& file, const std::vector<std::uint32_t>& pages, const ByteVector& tdef);

}  // namespace tabulon::jetwriter
