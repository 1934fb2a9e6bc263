#include <tools/jetwriter/UsageMaps.h>

#include <algorithm>

#include <fmt/format.h>

#include <jet/JetFormat.h>
#include <tools/jetwriter/SchemaError.h>

namespace tabulon::jetwriter {

namespace {

constexpr std::size_t StandardMapBytes = 64;
constexpr std::uint32_t GlobalMapRowBytes = 69;
constexpr std::uint32_t DataPageHeader = 14;
constexpr std::uint32_t BitmapPageHeader = 4;

void SetBit(std::uint8_t* bitmap, std::uint32_t bit) {
  bitmap[bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
}

// A bitmap page of a reference map, its bits still clear.
std::uint8_t* NewBitmapPage(PageFile& file, std::uint32_t& number) {
  number = file.Allocate();
  std::uint8_t* page = file.Page(number);
  page[0] = jet::PageUsageMap;
  page[1] = 0x01;
  return page;
}

ByteVector InlineRow(const std::vector<std::uint32_t>& pages) {
  ByteSink out;
  out.U8(jet::UsageMapInline);
  if (pages.empty()) {
    out.U32(0);
    out.Zeros(StandardMapBytes);
    return out.Take();
  }
  const auto [low, high] = std::minmax_element(pages.begin(), pages.end());
  const std::uint32_t start = *low & ~7u;
  out.U32(start);
  ByteVector bitmap(std::max<std::size_t>(StandardMapBytes, (*high - start) / 8 + 1), 0);
  for (const std::uint32_t page : pages) SetBit(bitmap.data(), page - start);
  out.Append(bitmap);
  return out.Take();
}

ByteVector ReferenceRow(PageFile& file, const std::vector<std::uint32_t>& pages) {
  std::vector<std::uint32_t> slicePages(ReferenceSlices, 0);
  for (const std::uint32_t page : pages) {
    const std::uint32_t slice = page / ReferenceSlicePages;
    if (slice >= ReferenceSlices) {
      throw SchemaError(
          fmt::format("page {} lies beyond what the writer's usage maps cover", page));
    }
    if (slicePages[slice] == 0) NewBitmapPage(file, slicePages[slice]);
    SetBit(file.Page(slicePages[slice]) + BitmapPageHeader, page % ReferenceSlicePages);
  }
  ByteSink out;
  out.U8(jet::UsageMapReference);
  for (const std::uint32_t page : slicePages) out.U32(page);
  return out.Take();
}

}  // namespace

ByteVector UsageMapRow(PageFile& file, const std::vector<std::uint32_t>& pages) {
  if (!pages.empty()) {
    const auto [low, high] = std::minmax_element(pages.begin(), pages.end());
    const std::size_t bitmapBytes = (*high - (*low & ~7u)) / 8 + 1;
    if (1 + 4 + bitmapBytes > RowPacker::MaxRow) return ReferenceRow(file, pages);
  }
  return InlineRow(pages);
}

void WriteGlobalMap(PageFile& file) {
  ByteVector row0;
  const std::size_t inlineBytes =
      std::max<std::size_t>(StandardMapBytes, (file.PageCount() + 7) / 8);
  if (DataPageHeader + 2 * 2 + 1 + 4 + inlineBytes + GlobalMapRowBytes <= PageSize) {
    row0.assign(1 + 4 + inlineBytes, 0);
    for (std::size_t bit = file.PageCount(); bit < inlineBytes * 8; ++bit)
      SetBit(row0.data() + 5, static_cast<std::uint32_t>(bit));
  } else {
    // Enough slices for the pages and for the slices' own bitmap pages.
    std::uint32_t slices = 0;
    while (std::uint64_t{slices} * ReferenceSlicePages < std::uint64_t{file.PageCount()} + slices)
      ++slices;
    if (slices > ReferenceSlices) {
      throw SchemaError(
          fmt::format("{} pages are more than the writer's usage maps cover", file.PageCount()));
    }
    std::vector<std::uint32_t> slicePages(ReferenceSlices, 0);
    for (std::uint32_t i = 0; i < slices; ++i) NewBitmapPage(file, slicePages[i]);
    const std::uint32_t pageCount = file.PageCount();
    for (std::uint32_t i = 0; i < slices; ++i) {
      std::uint8_t* bitmap = file.Page(slicePages[i]) + BitmapPageHeader;
      for (std::uint32_t bit = 0; bit < ReferenceSlicePages; ++bit) {
        if (std::uint64_t{i} * ReferenceSlicePages + bit >= pageCount) SetBit(bitmap, bit);
      }
    }
    ByteSink out;
    out.U8(jet::UsageMapReference);
    for (const std::uint32_t page : slicePages) out.U32(page);
    row0 = out.Take();
  }
  const ByteVector row1(GlobalMapRowBytes, 0);
  std::uint8_t* page = file.Page(1);
  page[0] = jet::PageData;
  page[1] = 0x01;
  PutU32(page + 4, 1);
  PutU16(page + 12, 2);
  const std::uint32_t start0 = PageSize - static_cast<std::uint32_t>(row0.size());
  const std::uint32_t start1 = start0 - GlobalMapRowBytes;
  PutU16(page + 14, start0);
  PutU16(page + 16, start1);
  std::copy(row0.begin(), row0.end(), page + start0);
  std::copy(row1.begin(), row1.end(), page + start1);
  PutU16(page + 2, start1 - 18);
}

}  // namespace tabulon::jetwriter
