#include <jet/LongValue.h>

#include <unordered_set>

namespace tabulon::jet {

namespace {

// A long value's row; its bytes are copied out before the next is read, so
// its page need not be kept.
ByteView LongValueRow(PageFile& pages, std::uint32_t pointer) {
  return RowOnPage(pages.Transient(PointerPage(pointer)), pages.Format(), PointerRow(pointer))
      .Bytes.As("長い値");
}

}  // namespace

std::vector<std::uint8_t> ReadLongValue(PageFile& pages, ByteView field) {
  const ByteView header = field.As("長い値");
  const std::uint32_t length = header.U24(0);
  const std::uint8_t kind = header.U8(3);
  if (kind == LongValueInline) {
    const ByteView data = header.Sub(LongValueHeaderSize, length);
    return {data.Data(), data.Data() + data.Size()};
  }
  std::uint32_t pointer = header.U32(4);
  if (kind == LongValueSingle) {
    const ByteView row = LongValueRow(pages, pointer);
    const ByteView data = row.Sub(0, length);
    return {data.Data(), data.Data() + data.Size()};
  }
  if (kind != LongValueChain) {
    throw FormatError("長い値の種類 " + std::to_string(kind) + " は不明です");
  }
  std::vector<std::uint8_t> value;
  std::unordered_set<std::uint32_t> seen;
  // Every row of the chain is visited once, and the value never grows past
  // its stated length, so the walk ends.
  while (value.size() < length) {
    if (pointer == 0) throw FormatError("長い値の連鎖が途中で終わっています");
    if (!seen.insert(pointer).second) throw FormatError("長い値の連鎖が循環しています");
    const ByteView row = LongValueRow(pages, pointer);
    pointer = row.U32(0);
    const ByteView data = row.From(LongValueChunkHeader);
    const std::size_t take = std::min<std::size_t>(data.Size(), length - value.size());
    value.insert(value.end(), data.Data(), data.Data() + take);
  }
  return value;
}

std::optional<std::string> ReadTextValue(PageFile& pages, const RowValues& row,
                                         const ColumnDefinition& column, const TextDecoder& text) {
  const std::optional<ByteView> value = row.Value(column);
  if (!value) return std::nullopt;
  if (column.Type == ColText) return text.Text(*value);
  if (column.Type == ColMemo) {
    const std::vector<std::uint8_t> bytes = ReadLongValue(pages, *value);
    return text.Text(ByteView(bytes, "長い値"));
  }
  throw FormatError("列 '" + column.Name + "' は文字列の列ではありません");
}

}  // namespace tabulon::jet
