#include <jet/TableDefinition.h>

#include <algorithm>
#include <unordered_set>

#include <text/TextCompare.h>

namespace tabulon::jet {

namespace {

// Refuses a count whose entries cannot fit in what is left of the buffer,
// before anything is reserved or looped for it.
void RequireEntries(ByteView bytes, std::size_t offset, std::uint64_t count, std::size_t entrySize,
                    const char* what) {
  if (offset > bytes.Size() || count * entrySize > bytes.Size() - offset) {
    throw FormatError(std::string("テーブル定義の") + what + "の数 " + std::to_string(count) +
                      " が定義に収まりません");
  }
}

// A name: 1-byte (Jet 3) or 2-byte length, then the bytes.
std::string ReadName(ByteView bytes, std::size_t& pos, const Layout& format,
                     const TextDecoder& text) {
  const std::size_t length = format.NameLengthSize == 1 ? bytes.U8(pos) : bytes.U16(pos);
  pos += format.NameLengthSize;
  std::string name = text.Name(bytes.Sub(pos, length));
  pos += length;
  return name;
}

}  // namespace

const ColumnDefinition* TableDefinition::ColumnByNumber(std::uint16_t number) const {
  for (const auto& column : Columns) {
    if (column.Number == number) return &column;
  }
  return nullptr;
}

const ColumnDefinition* TableDefinition::ColumnByName(std::string_view name) const {
  return FindByName(Columns, name, [](const ColumnDefinition& column) -> const std::string& {
    return column.Name;
  });
}

const ColumnDefinition& TableDefinition::RequiredColumn(std::string_view name,
                                                        std::string_view owner) const {
  const ColumnDefinition* column = ColumnByName(name);
  if (column == nullptr) {
    throw FormatError(std::string(owner) + "に列 '" + std::string(name) + "' がありません");
  }
  return *column;
}

std::vector<std::uint8_t> ReadTableDefinitionBytes(PageFile& pages, std::uint32_t page) {
  std::vector<std::uint8_t> bytes;
  std::unordered_set<std::uint32_t> seen;
  std::uint32_t current = page;
  // Each page is visited once, so the chain ends within the file's pages.
  while (current != 0) {
    if (!seen.insert(current).second) {
      throw FormatError("テーブル定義のページ " + std::to_string(page) + " の続きが循環しています");
    }
    // Copied out at once: the definition's pages need not be kept.
    const ByteView view = pages.Transient(current);
    if (view.U8(0) != PageTableDef) {
      throw FormatError("ページ " + std::to_string(current) +
                        " はテーブル定義のページではありません");
    }
    const std::size_t from = current == page ? 0 : TdefContinuationHeader;
    bytes.insert(bytes.end(), view.Data() + from, view.Data() + view.Size());
    current = view.U32(TdefNextPage);
  }
  return bytes;
}

TableDefinition ReadTableDefinition(PageFile& pages, std::uint32_t page, const TextDecoder& text) {
  const std::vector<std::uint8_t> bytes = ReadTableDefinitionBytes(pages, page);
  TableDefinition definition =
      ParseTableDefinition(ByteView(bytes, "テーブル定義"), pages.Format(), text);
  definition.Page = page;
  return definition;
}

TableDefinition ParseTableDefinition(ByteView bytes, const Layout& format,
                                     const TextDecoder& text) {
  const bool jet3 = format.Jet3;
  TableDefinition definition;
  definition.RowCount = bytes.U32(format.TdefRowCount);
  definition.TableType = bytes.U8(format.TdefTableType);
  definition.MaxColumns = bytes.U16(format.TdefMaxColumns);
  definition.VarColumns = bytes.U16(format.TdefVarColumns);
  const std::uint16_t columnCount = bytes.U16(format.TdefColumnCount);
  const std::uint32_t logicalCount = bytes.U32(format.TdefLogicalIndexes);
  const std::uint32_t realCount = bytes.U32(format.TdefRealIndexes);
  definition.OwnedMap = bytes.U32(format.TdefOwnedMap);

  std::size_t pos = format.TdefSections;
  RequireEntries(bytes, pos, realCount, format.RealIndexCounterSize, "インデックス");
  pos += static_cast<std::size_t>(realCount) * format.RealIndexCounterSize;

  RequireEntries(bytes, pos, columnCount, format.ColumnEntrySize, "列");
  definition.Columns.resize(columnCount);
  for (auto& column : definition.Columns) {
    const ByteView entry = bytes.Sub(pos, format.ColumnEntrySize);
    column.Type = entry.U8(format.ColumnType);
    column.Number = entry.U16(format.ColumnNumber);
    column.VarIndex = entry.U16(format.ColumnVarIndex);
    column.Position = entry.U16(format.ColumnPosition);
    column.Precision = entry.U8(format.ColumnPrecision);
    column.Scale = entry.U8(format.ColumnPrecision + ColumnScaleAfterPrecision);
    column.Flags = entry.U8(format.ColumnFlags);
    if (!jet3) {
      column.ExtraFlags = entry.U8(Jet4ColumnExtraFlags);
      column.ComplexId = entry.U32(Jet4ColumnComplexId);
    }
    column.FixedOffset = entry.U16(format.ColumnFixedOffset);
    column.Length = entry.U16(format.ColumnLength);
    pos += format.ColumnEntrySize;
  }
  for (auto& column : definition.Columns) column.Name = ReadName(bytes, pos, format, text);

  const RealIndexLayout& real = jet3 ? Jet3RealIndex : Jet4RealIndex;
  RequireEntries(bytes, pos, realCount, format.RealIndexEntrySize, "インデックス");
  definition.RealIndexes.resize(realCount);
  for (auto& index : definition.RealIndexes) {
    const ByteView entry = bytes.Sub(pos, format.RealIndexEntrySize);
    for (int slot = 0; slot < IndexColumnSlots; ++slot) {
      const std::size_t at = real.Slots + static_cast<std::size_t>(slot) * IndexColumnSlotSize;
      const std::uint16_t number = entry.U16(at);
      if (number == UnusedIndexColumn) continue;
      index.Columns.push_back({number, entry.U8(at + 2) != 0});
    }
    index.Flags = entry.U8(real.Flags);
    pos += format.RealIndexEntrySize;
  }

  const LogicalIndexLayout& logical = jet3 ? Jet3LogicalIndex : Jet4LogicalIndex;
  RequireEntries(bytes, pos, logicalCount, format.LogicalIndexEntrySize, "論理インデックス");
  definition.LogicalIndexes.resize(logicalCount);
  for (auto& index : definition.LogicalIndexes) {
    const ByteView entry = bytes.Sub(pos, format.LogicalIndexEntrySize);
    index.Number = entry.U32(logical.Number);
    index.RealIndex = entry.U32(logical.RealIndex);
    index.Side = entry.U8(logical.Side);
    index.Type = entry.U8(logical.Type);
    pos += format.LogicalIndexEntrySize;
  }
  for (auto& index : definition.LogicalIndexes) index.Name = ReadName(bytes, pos, format, text);
  return definition;
}

}  // namespace tabulon::jet
