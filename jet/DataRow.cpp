#include <jet/DataRow.h>

#include <jet/UsageMap.h>

namespace tabulon::jet {

RowSlot RowOnPage(ByteView page, const Layout& format, std::uint32_t row) {
  if (page.U8(0) != PageData)
    throw FormatError("データ ページではないページの行を読もうとしました");
  const std::uint16_t count = page.U16(format.DataRowCountOffset);
  if (row >= count) {
    throw FormatError("行 " + std::to_string(row) + " はページにありません（" +
                      std::to_string(count) + " 行）");
  }
  const std::size_t tableEnd = format.DataRowTableOffset + std::size_t{2} * count;
  const std::uint16_t raw = page.U16(format.DataRowTableOffset + std::size_t{2} * row);
  const std::size_t start = raw & format.RowOffsetMask;
  // Rows fill the page from its end: each ends where the one before starts.
  const std::size_t end =
      row == 0
          ? page.Size()
          : page.U16(format.DataRowTableOffset + std::size_t{2} * (row - 1)) & format.RowOffsetMask;
  RowSlot slot;
  slot.Flags = raw & static_cast<std::uint16_t>(~format.RowOffsetMask);
  if ((slot.Flags & RowDeletedFlag) != 0 && (slot.Flags & RowOverflowFlag) != 0) return slot;
  if (start < tableEnd || start > end || end > page.Size()) {
    throw FormatError("行 " + std::to_string(row) + " の位置が不正です（" + std::to_string(start) +
                      "〜" + std::to_string(end) + "）");
  }
  slot.Bytes = page.Sub(start, end - start).As("行");
  return slot;
}

RowSlot ReadRow(PageFile& pages, std::uint32_t page, std::uint32_t row) {
  return RowOnPage(pages.Page(page), pages.Format(), row);
}

std::vector<ByteView> ReadTableRows(PageFile& pages, const TableDefinition& table) {
  std::vector<ByteView> rows;
  for (const std::uint32_t number : ReadUsageMap(pages, table.OwnedMap)) {
    const ByteView page = pages.Page(number);
    // A map may list pages that were reused since; only this table's data
    // pages hold its rows.
    if (page.U8(0) != PageData || page.U32(4) != table.Page) continue;
    const std::uint16_t count = page.U16(pages.Format().DataRowCountOffset);
    for (std::uint32_t row = 0; row < count; ++row) {
      const RowSlot slot = RowOnPage(page, pages.Format(), row);
      if ((slot.Flags & RowDeletedFlag) != 0) continue;
      if ((slot.Flags & RowOverflowFlag) != 0) {
        // The row moved: its first 4 bytes point at where it lives now.
        const std::uint32_t pointer = slot.Bytes.U32(0);
        const RowSlot moved = ReadRow(pages, PointerPage(pointer), PointerRow(pointer));
        if ((moved.Flags & RowOverflowFlag) != 0) {
          throw FormatError("移動した行がさらに移動しています");
        }
        rows.push_back(moved.Bytes);
        continue;
      }
      rows.push_back(slot.Bytes);
    }
  }
  return rows;
}

RowValues::RowValues(ByteView row, const TableDefinition& table, const Layout& format)
    : FRow(row), FFormat(format) {
  const bool jet3 = format.Jet3;
  FColumnCount = jet3 ? row.U8(0) : row.U16(0);
  const std::size_t maskSize = (FColumnCount + 7) / 8;
  if (maskSize + format.RowCountSize > row.Size()) {
    throw FormatError("行の NULL マスクが行に収まりません");
  }
  FMaskStart = row.Size() - maskSize;
  if (table.VarColumns == 0) return;

  std::size_t varCount = 0;
  if (jet3) {
    // Offsets are one byte; jump entries, nearest the count, say at which
    // offset entry each further 256 bytes begin.
    const std::size_t countAt = FMaskStart - 1;
    varCount = row.U8(countAt);
    std::size_t jumps = (row.Size() - 1) / 256;
    if (countAt < jumps + 1 + varCount) throw FormatError("行の可変長列の表が行に収まりません");
    const std::size_t firstOffset = countAt - jumps - 1;
    // A last jump entry the offsets do not need is a placeholder.
    if ((firstOffset - varCount) / 256 < jumps) --jumps;
    std::size_t used = 0;
    FVarOffsets.resize(varCount + 1);
    for (std::size_t i = 0; i <= varCount; ++i) {
      while (used < jumps && i == row.U8(countAt - 1 - used)) ++used;
      FVarOffsets[i] = row.U8(firstOffset - i) + used * 256;
    }
  } else {
    const std::size_t countAt = FMaskStart - 2;
    if (FMaskStart < 2) throw FormatError("行の可変長列の表が行に収まりません");
    varCount = row.U16(countAt);
    if (countAt < 2 * (varCount + 1)) throw FormatError("行の可変長列の表が行に収まりません");
    FVarOffsets.resize(varCount + 1);
    for (std::size_t i = 0; i <= varCount; ++i) FVarOffsets[i] = row.U16(countAt - 2 - 2 * i);
  }
}

bool RowValues::Present(const ColumnDefinition& column) const {
  if (column.Number >= FColumnCount) return false;
  const std::uint8_t bits = FRow.U8(FMaskStart + column.Number / 8);
  return (bits & (1u << (column.Number % 8))) != 0;
}

std::optional<ByteView> RowValues::Value(const ColumnDefinition& column) const {
  if (column.Type == ColBoolean || !Present(column)) return std::nullopt;
  if (column.Fixed()) {
    return FRow.Sub(FFormat.RowCountSize + std::size_t{column.FixedOffset}, column.Length);
  }
  if (FVarOffsets.empty() || column.VarIndex + std::size_t{1} >= FVarOffsets.size())
    return std::nullopt;
  const std::size_t start = FVarOffsets[column.VarIndex];
  const std::size_t end = FVarOffsets[column.VarIndex + std::size_t{1}];
  if (start > end || end > FMaskStart) throw FormatError("行の可変長列の位置が不正です");
  return FRow.Sub(start, end - start);
}

std::optional<std::int64_t> IntegerValue(const RowValues& row, const ColumnDefinition& column) {
  const std::optional<ByteView> value = row.Value(column);
  if (!value) return std::nullopt;
  switch (column.Type) {
    case ColByte:
      return value->U8(0);
    case ColInteger:
      return value->I16(0);
    case ColLong:
      return value->I32(0);
    default:
      break;
  }
  throw FormatError("列 '" + column.Name + "' は整数の列ではありません");
}

std::optional<double> DateValue(const RowValues& row, const ColumnDefinition& column) {
  const std::optional<ByteView> value = row.Value(column);
  if (!value) return std::nullopt;
  if (column.Type != ColDateTime)
    throw FormatError("列 '" + column.Name + "' は日付の列ではありません");
  return value->F64(0);
}

}  // namespace tabulon::jet
