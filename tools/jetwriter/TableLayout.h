#pragma once
// The physical columns of a table (TDEF column entries) and the encoding of
// its rows on data pages.

#include <cstdint>
#include <string>
#include <vector>

#include <tools/jetwriter/Bytes.h>
#include <tools/jetwriter/Schema.h>

namespace tabulon::jetwriter {

struct ColumnDef {
  std::string Name;
  std::uint8_t JetType = 0;
  std::uint8_t Flags = 0;         // jet::ColumnFlag bits
  std::uint8_t ExtraFlags = 0;    // jet::ColumnExtraFlag bits
  std::uint16_t Length = 0;       // TDEF length in bytes (0 for long values)
  std::uint8_t Misc[2] = {0, 0};  // bytes 11..12: sort order, or precision and scale
  // Assigned by AssignLayout.
  std::uint16_t Number = 0;
  std::uint16_t VarIndex = 0;
  std::uint16_t FixedOffset = 0;

  bool IsFixed() const;
  bool IsBoolean() const;
  bool IsLongValue() const;
};

struct TableLayout {
  std::vector<ColumnDef> Columns;
  std::uint16_t VarCount = 0;
  std::uint32_t FixedSize = 0;
};

// General sort order: the header's and every Text and Memo column's.
inline constexpr std::uint16_t GeneralSortOrder = 1033;

// The Jet column type code of a DAO type, or 0 when Jet 4 has none.
std::uint8_t JetTypeOf(std::int32_t daoType);

// The TDEF length of a fixed-length Jet column type, or 0 for the types
// stored in the variable area of a row.
std::uint16_t FixedLength(std::uint8_t jetType);

// Numbers the columns in order, gives variable columns their slots and fixed
// columns their offsets (Yes/No columns take no space).
void AssignLayout(TableLayout& layout);

// The physical definition of a user column.
ColumnDef UserColumnDef(const Column& column);

// One stored value: a Yes/No value is Present for True; any other column's
// value is Present with its bytes (for Memo and OLE the long-value header
// and any inline data), or absent for NULL.
struct Cell {
  bool Present = false;
  ByteVector Bytes;
};

// The row bytes: column count, fixed area, variable data, offsets, null mask.
ByteVector EncodeRow(const TableLayout& layout, const std::vector<Cell>& cells);

}  // namespace tabulon::jetwriter
