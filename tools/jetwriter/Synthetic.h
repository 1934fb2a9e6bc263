#pragma once
// Generated descriptions: the large, realistic schemas of the benchmarks,
// and random but valid schemas for round-trip tests.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <tools/jetwriter/Schema.h>

namespace tabulon::jetwriter {

struct SyntheticSize {
  int Tables = 0;     // 1..50000
  int Fields = 0;     // per table, 1..255
  int Indexes = 0;    // per table, the first being the primary key
  int Relations = 0;  // in all, spread over the tables
  int Rows = 0;       // of the rows table "明細", 0 for none
  // 0: its rows without the edge values (for tools that cannot carry them)
  int Edges = 1;
};

// Parses "tables=N,fields=M,indexes=K,relations=R[,rows=N][,edges=0]" (each key
// once, in any order). On failure returns nullopt and sets `problem`.
std::optional<SyntheticSize> ParseSyntheticSize(std::string_view spec, std::string& problem);

// A benchmark schema without rows: Japanese table and field names, every
// common type, descriptions, captions, validation rules, defaults and
// required fields, `Indexes` indexes per table (a primary key on the
// AutoNumber "ID", then single-column indexes, every third unique), and
// `Relations` relationships from "参照ID" fields to other tables' keys,
// enforced with and without cascades, and unenforced; with `Rows`, also
// the table "明細" of twelve columns of every common type and that many
// rows, the same for the same size: edge values (each type's least and
// greatest, dates before 1900 and time-only ones, empty texts) and Nulls
// now and then, Japanese text, and a memo past a long-value page in every
// 40th row. Throws SchemaError
// when the sizes cannot be met (too few fields for the indexes or the
// relations).
Database SyntheticSchema(const SyntheticSize& size);

// A random, valid schema with rows, the same for the same seed: 1 to 6
// tables of 1 to 24 columns of every type, names in Latin and Japanese
// script (with 表 and ソ), properties, indexes of every kind, relationships
// with every attribute, hidden and system tables, long values inline and on
// their own pages, an optional password.
Database RandomSchema(std::uint64_t seed);

}  // namespace tabulon::jetwriter
