#pragma once
// The fixture writer: a description (Schema.h) in, the bytes of a Jet 4
// (Access 2000) .mdb file out.
//
// The file holds the engine tables (MSysObjects with the Tables, Databases
// and Relationships containers and MSysDb, MSysACEs, MSysQueries and
// MSysRelationships, the last three without indexes), one TDEF per table
// (over several pages when needed), the rows on data pages with their long
// values, one leaf page per index holding the keys of the rows, property
// blocks, and usage maps (UsageMaps.h: inline, and reference maps where a
// large file needs them). Output depends on the description only: the same
// description gives the same bytes.
//
// Page order: 0 header, 1 global usage map, 2..5 engine TDEFs, the user
// TDEFs in table order, then per table its data pages, long-value pages and
// index pages, then the catalog's pages, then the usage-map pages (with the
// bitmap pages of reference maps), and last the global map's bitmap pages
// when it needs any.

#include <cstdint>
#include <vector>

#include <tools/jetwriter/Bytes.h>
#include <tools/jetwriter/IndexPlan.h>
#include <tools/jetwriter/Schema.h>

namespace tabulon::jetwriter {

struct WrittenTable {
  std::uint32_t TdefPage = 0;   // also the table's catalog Id
  std::uint32_t TdefPages = 0;  // pages the TDEF spans
  std::uint32_t RowCount = 0;
  std::uint32_t LastAutoNumber = 0;
};

struct WrittenDatabase {
  ByteVector Bytes;
  std::vector<WrittenTable> Tables;     // in Database::Tables order
  std::vector<TableIndexPlan> Indexes;  // in Database::Tables order
};

// Writes the file. Rows are checked against their columns (types, sizes,
// ranges), against Required (when true) and AllowZeroLength (when false),
// and against the unique, primary and required indexes. Throws SchemaError
// naming the first problem; nothing is returned then.
WrittenDatabase WriteDatabase(const Database& db);

// The largest file the writer produces, in pages: 2 GiB, the most a Jet 4
// file may hold.
inline constexpr std::uint32_t MaxPages = 524288;

}  // namespace tabulon::jetwriter
