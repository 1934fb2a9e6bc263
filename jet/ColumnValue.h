#pragma once
// One column's value in a data row, decoded by its type: integers, floating
// point, currency, dates, text, memo and OLE (through their long values),
// binary, GUID, decimal and the extended date/time's stored text.

#include <optional>

#include <dao/Variant.h>
#include <jet/DataRow.h>
#include <jet/JetText.h>
#include <jet/PageFile.h>

namespace tabulon::jet {

// True when ColumnValue decodes this column: every type above, for columns
// that are not calculated (a calculated column stores its result behind a
// header this reader does not know). An ACE complex column (attachment,
// multi-value, a memo's history) holds the row's key into the hidden table
// of its values, and gives that key as an integer.
bool HasReadableValue(const ColumnDefinition& column);

// The value of `column` in `row`: Null for NULL; a Yes/No column is never
// Null. Text, memo, the GUID ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"),
// the decimal ("-123.45", with the column's scale) and the extended
// date/time come as text; binary and OLE as bytes; Byte, Integer, Long and
// Big Integer as integers. Throws FormatError when the stored value does
// not fit its type, or for a column HasReadableValue refuses. A text or
// memo that is not valid UTF-16 comes with U+FFFD in place of its faults,
// the first described in `fault` when given.
dao::Variant ColumnValue(PageFile& pages, const RowValues& row, const ColumnDefinition& column,
                         const TextDecoder& text, std::string* fault = nullptr);

// The text of a stored decimal: 17 bytes, the sign (0x80 negative), then
// the magnitude as four 32-bit words, most significant first, each little-
// endian; `scale` decimals. Throws FormatError when `stored` is shorter.
std::string DecimalText(ByteView stored, int scale);

}  // namespace tabulon::jet
