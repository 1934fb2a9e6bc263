#pragma once
// The file being written: a growing run of zeroed 4 KiB pages, and the
// packing of rows onto data pages.

#include <cstdint>
#include <vector>

#include <tools/jetwriter/Bytes.h>

namespace tabulon::jetwriter {

inline constexpr std::uint32_t PageSize = 4096;

class PageFile {
 public:
  // Appends a zeroed page and returns its number.
  std::uint32_t Allocate();
  std::uint32_t PageCount() const { return static_cast<std::uint32_t>(FBytes.size() / PageSize); }
  // The page's bytes; valid until the next Allocate.
  std::uint8_t* Page(std::uint32_t number) {
    return FBytes.data() + std::size_t{number} * PageSize;
  }
  ByteVector Take() { return std::move(FBytes); }

 private:
  ByteVector FBytes;
};

// A row's address: page number and row number on that page.
struct RowPointer {
  std::uint32_t Page = 0;
  std::uint8_t Row = 0;
  // The 32-bit form stored in TDEFs and long-value headers.
  std::uint32_t Packed() const { return Page << 8 | Row; }
};

// Packs rows of one owner (a table's TDEF page, the long-value marker, or 0
// for usage maps) onto data pages taken from the file as they fill.
class RowPacker {
 public:
  RowPacker(PageFile& file, std::uint32_t owner) : FFile(file), FOwner(owner) {}
  // The largest row a data page holds.
  static constexpr std::size_t MaxRow = PageSize - 14 - 2;
  // Places the row (1..MaxRow bytes) and returns where it went.
  RowPointer Add(const ByteVector& row);
  // The pages used, in order.
  const std::vector<std::uint32_t>& Pages() const { return FPages; }
  // Pages that still have room for a small row.
  std::vector<std::uint32_t> PagesWithRoom() const;

 private:
  void StartPage();

  PageFile& FFile;
  std::uint32_t FOwner;
  std::vector<std::uint32_t> FPages;
  std::vector<std::uint32_t> FFree;  // free bytes per page of FPages
};

}  // namespace tabulon::jetwriter
