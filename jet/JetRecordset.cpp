#include <jet/JetRecordset.h>

#include <jet/ColumnValue.h>
#include <jet/UsageMap.h>

namespace tabulon::jet {

JetRecordset::JetRecordset(std::shared_ptr<JetFile> file, TableDefinition definition)
    : FFile(std::move(file)), FDefinition(std::move(definition)) {
  FPages = FFile->Guard([&] { return ReadUsageMap(FFile->Pages(), FDefinition.OwnedMap); });
  Advance();
}

void JetRecordset::Advance() {
  FRow.reset();
  PageFile& pages = FFile->Pages();
  FFile->Guard([&] {
    // Each step moves past one row slot or one page of a finite list.
    for (; FPageAt < FPages.size(); ++FPageAt, FRowAt = 0) {
      // The page is read into this recordset's own buffer (once per page),
      // so that walking a large table keeps one page, not all of them.
      if (FPageHeld != FPageAt) {
        pages.Into(FPages[FPageAt], FPageBytes);
        FPageHeld = FPageAt;
      }
      const ByteView page(FPageBytes, "ページ");
      // A map may list pages reused since; only this table's data pages
      // hold its rows.
      if (page.U8(0) != PageData || page.U32(4) != FDefinition.Page) continue;
      const std::uint16_t count = page.U16(pages.Format().DataRowCountOffset);
      while (FRowAt < count) {
        const RowSlot slot = RowOnPage(page, pages.Format(), FRowAt++);
        if ((slot.Flags & RowDeletedFlag) != 0) continue;
        if ((slot.Flags & RowOverflowFlag) == 0) {
          FRow = slot.Bytes;
          return;
        }
        // The row moved: its first 4 bytes point at where it lives now.
        const std::uint32_t pointer = slot.Bytes.U32(0);
        const RowSlot moved = RowOnPage(pages.Into(PointerPage(pointer), FMovedBytes),
                                        pages.Format(), PointerRow(pointer));
        if ((moved.Flags & RowOverflowFlag) != 0) {
          throw FormatError("移動した行がさらに移動しています");
        }
        FRow = moved.Bytes;
        return;
      }
    }
  });
}

void JetRecordset::MoveNext() {
  if (!FRow) throw dao::EngineError("レコードセットは最後の行を過ぎています。");
  Advance();
}

dao::Variant JetRecordset::Collect(int index) {
  if (!FRow) throw dao::EngineError("レコードセットは最後の行を過ぎています。");
  if (index < 0 || static_cast<std::size_t>(index) >= FDefinition.Columns.size()) {
    throw dao::EngineError(
        OneLine("フィールドの番号 " + std::to_string(index) + " は範囲外です。"));
  }
  const ColumnDefinition& column = FDefinition.Columns[static_cast<std::size_t>(index)];
  if (!HasReadableValue(column)) {
    throw dao::EngineError(OneLine("フィールド '" + column.Name + "' の値は読めません（" +
                                   (column.Calculated() ? "計算型" : "この読み手の知らない型") +
                                   "のフィールドです）。"));
  }
  std::string fault;
  dao::Variant value = FFile->Guard([&] {
    const RowValues row(*FRow, FDefinition, FFile->Pages().Format());
    return ColumnValue(FFile->Pages(), row, column, FFile->Text(), &fault);
  });
  // Any program given this text would get something else than is stored:
  // the value is refused, so that the caller names it.
  if (!fault.empty()) {
    throw dao::EngineError(OneLine("フィールド '" + column.Name +
                                   "' の文字列は正しい UTF-16 ではありません（" + fault + "）。"));
  }
  return value;
}

}  // namespace tabulon::jet
