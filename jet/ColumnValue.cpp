#include <jet/ColumnValue.h>

#include <array>
#include <cstdio>

#include <jet/LongValue.h>

namespace tabulon::jet {

namespace {

constexpr std::size_t GuidSize = 16;
constexpr std::size_t DecimalSize = 17;
constexpr std::uint8_t DecimalNegative = 0x80;

std::string GuidText(ByteView value) {
  value.Require(0, GuidSize);
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(value.U32(0)), value.U16(4), value.U16(6), value.U8(8),
                value.U8(9), value.U8(10), value.U8(11), value.U8(12), value.U8(13), value.U8(14),
                value.U8(15));
  return text;
}

dao::Bytes BytesOf(ByteView value) { return {value.Data(), value.Data() + value.Size()}; }

}  // namespace

bool HasReadableValue(const ColumnDefinition& column) {
  if (column.Calculated()) return false;
  switch (column.Type) {
    case ColBoolean:
    case ColByte:
    case ColInteger:
    case ColLong:
    case ColCurrency:
    case ColSingle:
    case ColDouble:
    case ColDateTime:
    case ColBinary:
    case ColText:
    case ColOle:
    case ColMemo:
    case ColGuid:
    case ColNumeric:
    case ColBigInt:
    case ColExtendedDate:
    case ColComplex:
      return true;
    default:
      return false;
  }
}

std::string DecimalText(ByteView stored, int scale) {
  stored.Require(0, DecimalSize);
  std::array<std::uint32_t, 4> words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = stored.U32(1 + 4 * i);
  // Long division by ten, most significant word first, one digit a round;
  // a 128-bit magnitude has at most 39 digits.
  std::string digits;
  bool zero = false;
  while (!zero) {
    std::uint64_t remainder = 0;
    zero = true;
    for (std::uint32_t& word : words) {
      const std::uint64_t current = (remainder << 32) | word;
      word = static_cast<std::uint32_t>(current / 10);
      remainder = current % 10;
      if (word != 0) zero = false;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + remainder));
  }
  const auto decimals = static_cast<std::size_t>(scale < 0 ? 0 : scale);
  if (digits.size() <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
  if (decimals > 0) digits.insert(digits.size() - decimals, 1, '.');
  const bool negative = (stored.U8(0) & DecimalNegative) != 0;
  return negative && digits.find_first_not_of("0.") != std::string::npos ? "-" + digits : digits;
}

dao::Variant ColumnValue(PageFile& pages, const RowValues& row, const ColumnDefinition& column,
                         const TextDecoder& text, std::string* fault) {
  if (!HasReadableValue(column)) {
    throw FormatError("列 '" + column.Name + "' の値は読めない型です");
  }
  if (column.Type == ColBoolean) return row.Present(column);
  const std::optional<ByteView> value = row.Value(column);
  if (!value) return dao::Null{};
  switch (column.Type) {
    case ColByte:
      return std::int64_t{value->U8(0)};
    case ColInteger:
      return std::int64_t{value->I16(0)};
    case ColLong:
    case ColComplex:
      return std::int64_t{value->I32(0)};
    case ColBigInt:
      return static_cast<std::int64_t>(value->U64(0));
    case ColCurrency:
      return dao::Currency{static_cast<std::int64_t>(value->U64(0))};
    case ColSingle:
      return value->F32(0);
    case ColDouble:
      return value->F64(0);
    case ColDateTime:
      return dao::Date{value->F64(0)};
    case ColText:
      return text.Text(*value, fault);
    case ColMemo:
      return text.Text(ByteView(ReadLongValue(pages, *value), "長い値"), fault);
    case ColBinary:
      return BytesOf(*value);
    case ColOle:
      return ReadLongValue(pages, *value);
    case ColGuid:
      return GuidText(*value);
    case ColNumeric:
      return DecimalText(*value, column.Scale);
    default: {
      // The extended date/time: ASCII digits, padded at the end.
      std::string stored(value->Data(), value->Data() + value->Size());
      while (!stored.empty() && (stored.back() == '\0' || stored.back() == ' ')) stored.pop_back();
      return stored;
    }
  }
}

}  // namespace tabulon::jet
