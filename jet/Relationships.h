#pragma once
// MSysRelationships: one row per column pair; grouped here into one
// relationship each, its column pairs in `icolumn` order.

#include <cstdint>
#include <string>
#include <vector>

#include <jet/JetText.h>
#include <jet/PageFile.h>

namespace tabulon::jet {

struct RelationshipColumn {
  std::string Referenced;   // szReferencedColumn, on the primary table
  std::string Referencing;  // szColumn, on the foreign table
};

struct Relationship {
  std::string Name;                         // szRelationship
  std::string ReferencedTable;              // szReferencedObject: the primary ("one") table
  std::string ReferencingTable;             // szObject: the foreign ("many") table
  std::int32_t Attributes = 0;              // grbit
  std::vector<RelationshipColumn> Columns;  // by icolumn
};

// Reads the relationships of the table whose definition is at `page`,
// grouped by name (rows with the same name in first-seen order, columns
// sorted by icolumn), the groups sorted by name without regard to case.
// Throws FormatError on damage or when a needed column is missing.
std::vector<Relationship> ReadRelationships(PageFile& pages, std::uint32_t page,
                                            const TextDecoder& text);

}  // namespace tabulon::jet
