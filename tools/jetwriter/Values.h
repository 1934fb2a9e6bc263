#pragma once
// Conversion of the values of a description (from code or JSON) to the forms
// a Jet 4 file stores.

#include <optional>
#include <string>
#include <string_view>

#include <dao/Variant.h>
#include <tools/jetwriter/Bytes.h>
#include <tools/jetwriter/Schema.h>

namespace tabulon::jetwriter {

// Parses "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" ("T" may
// stand for the space) into a date value; nullopt when malformed or outside
// the years 100..9999.
std::optional<dao::Date> ParseDate(std::string_view text);

// The 16 stored bytes of "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces
// optional, any letter case); nullopt when malformed.
std::optional<ByteVector> ParseGuid(std::string_view text);

// Parses hexadecimal digits ("0A1B...", even count) into bytes.
std::optional<ByteVector> ParseHex(std::string_view text);

// The value of `column` as the writer stores it, or Null:
//   Yes/No: bool (Null and Empty give False; integers: non-zero is True)
//   Byte, Integer, Long: int64 in the type's range
//   Currency: Currency (from Currency, an integer, a double, or exact
//     decimal text with up to 4 decimals)
//   Single: float; Double: double (from any number)
//   Date/Time: Date (from Date, a number of days, or text for ParseDate)
//   Text (at most Size characters), Memo: string
//   Binary (at most Size bytes), OLE: Bytes (from Bytes or hexadecimal text)
//   GUID: the 16 stored bytes as Bytes (from Bytes or GUID text)
//   Decimal: the 17 stored bytes as Bytes (from an integer or decimal text
//     with at most Scale decimals and Precision digits)
// Empty is Null. Throws SchemaError naming the problem (without the column,
// which the caller adds).
dao::Variant CoerceValue(const Column& column, const dao::Variant& value);

// The bytes of a coerced, non-null value of a fixed-size column, or the data
// of a Text, Binary, Memo or OLE value (UTF-16LE for text).
ByteVector StoredBytes(std::int32_t type, const dao::Variant& coerced);

// A stored property value: Type as in Property; throws SchemaError when the
// value does not fit the type.
ByteVector PropertyBytes(std::int32_t type, const dao::Variant& value);

// Short text of a value for messages.
std::string DescribeValue(const dao::Variant& value);

}  // namespace tabulon::jetwriter
