#pragma once
// The table definition (TDEF): its pages (first page and continuations),
// the block header, columns with their flags and names, real indexes with
// their column slots, and logical indexes with their names and foreign-key
// details.

#include <cstdint>
#include <string>
#include <vector>

#include <jet/ByteView.h>
#include <jet/JetText.h>
#include <jet/PageFile.h>

namespace tabulon::jet {

struct ColumnDefinition {
  std::uint8_t Type = 0;        // ColumnType
  std::uint16_t Number = 0;     // null-mask bit
  std::uint16_t VarIndex = 0;   // slot in the variable offset table
  std::uint16_t Position = 0;   // display position as stored (unreliable)
  std::uint8_t Precision = 0;   // decimal
  std::uint8_t Scale = 0;       // decimal
  std::uint8_t Flags = 0;       // ColumnFlag bits
  std::uint8_t ExtraFlags = 0;  // ColumnExtraFlag bits (Jet 4 / ACE)
  std::uint32_t ComplexId = 0;  // ACE complex columns
  std::uint16_t FixedOffset = 0;
  std::uint16_t Length = 0;
  std::string Name;

  bool Fixed() const { return (Flags & ColumnFixed) != 0; }
  bool Calculated() const { return (ExtraFlags & ColumnCalculated) == ColumnCalculated; }
};

struct IndexColumn {
  std::uint16_t Number = 0;  // column number
  bool Ascending = true;
};

struct RealIndexDefinition {
  std::vector<IndexColumn> Columns;  // in key order
  std::uint8_t Flags = 0;            // RealIndexFlag bits
};

struct LogicalIndexDefinition {
  std::uint32_t Number = 0;
  std::uint32_t RealIndex = 0;
  std::uint8_t Side = 0;  // ForeignKeySide, 0 for other indexes
  std::uint8_t Type = 0;  // LogicalIndexType
  std::string Name;
};

struct TableDefinition {
  std::uint32_t Page = 0;
  std::uint32_t RowCount = 0;
  std::uint8_t TableType = 0;
  std::uint16_t MaxColumns = 0;
  std::uint16_t VarColumns = 0;
  std::uint32_t OwnedMap = 0;                          // row pointer of the owned-pages usage map
  std::vector<ColumnDefinition> Columns;               // in stored order
  std::vector<RealIndexDefinition> RealIndexes;        // by real number
  std::vector<LogicalIndexDefinition> LogicalIndexes;  // in stored order

  // The column with this column number, or null.
  const ColumnDefinition* ColumnByNumber(std::uint16_t number) const;
  // The column with this name (exactly, else without regard to case), or
  // null.
  const ColumnDefinition* ColumnByName(std::string_view name) const;
  // The same, where the column must exist: throws FormatError naming
  // `owner` (the table as messages name it) when it does not.
  const ColumnDefinition& RequiredColumn(std::string_view name, std::string_view owner) const;
};

// The logical bytes of the definition starting at `page`: the first page
// whole, then bytes 8.. of each continuation page. Throws FormatError when
// a page is not a TDEF page, is outside the file or repeats.
std::vector<std::uint8_t> ReadTableDefinitionBytes(PageFile& pages, std::uint32_t page);

// Parses the definition at `page`. Throws FormatError on damage.
TableDefinition ReadTableDefinition(PageFile& pages, std::uint32_t page, const TextDecoder& text);

// Parses definition bytes already gathered (`format` Jet 3 or Jet 4).
TableDefinition ParseTableDefinition(ByteView bytes, const Layout& format, const TextDecoder& text);

}  // namespace tabulon::jet
