#pragma once
// The engine's own tables: MSysObjects (the catalog), MSysACEs, MSysQueries
// and MSysRelationships, and the rows the writer puts in them.

#include <cstdint>
#include <optional>
#include <string>

#include <dao/Variant.h>
#include <tools/jetwriter/Bytes.h>
#include <tools/jetwriter/TableLayout.h>

namespace tabulon::jetwriter {

// The fixed TDEF pages of the engine tables.
inline constexpr std::uint32_t MSysObjectsPage = 2;
inline constexpr std::uint32_t MSysACEsPage = 3;
inline constexpr std::uint32_t MSysQueriesPage = 4;
inline constexpr std::uint32_t MSysRelationshipsPage = 5;

TableLayout MSysObjectsLayout();
TableLayout MSysACEsLayout();
TableLayout MSysQueriesLayout();
TableLayout MSysRelationshipsLayout();

// One catalog row. LvProp is the long-value cell of the property block
// (header and any inline data), or empty for none.
struct CatalogEntry {
  std::int32_t Id = 0;
  std::int32_t ParentId = 0;
  std::string Name;
  std::int16_t Type = 0;
  dao::Date Created;
  dao::Date Updated;
  std::uint32_t Flags = 0;
  bool EngineOwned = false;  // owner SID of engine objects, else the Admin user's
  ByteVector LvProp;
  // Linked tables: the long-value cells of Database and Connect (empty for
  // none) and the name in the source.
  ByteVector Database;
  ByteVector Connect;
  std::string ForeignName;
};

ByteVector EncodeCatalogRow(const TableLayout& layout, const CatalogEntry& entry);

// One MSysRelationships row: a column pair of a relationship.
struct RelationshipEntry {
  std::string Name;
  std::int32_t Attributes = 0;
  std::int32_t ColumnCount = 0;
  std::int32_t ColumnIndex = 0;
  std::string ForeignTable;
  std::string ForeignColumn;
  std::string Table;
  std::string Column;
};

ByteVector EncodeRelationshipRow(const TableLayout& layout, const RelationshipEntry& entry);

// One MSysQueries row: one part of a saved query. Empty texts are NULL;
// Expression is the long-value cell (empty for none).
struct QueryEntry {
  std::int32_t ObjectId = 0;
  std::uint8_t Attribute = 0;
  std::uint32_t Order = 0;  // counts from 1 within each attribute
  std::string Name1;
  std::string Name2;
  ByteVector Expression;
  std::optional<std::int16_t> Flag;
  std::int32_t Extra = 0;  // written when not 0
};

ByteVector EncodeQueryRow(const TableLayout& layout, const QueryEntry& entry);

}  // namespace tabulon::jetwriter
