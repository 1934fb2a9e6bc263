#include <tools/jetwriter/PageFile.h>

#include <jet/JetFormat.h>

#include <stdexcept>

namespace tabulon::jetwriter {

namespace {

constexpr std::uint32_t HeaderSize = 14;
constexpr std::uint32_t MaxRowsPerPage = 255;
// Below this many free bytes a page no longer counts as having room.
constexpr std::uint32_t RoomThreshold = 64;

std::uint32_t RowCount(const std::uint8_t* page) { return page[12] | page[13] << 8; }

}  // namespace

std::uint32_t PageFile::Allocate() {
  const std::uint32_t number = PageCount();
  FBytes.resize(FBytes.size() + PageSize, 0);
  return number;
}

void RowPacker::StartPage() {
  const std::uint32_t number = FFile.Allocate();
  std::uint8_t* page = FFile.Page(number);
  page[0] = jet::PageData;
  page[1] = 0x01;
  PutU16(page + 2, PageSize - HeaderSize);
  PutU32(page + 4, FOwner);
  FPages.push_back(number);
  FFree.push_back(PageSize - HeaderSize);
}

RowPointer RowPacker::Add(const ByteVector& row) {
  if (row.empty() || row.size() > MaxRow) throw std::length_error("row does not fit a data page");
  const auto length = static_cast<std::uint32_t>(row.size());
  if (FPages.empty() || FFree.back() < length + 2 ||
      RowCount(FFile.Page(FPages.back())) >= MaxRowsPerPage) {
    StartPage();
  }
  const std::uint32_t number = FPages.back();
  std::uint8_t* page = FFile.Page(number);
  const std::uint32_t rows = RowCount(page);
  // Rows fill the page from its end, each ending where the previous one
  // began; the free bytes lie between the offset table and that row.
  const std::uint32_t end = HeaderSize + 2 * rows + FFree.back();
  const std::uint32_t start = end - length;
  std::copy(row.begin(), row.end(), page + start);
  PutU16(page + HeaderSize + 2 * rows, start);
  PutU16(page + 12, rows + 1);
  FFree.back() -= length + 2;
  PutU16(page + 2, FFree.back());
  return RowPointer{number, static_cast<std::uint8_t>(rows)};
}

std::vector<std::uint32_t> RowPacker::PagesWithRoom() const {
  std::vector<std::uint32_t> pages;
  for (std::size_t i = 0; i < FPages.size(); ++i) {
    if (FFree[i] >= RoomThreshold && RowCount(FFile.Page(FPages[i])) < MaxRowsPerPage) {
      pages.push_back(FPages[i]);
    }
  }
  return pages;
}

}  // namespace tabulon::jetwriter
