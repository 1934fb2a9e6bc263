#include <tools/jetwriter/TableDefinition.h>

#include <cstring>

#include <jet/JetFormat.h>

namespace tabulon::jetwriter {

namespace {

constexpr std::uint32_t ContinuationSize = PageSize - jet::TdefContinuationHeader;
constexpr std::uint8_t UserTable = 0x4E;    // 'N'
constexpr std::uint8_t EngineTable = 0x53;  // 'S'

}  // namespace

ByteVector BuildTdef(const TableLayout& layout, const TableIndexPlan& indexes,
                     const TdefLinks& links) {
  ByteSink out;
  out.U8(jet::PageTableDef);
  out.U8(0x01);
  out.Zeros(6);  // free space and next page, set per page
  out.U32(0);    // length, set below
  out.U32(jet::Jet4Constant1625);
  out.U32(links.RowCount);
  out.U32(links.AutoNumber);
  out.U8(0x01);  // lets the engine hand out AutoNumbers
  out.Zeros(15);
  out.U8(links.System ? EngineTable : UserTable);
  const auto columns = static_cast<std::uint32_t>(layout.Columns.size());
  out.U16(columns);
  out.U16(layout.VarCount);
  out.U16(columns);
  out.U32(static_cast<std::uint32_t>(indexes.Logical.size()));
  out.U32(static_cast<std::uint32_t>(indexes.Real.size()));
  out.U32(links.OwnedMap);
  out.U32(links.FreeMap);

  for (std::size_t i = 0; i < indexes.Real.size(); ++i) {
    out.U32(0);
    out.U32(links.DistinctKeys.at(i));
    out.U32(0);
  }
  for (const ColumnDef& column : layout.Columns) {
    out.U8(column.JetType);
    out.U32(jet::Jet4Constant1625);
    out.U16(column.Number);
    out.U16(column.VarIndex);
    out.U16(column.Number);  // display position
    out.U8(column.Misc[0]);
    out.U8(column.Misc[1]);
    out.U16(0);
    out.U8(column.Flags);
    out.U8(column.ExtraFlags);
    out.U32(0);
    out.U16(column.FixedOffset);
    out.U16(column.Length);
  }
  for (const ColumnDef& column : layout.Columns) out.Name(column.Name);
  for (std::size_t i = 0; i < indexes.Real.size(); ++i) {
    const RealIndexPlan& real = indexes.Real[i];
    out.U32(jet::Jet4RealIndexConstant);
    for (int slot = 0; slot < jet::IndexColumnSlots; ++slot) {
      if (static_cast<std::size_t>(slot) < real.Columns.size()) {
        out.U16(layout.Columns.at(static_cast<std::size_t>(real.Columns[slot].Column)).Number);
        out.U8(real.Columns[slot].Descending ? 0x00 : 0x01);
      } else {
        out.U16(jet::UnusedIndexColumn);
        out.U8(0x00);
      }
    }
    out.U32(links.IndexMaps.at(i));
    out.U32(links.IndexRoots.at(i));
    out.U32(0);
    out.U8(real.Flags);
    out.Zeros(5);
  }
  for (std::size_t i = 0; i < indexes.Logical.size(); ++i) {
    const LogicalIndexPlan& logical = indexes.Logical[i];
    const bool foreign = logical.Type == jet::IndexForeignKey;
    out.U32(jet::Jet4Constant1625);
    out.U32(static_cast<std::uint32_t>(i));
    out.U32(static_cast<std::uint32_t>(logical.Real));
    out.U8(foreign ? logical.Side : 0);
    out.U32(foreign ? static_cast<std::uint32_t>(logical.OtherIndex) : 0xFFFFFFFFu);
    out.U32(foreign ? links.OtherTablePages.at(i) : 0);
    out.U8(foreign ? logical.CascadeUpdate : 0);
    out.U8(foreign ? logical.DeleteAction : 0);
    out.U8(logical.Type);
    out.U32(0);
  }
  for (const LogicalIndexPlan& logical : indexes.Logical) out.Name(logical.Name);
  std::size_t longValue = 0;
  for (const ColumnDef& column : layout.Columns) {
    if (!column.IsLongValue()) continue;
    out.U16(column.Number);
    out.U32(links.LongValueMaps.at(longValue).first);
    out.U32(links.LongValueMaps.at(longValue).second);
    ++longValue;
  }
  out.U16(0xFFFF);
  ByteVector tdef = out.Take();
  PutU32(tdef.data() + jet::TdefLength, static_cast<std::uint32_t>(tdef.size()));
  return tdef;
}

std::uint32_t TdefPageCount(std::size_t length) {
  if (length <= PageSize) return 1;
  return 1 +
         static_cast<std::uint32_t>((length - PageSize + ContinuationSize - 1) / ContinuationSize);
}

void PlaceTdef(PageFile& file, const std::vector<std::uint32_t>& pages, const ByteVector& tdef) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    std::uint8_t* page = file.Page(pages[i]);
    const std::size_t header = i == 0 ? 0 : jet::TdefContinuationHeader;
    const std::size_t chunk = std::min<std::size_t>(tdef.size() - at, PageSize - header);
    std::memcpy(page + header, tdef.data() + at, chunk);
    at += chunk;
    page[0] = jet::PageTableDef;
    page[1] = 0x01;
    const std::size_t used = header + chunk;
    PutU16(page + 2, used + 8 >= PageSize ? 0 : static_cast<std::uint32_t>(PageSize - used - 8));
    PutU32(page + jet::TdefNextPage, i + 1 < pages.size() ? pages[i + 1] : 0);
  }
}

}  // namespace tabulon::jetwriter
