#pragma once
// Memo and OLE values: kept in the row when short, otherwise on long-value
// (LVAL) pages of their column, in one row or a chain of rows.

#include <tools/jetwriter/Bytes.h>
#include <tools/jetwriter/PageFile.h>

namespace tabulon::jetwriter {

class LongValueStore {
 public:
  // Values up to this many bytes stay in the row.
  static constexpr std::size_t InlineLimit = 64;
  // Longer values up to this many bytes take one LVAL row; longer ones a chain.
  static constexpr std::size_t SingleRowLimit = 4076;
  static constexpr std::size_t ChainChunk = 4072;

  explicit LongValueStore(PageFile& file);
  // The bytes the row holds for `data` (less than 16 MiB): the 12-byte
  // header, followed by the data itself when it stays inline.
  ByteVector Store(const ByteVector& data);
  // The LVAL pages used, and those with room left.
  const std::vector<std::uint32_t>& Pages() const { return FPacker.Pages(); }
  std::vector<std::uint32_t> PagesWithRoom() const { return FPacker.PagesWithRoom(); }

 private:
  RowPacker FPacker;
};

}  // namespace tabulon::jetwriter
