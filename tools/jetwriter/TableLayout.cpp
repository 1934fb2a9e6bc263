#include <tools/jetwriter/TableLayout.h>

#include <jet/JetFormat.h>

namespace tabulon::jetwriter {

std::uint8_t JetTypeOf(std::int32_t type) {
  switch (type) {
    case dao::dbBoolean:
      return jet::ColBoolean;
    case dao::dbByte:
      return jet::ColByte;
    case dao::dbInteger:
      return jet::ColInteger;
    case dao::dbLong:
      return jet::ColLong;
    case dao::dbCurrency:
      return jet::ColCurrency;
    case dao::dbSingle:
      return jet::ColSingle;
    case dao::dbDouble:
      return jet::ColDouble;
    case dao::dbDate:
      return jet::ColDateTime;
    case dao::dbBinary:
      return jet::ColBinary;
    case dao::dbText:
      return jet::ColText;
    case dao::dbLongBinary:
      return jet::ColOle;
    case dao::dbMemo:
      return jet::ColMemo;
    case dao::dbGUID:
      return jet::ColGuid;
    case dao::dbDecimal:
      return jet::ColNumeric;
    default:
      return 0;
  }
}

std::uint16_t FixedLength(std::uint8_t jetType) {
  switch (jetType) {
    case jet::ColBoolean:
    case jet::ColByte:
      return 1;
    case jet::ColInteger:
      return 2;
    case jet::ColLong:
    case jet::ColSingle:
      return 4;
    case jet::ColCurrency:
    case jet::ColDouble:
    case jet::ColDateTime:
      return 8;
    case jet::ColGuid:
      return 16;
    case jet::ColNumeric:
      return 17;
    default:
      return 0;
  }
}

bool ColumnDef::IsFixed() const { return (Flags & jet::ColumnFixed) != 0; }
bool ColumnDef::IsBoolean() const { return JetType == jet::ColBoolean; }
bool ColumnDef::IsLongValue() const { return JetType == jet::ColMemo || JetType == jet::ColOle; }

void AssignLayout(TableLayout& layout) {
  layout.VarCount = 0;
  layout.FixedSize = 0;
  std::uint16_t number = 0;
  for (ColumnDef& column : layout.Columns) {
    column.Number = number++;
    column.VarIndex = 0;
    column.FixedOffset = 0;
    if (!column.IsFixed()) {
      column.VarIndex = layout.VarCount++;
    } else {
      column.FixedOffset = static_cast<std::uint16_t>(layout.FixedSize);
      // A Yes/No value is its bit in the null mask.
      if (!column.IsBoolean()) layout.FixedSize += column.Length;
    }
  }
}

ColumnDef UserColumnDef(const Column& column) {
  ColumnDef def;
  def.Name = column.Name;
  def.JetType = JetTypeOf(column.Type);
  def.Flags = jet::ColumnUpdatable;
  def.Length = FixedLength(def.JetType);
  if (def.Length != 0) def.Flags |= jet::ColumnFixed;
  switch (def.JetType) {
    case jet::ColText:
      def.Length = static_cast<std::uint16_t>(2 * column.Size);
      [[fallthrough]];
    case jet::ColMemo:
      // Values are stored uncompressed; the flag only says compression is allowed.
      def.ExtraFlags = jet::ColumnCompressedUnicode;
      def.Misc[0] = GeneralSortOrder & 0xFF;
      def.Misc[1] = GeneralSortOrder >> 8;
      if (column.Hyperlink) def.Flags |= jet::ColumnHyperlink;
      break;
    case jet::ColBinary:
      def.Length = static_cast<std::uint16_t>(column.Size);
      break;
    case jet::ColNumeric:
      def.Misc[0] = static_cast<std::uint8_t>(column.Precision);
      def.Misc[1] = static_cast<std::uint8_t>(column.Scale);
      break;
    case jet::ColLong:
      if (column.AutoNumber) def.Flags |= jet::ColumnAutoLong;
      break;
    case jet::ColGuid:
      if (column.AutoNumber) def.Flags |= jet::ColumnAutoGuid;
      break;
    default:
      break;
  }
  return def;
}

ByteVector EncodeRow(const TableLayout& layout, const std::vector<Cell>& cells) {
  const std::size_t count = layout.Columns.size();
  ByteSink out;
  out.U16(static_cast<std::uint32_t>(count));
  ByteVector fixed(layout.FixedSize, 0);
  ByteVector mask((count + 7) / 8, 0);
  std::vector<const Cell*> variable(layout.VarCount, nullptr);
  for (std::size_t i = 0; i < count; ++i) {
    const ColumnDef& column = layout.Columns[i];
    const Cell& cell = cells[i];
    if (cell.Present)
      mask[column.Number / 8] |= static_cast<std::uint8_t>(1u << (column.Number % 8));
    if (column.IsBoolean()) continue;
    if (column.IsFixed()) {
      if (cell.Present)
        std::copy(cell.Bytes.begin(), cell.Bytes.end(), fixed.begin() + column.FixedOffset);
    } else {
      variable[column.VarIndex] = &cell;
    }
  }
  out.Append(fixed);
  if (layout.VarCount > 0) {
    std::vector<std::uint32_t> offsets;
    for (const Cell* cell : variable) {
      offsets.push_back(static_cast<std::uint32_t>(out.Size()));
      if (cell->Present) out.Append(cell->Bytes);
    }
    out.U16(static_cast<std::uint32_t>(out.Size()));  // end of the variable data
    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) out.U16(*it);
    out.U16(layout.VarCount);
  }
  out.Append(mask);
  return out.Take();
}

}  // namespace tabulon::jetwriter
