#pragma once
// Data rows: where a row lies on a data page, the rows of a table (deleted
// rows skipped, overflow rows followed), and the values of one row's
// columns (Jet 3 and Jet 4 layouts: null mask, fixed area, variable
// columns with the Jet 3 jump table).

#include <cstdint>
#include <optional>
#include <vector>

#include <jet/ByteView.h>
#include <jet/PageFile.h>
#include <jet/TableDefinition.h>

namespace tabulon::jet {

// A row pointer: low byte the row, upper 24 bits the page.
inline std::uint32_t PointerPage(std::uint32_t pointer) { return pointer >> 8; }
inline std::uint8_t PointerRow(std::uint32_t pointer) { return static_cast<std::uint8_t>(pointer); }

struct RowSlot {
  ByteView Bytes;
  std::uint16_t Flags = 0;  // RowDeletedFlag, RowOverflowFlag
};

// Row `row` of the data page `page` (already read). Throws FormatError when
// the page is not a data page, has no such row or the row's extent is
// impossible.
RowSlot RowOnPage(ByteView page, const Layout& format, std::uint32_t row);

// Row `row` of page `page` of the file.
RowSlot ReadRow(PageFile& pages, std::uint32_t page, std::uint32_t row);

// The live rows of a table, in page order: pages from the owned-pages map
// that are data pages of this table; deleted rows and targets of overflow
// pointers skipped, overflow pointers followed once.
std::vector<ByteView> ReadTableRows(PageFile& pages, const TableDefinition& table);

// The values of one row. Views point into the row's page.
class RowValues {
 public:
  // Throws FormatError when the row's own tables (null mask, offsets) do
  // not fit it.
  RowValues(ByteView row, const TableDefinition& table, const Layout& format);

  // The value's bytes, or nullopt for NULL (also for a column the row was
  // written without). Booleans have no bytes.
  std::optional<ByteView> Value(const ColumnDefinition& column) const;

  // The column's null-mask bit: false for NULL (and for a column the row
  // was written without); for a Yes/No column, its value.
  bool Present(const ColumnDefinition& column) const;

 private:
  ByteView FRow;
  const Layout& FFormat;
  std::size_t FColumnCount = 0;
  std::size_t FMaskStart = 0;
  std::vector<std::size_t> FVarOffsets;  // nvar + 1 entries, the last one the end of data
};

// Typed reads of one value; nullopt for NULL. Throw FormatError when the
// stored size does not fit the type.
std::optional<std::int64_t> IntegerValue(const RowValues& row, const ColumnDefinition& column);
std::optional<double> DateValue(const RowValues& row, const ColumnDefinition& column);

}  // namespace tabulon::jet
