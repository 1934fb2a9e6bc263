#include <tools/jetwriter/Values.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include <fmt/format.h>

#include <tools/jetwriter/SchemaError.h>

namespace tabulon::jetwriter {

namespace {

__extension__ using UInt128 = unsigned __int128;

// Days from 1899-12-30, day 0 of Date values, to 1970-01-01.
constexpr std::int64_t DaysFrom1899To1970 = 25569;

// Reads exactly `width` decimal digits at `pos`.
bool Digits(std::string_view text, std::size_t& pos, std::size_t width, int& value) {
  if (pos + width > text.size()) return false;
  value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  pos += width;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A decimal number as sign, digits and number of decimals.
struct DecimalText {
  bool Negative = false;
  std::string IntegerDigits;   // leading zeros removed
  std::string FractionDigits;  // trailing zeros removed
};

std::optional<DecimalText> SplitDecimal(std::string_view text) {
  DecimalText out;
  std::size_t pos = 0;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
    out.Negative = text[pos++] == '-';
  bool any = false;
  bool point = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      any = true;
      (point ? out.FractionDigits : out.IntegerDigits) += c;
    } else {
      return std::nullopt;
    }
  }
  if (!any) return std::nullopt;
  out.IntegerDigits.erase(0, out.IntegerDigits.find_first_not_of('0') == std::string::npos
                                 ? out.IntegerDigits.size()
                                 : out.IntegerDigits.find_first_not_of('0'));
  while (!out.FractionDigits.empty() && out.FractionDigits.back() == '0')
    out.FractionDigits.pop_back();
  return out;
}

// The number scaled by 10^scale as a magnitude of at most `maxDigits` digits.
UInt128 ScaledMagnitude(const DecimalText& number, int scale, int maxDigits, const char* what) {
  if (static_cast<int>(number.FractionDigits.size()) > scale) {
    throw SchemaError(fmt::format("{} has more than {} decimal places", what, scale));
  }
  std::string digits = number.IntegerDigits + number.FractionDigits;
  digits.append(static_cast<std::size_t>(scale) - number.FractionDigits.size(), '0');
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  if (static_cast<int>(digits.size()) > maxDigits) {
    throw SchemaError(fmt::format("{} has more than {} digits", what, maxDigits));
  }
  UInt128 magnitude = 0;
  for (const char c : digits) magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
  return magnitude;
}

std::int64_t IntegerIn(const dao::Variant& value, std::int64_t low, std::int64_t high,
                       const char* type) {
  std::int64_t number = 0;
  if (const auto* i = std::get_if<std::int64_t>(&value)) {
    number = *i;
  } else if (const auto* b = std::get_if<bool>(&value)) {
    number = *b ? -1 : 0;
  } else {
    throw SchemaError(
        fmt::format("{} is not a whole number for a {} column", DescribeValue(value), type));
  }
  if (number < low || number > high) {
    throw SchemaError(
        fmt::format("{} is outside the range of a {} column ({}..{})", number, type, low, high));
  }
  return number;
}

double NumberOf(const dao::Variant& value, const char* type) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&value)) return *d;
  if (const auto* f = std::get_if<float>(&value)) return *f;
  throw SchemaError(fmt::format("{} is not a number for a {} column", DescribeValue(value), type));
}

const std::string& TextOf(const dao::Variant& value, const char* type) {
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  throw SchemaError(fmt::format("{} is not text for a {} column", DescribeValue(value), type));
}

dao::Currency CurrencyOf(const dao::Variant& value) {
  if (const auto* c = std::get_if<dao::Currency>(&value)) return *c;
  if (const auto* i = std::get_if<std::int64_t>(&value)) {
    if (*i > std::numeric_limits<std::int64_t>::max() / 10000 ||
        *i < std::numeric_limits<std::int64_t>::min() / 10000) {
      throw SchemaError(fmt::format("{} is outside the range of a Currency column", *i));
    }
    return dao::Currency{*i * 10000};
  }
  if (const auto* s = std::get_if<std::string>(&value)) {
    const auto number = SplitDecimal(*s);
    if (!number) throw SchemaError(fmt::format("\"{}\" is not a decimal number", *s));
    const UInt128 magnitude = ScaledMagnitude(*number, 4, 19, "the currency amount");
    const UInt128 limit =
        static_cast<UInt128>(std::numeric_limits<std::int64_t>::max()) + (number->Negative ? 1 : 0);
    if (magnitude > limit)
      throw SchemaError(fmt::format("\"{}\" is outside the range of a Currency column", *s));
    return dao::Currency{number->Negative
                             ? static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(magnitude))
                             : static_cast<std::int64_t>(magnitude)};
  }
  const double scaled = std::round(NumberOf(value, "Currency") * 10000.0);
  if (!(std::fabs(scaled) < 9.2e18))
    throw SchemaError(
        fmt::format("{} is outside the range of a Currency column", DescribeValue(value)));
  return dao::Currency{static_cast<std::int64_t>(scaled)};
}

dao::Date DateOf(const dao::Variant& value) {
  if (const auto* d = std::get_if<dao::Date>(&value)) return *d;
  if (const auto* s = std::get_if<std::string>(&value)) {
    if (auto date = ParseDate(*s)) return *date;
    throw SchemaError(fmt::format("\"{}\" is not a date (YYYY-MM-DD or YYYY-MM-DD HH:MM:SS)", *s));
  }
  const double days = NumberOf(value, "Date/Time");
  if (!std::isfinite(days) || days < -657434.0 || days >= 2958466.0) {
    throw SchemaError(fmt::format("{} is outside the years 100 to 9999", days));
  }
  return dao::Date{days};
}

dao::Bytes BytesOf(const dao::Variant& value, const char* type) {
  if (const auto* b = std::get_if<dao::Bytes>(&value)) return *b;
  if (const auto* s = std::get_if<std::string>(&value)) {
    if (auto bytes = ParseHex(*s)) return *bytes;
    throw SchemaError(fmt::format("\"{}\" is not hexadecimal bytes for a {} column", *s, type));
  }
  throw SchemaError(
      fmt::format("{} is not binary data for a {} column", DescribeValue(value), type));
}

dao::Bytes GuidOf(const dao::Variant& value) {
  if (const auto* b = std::get_if<dao::Bytes>(&value)) {
    if (b->size() == 16) return *b;
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    if (auto bytes = ParseGuid(*s)) return *bytes;
  }
  throw SchemaError(fmt::format("{} is not a GUID ({{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}})",
                                DescribeValue(value)));
}

dao::Bytes DecimalOf(const Column& column, const dao::Variant& value) {
  std::string text;
  if (const auto* i = std::get_if<std::int64_t>(&value)) {
    text = std::to_string(*i);
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    text = *s;
  } else {
    throw SchemaError(fmt::format("{} is not an integer or decimal text for a Decimal column",
                                  DescribeValue(value)));
  }
  const auto number = SplitDecimal(text);
  if (!number) throw SchemaError(fmt::format("\"{}\" is not a decimal number", text));
  const UInt128 magnitude =
      ScaledMagnitude(*number, column.Scale, column.Precision, "the decimal value");
  dao::Bytes stored(17, 0);
  stored[0] = number->Negative && magnitude != 0 ? 0x80 : 0x00;
  // Four 32-bit words, most significant first, each little-endian.
  for (int word = 0; word < 4; ++word) {
    const auto bits = static_cast<std::uint32_t>(magnitude >> (32 * (3 - word)));
    PutU32(stored.data() + 1 + 4 * word, bits);
  }
  return stored;
}

}  // namespace

std::optional<dao::Date> ParseDate(std::string_view text) {
  std::size_t pos = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!Digits(text, pos, 4, year) || pos >= text.size() || text[pos++] != '-' ||
      !Digits(text, pos, 2, month) || pos >= text.size() || text[pos++] != '-' ||
      !Digits(text, pos, 2, day)) {
    return std::nullopt;
  }
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
    ++pos;
    if (!Digits(text, pos, 2, hour) || pos >= text.size() || text[pos++] != ':' ||
        !Digits(text, pos, 2, minute)) {
      return std::nullopt;
    }
    if (pos < text.size() && (text[pos++] != ':' || !Digits(text, pos, 2, second)))
      return std::nullopt;
    if (pos != text.size()) return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year{year},
                                         std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  if (year < 100 || !date.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  const double days = static_cast<double>(std::chrono::sys_days(date).time_since_epoch().count() +
                                          DaysFrom1899To1970);
  const double time = (hour * 3600 + minute * 60 + second) / 86400.0;
  // Before day 0 the fraction still counts forward from midnight.
  return dao::Date{days < 0 ? days - time : days + time};
}

std::optional<ByteVector> ParseHex(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  ByteVector bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  return bytes;
}

std::optional<ByteVector> ParseGuid(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
      text[23] != '-') {
    return std::nullopt;
  }
  std::string digits;
  for (const char c : text) {
    if (c != '-') digits += c;
  }
  auto raw = ParseHex(digits);
  if (!raw || raw->size() != 16) return std::nullopt;
  SwapGuidGroups(*raw);  // text order to stored order
  return raw;
}

dao::Variant CoerceValue(const Column& column, const dao::Variant& value) {
  const bool isNull =
      std::holds_alternative<dao::Null>(value) || std::holds_alternative<dao::Empty>(value);
  if (column.Type == dao::dbBoolean) {
    if (isNull) return false;
    if (const auto* b = std::get_if<bool>(&value)) return *b;
    if (const auto* i = std::get_if<std::int64_t>(&value)) return *i != 0;
    throw SchemaError(
        fmt::format("{} is not true or false for a Yes/No column", DescribeValue(value)));
  }
  if (isNull) return dao::Null{};
  switch (column.Type) {
    case dao::dbByte:
      return IntegerIn(value, 0, 255, "Byte");
    case dao::dbInteger:
      return IntegerIn(value, -32768, 32767, "Integer");
    case dao::dbLong:
      return IntegerIn(value, std::numeric_limits<std::int32_t>::min(),
                       std::numeric_limits<std::int32_t>::max(), "Long");
    case dao::dbCurrency:
      return CurrencyOf(value);
    case dao::dbSingle: {
      const double number = NumberOf(value, "Single");
      if (std::isfinite(number) && std::fabs(number) > std::numeric_limits<float>::max()) {
        throw SchemaError(fmt::format("{} is outside the range of a Single column", number));
      }
      return static_cast<float>(number);
    }
    case dao::dbDouble:
      return NumberOf(value, "Double");
    case dao::dbDate:
      return DateOf(value);
    case dao::dbText: {
      const std::string& text = TextOf(value, "Text");
      if (Utf16Length(text) > static_cast<std::size_t>(column.Size)) {
        throw SchemaError(
            fmt::format("\"{}\" is longer than the column's {} characters", text, column.Size));
      }
      return text;
    }
    case dao::dbMemo: {
      const std::string& text = TextOf(value, "Memo");
      if (Utf16Length(text) * 2 >= 0xFFFFFF)
        throw SchemaError("the memo text is longer than 8 million characters");
      return text;
    }
    case dao::dbBinary: {
      dao::Bytes bytes = BytesOf(value, "Binary");
      if (bytes.size() > static_cast<std::size_t>(column.Size)) {
        throw SchemaError(
            fmt::format("{} bytes are more than the column's {}", bytes.size(), column.Size));
      }
      return bytes;
    }
    case dao::dbLongBinary: {
      dao::Bytes bytes = BytesOf(value, "OLE Object");
      if (bytes.size() >= 0xFFFFFF) throw SchemaError("the OLE value is longer than 16 MiB");
      return bytes;
    }
    case dao::dbGUID:
      return GuidOf(value);
    case dao::dbDecimal:
      return DecimalOf(column, value);
    default:
      throw SchemaError(fmt::format("type {} cannot hold values", column.Type));
  }
}

ByteVector StoredBytes(std::int32_t type, const dao::Variant& coerced) {
  ByteSink out;
  switch (type) {
    case dao::dbBoolean:
      break;
    case dao::dbByte:
      out.U8(static_cast<std::uint32_t>(std::get<std::int64_t>(coerced)));
      break;
    case dao::dbInteger:
      out.U16(static_cast<std::uint32_t>(std::get<std::int64_t>(coerced)));
      break;
    case dao::dbLong:
      out.U32(static_cast<std::uint32_t>(std::get<std::int64_t>(coerced)));
      break;
    case dao::dbCurrency:
      out.U64(static_cast<std::uint64_t>(std::get<dao::Currency>(coerced).Scaled));
      break;
    case dao::dbSingle: {
      const float f = std::get<float>(coerced);
      std::uint32_t bits;
      std::memcpy(&bits, &f, sizeof bits);
      out.U32(bits);
      break;
    }
    case dao::dbDouble:
      out.F64(std::get<double>(coerced));
      break;
    case dao::dbDate:
      out.F64(std::get<dao::Date>(coerced).Days);
      break;
    case dao::dbText:
    case dao::dbMemo:
      out.Append(Utf16(std::get<std::string>(coerced)));
      break;
    default:  // Binary, OLE, GUID, Decimal: already the stored bytes
      out.Append(std::get<dao::Bytes>(coerced));
      break;
  }
  return out.Take();
}

ByteVector PropertyBytes(std::int32_t type, const dao::Variant& value) {
  Column column;
  column.Type = type;
  column.Size = std::numeric_limits<int>::max();
  switch (type) {
    case dao::dbBoolean: {
      if (std::holds_alternative<dao::Null>(value) || std::holds_alternative<dao::Empty>(value)) {
        throw SchemaError("a Yes/No property needs a value");
      }
      return ByteVector{
          static_cast<std::uint8_t>(std::get<bool>(CoerceValue(column, value)) ? 1 : 0)};
    }
    case dao::dbText:
    case dao::dbByte:
    case dao::dbInteger:
    case dao::dbLong:
    case dao::dbCurrency:
    case dao::dbSingle:
    case dao::dbDouble:
    case dao::dbDate:
    case dao::dbMemo:
    case dao::dbBinary:
    case dao::dbLongBinary:
    case dao::dbGUID: {
      const dao::Variant coerced = CoerceValue(column, value);
      if (std::holds_alternative<dao::Null>(coerced)) throw SchemaError("a property needs a value");
      return StoredBytes(type, coerced);
    }
    default:
      throw SchemaError(fmt::format("type {} is not a property type", type));
  }
}

std::string DescribeValue(const dao::Variant& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return fmt::format("\"{}\"", *s);
  if (std::holds_alternative<dao::Bytes>(value)) return "binary data";
  if (std::holds_alternative<dao::Null>(value) || std::holds_alternative<dao::Empty>(value))
    return "null";
  if (const auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
  if (const auto* d = std::get_if<dao::Date>(&value)) return fmt::format("date {}", d->Days);
  if (const auto* c = std::get_if<dao::Currency>(&value))
    return fmt::format("currency {}", static_cast<double>(c->Scaled) / 10000.0);
  return dao::VariantToText(value);
}

}  // namespace tabulon::jetwriter
