#pragma once
// The part of a schema an ER diagram draws: the tables that take part in
// relationships, each with its key columns (primary-key fields and the
// fields relationships refer from), and the relationships between them.
// Built from the schema read once; members that could not be read are
// left out (a relationship whose tables are unknown is no edge).

#include <cstdint>
#include <string>
#include <vector>

#include <schema/Schema.h>

namespace tabulon::outputs {

struct KeyColumn {
  std::string Name;
  std::int32_t Type = 0;  // DAO's type code; 0 when it could not be read
  bool Primary = false;
  bool Foreign = false;
};

struct GraphTable {
  std::string Name;
  // In the table's field order; a referenced table missing from the
  // schema has none.
  std::vector<KeyColumn> Columns;
};

struct FieldPair {
  std::string Name;         // on the referenced table
  std::string ForeignName;  // on the referencing table
};

struct GraphEdge {
  std::string Name;
  std::size_t Table = 0;         // index of the referenced ("one") table in Tables
  std::size_t ForeignTable = 0;  // index of the referencing ("many") table
  std::vector<FieldPair> Fields;
  std::int32_t Attributes = 0;
};

struct RelationGraph {
  std::vector<GraphTable> Tables;  // in the schema's table order, then unknown ones
  std::vector<GraphEdge> Edges;    // in the schema's relation order
};

// The related tables and the relationships of `database`; with
// `everyTable` also the tables without relationships (with their
// primary-key columns), but not the system tables.
RelationGraph BuildRelationGraph(const schema::Database& database, bool everyTable = false);

// The graph split into its connected groups of tables, each with its own
// edges, in the order of each group's first table.
std::vector<RelationGraph> ConnectedGroups(const RelationGraph& graph);

}  // namespace tabulon::outputs
