#include <jet/UsageMap.h>

#include <jet/DataRow.h>

namespace tabulon::jet {

namespace {

void AddBits(ByteView bitmap, std::uint64_t firstPage, std::uint32_t pageCount,
             std::vector<std::uint32_t>& out) {
  for (std::size_t byte = 0; byte < bitmap.Size(); ++byte) {
    const std::uint8_t bits = bitmap.Data()[byte];
    if (bits == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if ((bits & (1u << bit)) == 0) continue;
      const std::uint64_t page = firstPage + byte * 8 + static_cast<std::uint64_t>(bit);
      // A map lists pages its owner uses; one past the end means the file
      // was cut short and the owner's rows there are gone, which must not
      // read as a table with fewer rows.
      if (page >= pageCount) {
        throw PageOutsideFile("使用マップのページ " + std::to_string(page) +
                              " はファイルの範囲外です（全 " + std::to_string(pageCount) +
                              " ページ）");
      }
      out.push_back(static_cast<std::uint32_t>(page));
    }
  }
}

}  // namespace

std::vector<std::uint32_t> ReadUsageMap(PageFile& pages, std::uint32_t pointer) {
  const ByteView row =
      ReadRow(pages, PointerPage(pointer), PointerRow(pointer)).Bytes.As("使用マップ");
  std::vector<std::uint32_t> result;
  const std::uint8_t type = row.U8(0);
  if (type == UsageMapInline) {
    AddBits(row.From(UsageMapInlineBitmap), row.U32(1), pages.PageCount(), result);
  } else if (type == UsageMapReference) {
    // Each map page covers a fixed slice of absolute page numbers.
    const std::uint64_t slice =
        static_cast<std::uint64_t>(pages.PageSize() - UsageMapPageBitmap) * 8;
    const std::size_t slots = (row.Size() - 1) / 4;
    for (std::size_t i = 0; i < slots; ++i) {
      const std::uint32_t mapPage = row.U32(1 + i * 4);
      if (mapPage == 0) continue;
      if (i * slice >= pages.PageCount()) break;
      const ByteView map = pages.Page(mapPage);
      if (map.U8(0) != PageUsageMap) {
        throw FormatError("ページ " + std::to_string(mapPage) +
                          " は使用マップのページではありません");
      }
      AddBits(map.From(UsageMapPageBitmap), i * slice, pages.PageCount(), result);
    }
  } else {
    throw FormatError("使用マップの種類 " + std::to_string(type) + " は不明です");
  }
  return result;
}

}  // namespace tabulon::jet
