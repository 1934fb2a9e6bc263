#pragma once
// Index keys and index leaf pages.
//
// Keys are written for Yes/No, Byte, Integer, Long, Currency, Single,
// Double, Date/Time, GUID and Binary values, and for Text values made only
// of the characters whose General sort code is a single byte (letters,
// digits, space and most ASCII punctuation; not ' - ^ _ ` { | } ~). Other
// text (accented, Japanese, ...) and Decimal values have sort keys this
// writer does not know: an index over such a value cannot be written, and
// the writer refuses the description rather than write a wrong index. NULL
// is always fine.

#include <cstdint>
#include <optional>
#include <vector>

#include <dao/Variant.h>
#include <tools/jetwriter/Bytes.h>
#include <tools/jetwriter/PageFile.h>

namespace tabulon::jetwriter {

// The key bytes of one column of an index (flag byte and value) for a
// coerced value of DAO type `type`, or nullopt when the writer cannot
// encode it (see above).
std::optional<ByteVector> EncodeKeyColumn(std::int32_t type, const dao::Variant& coerced,
                                          bool descending);

struct IndexEntry {
  ByteVector Key;
  RowPointer Row;
};

// Bytes of entry data one leaf page holds.
inline constexpr std::size_t LeafCapacity = 4096 - 0x1E0;

// The leaf page of an index of the table whose TDEF is on page `tdefPage`,
// holding `entries` (sorted here; their total size, with 4 bytes of row
// pointer each, must not exceed LeafCapacity). With no entries this is the
// exact empty root the engine writes.
void WriteLeafPage(std::uint8_t* page, std::uint32_t tdefPage, std::vector<IndexEntry> entries);

// The size an entry takes on a leaf page.
inline std::size_t EntrySize(const IndexEntry& entry) { return entry.Key.size() + 4; }

}  // namespace tabulon::jetwriter
