#pragma once
// Long values (Memo, OLE): the 12-byte header in the row, with the data
// inline, in one long-value row, or in a chain of long-value rows; and the
// text of a Text or Memo column, wherever it is stored.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <jet/ByteView.h>
#include <jet/DataRow.h>
#include <jet/JetText.h>
#include <jet/PageFile.h>

namespace tabulon::jet {

// The whole value whose in-row part is `field`. Throws FormatError when the
// header is unknown, a row pointer leads outside the file or to a row that
// is too short, or a chain loops or ends early.
std::vector<std::uint8_t> ReadLongValue(PageFile& pages, ByteView field);

// The text of a Text or Memo column of a row; nullopt for NULL. Throws
// FormatError for another column type or a damaged long value.
std::optional<std::string> ReadTextValue(PageFile& pages, const RowValues& row,
                                         const ColumnDefinition& column, const TextDecoder& text);

}  // namespace tabulon::jet
