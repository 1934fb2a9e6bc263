#pragma once
// The indexes of every table as the file stores them: real (physical)
// indexes and the logical indexes that name them, including the foreign-key
// indexes an enforced relationship adds to both of its tables.
//
// Numbering, as the engine writes it and as mdbtools needs it: the user's
// indexes come first, logical number = real number = their position in
// Table::Indexes; then the foreign-key logical indexes in relationship
// order. The referencing table's foreign-key index carries the
// relationship's name and shares a user index on exactly its columns, or
// gets a real index of its own after all user indexes; the referenced
// table's one is named ".rB", ".rC", ... and shares the primary key (or the
// unique index) on the relationship's columns.

#include <cstdint>
#include <string>
#include <vector>

#include <tools/jetwriter/Schema.h>

namespace tabulon::jetwriter {

struct RealIndexColumn {
  int Column = 0;  // position in Table::Columns
  bool Descending = false;
};

struct RealIndexPlan {
  std::vector<RealIndexColumn> Columns;
  std::uint8_t Flags = 0;  // jet::RealIndexFlag bits
};

struct LogicalIndexPlan {
  std::string Name;
  int Real = 0;           // position in TableIndexPlan::Real
  std::uint8_t Type = 0;  // jet::LogicalIndexType
  int UserIndex = -1;     // position in Table::Indexes; -1 for foreign-key indexes
  // Foreign-key indexes only:
  int Relationship = -1;  // position in Database::Relationships
  std::uint8_t Side = 0;  // 1 = referenced table, 2 = referencing table
  int OtherTable = -1;    // position in Database::Tables
  int OtherIndex = -1;    // logical number of the matching index there
  std::uint8_t CascadeUpdate = 0;
  std::uint8_t DeleteAction = 0;  // 1 = cascade delete, 2 = set Null
};

// Logical indexes in number order (number = position).
struct TableIndexPlan {
  std::vector<RealIndexPlan> Real;
  std::vector<LogicalIndexPlan> Logical;
};

// One plan per table of a description that passed ValidateSchema; `tables`
// is its MapTablesByName. Throws SchemaError when a table would end up with
// more than 32 indexes.
std::vector<TableIndexPlan> PlanIndexes(const Database& db, const TablesByName& tables);

}  // namespace tabulon::jetwriter
