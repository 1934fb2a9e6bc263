#include <tools/jetwriter/IndexPages.h>

#include <algorithm>
#include <array>
#include <cstring>

#include <dao/ObjectModel.h>
#include <jet/JetFormat.h>
#include <text/Utf8.h>

namespace tabulon::jetwriter {

namespace {

constexpr std::uint8_t AscendingValue = 0x7F;
constexpr std::uint8_t AscendingNull = 0x00;
constexpr std::uint8_t DescendingValue = 0x80;
constexpr std::uint8_t DescendingNull = 0xFF;
constexpr std::uint8_t TextEnd = 0x01;
constexpr std::uint8_t TextExtraEnd = 0x00;
constexpr std::size_t MaxIndexedCharacters = 255;

// General (legacy) sort codes of the characters that need no extra bytes; 0
// marks the others.
constexpr std::array<std::uint8_t, 128> SimpleTextCodes = [] {
  std::array<std::uint8_t, 128> codes{};
  const char* punctuation = " !\"#$%&()*,./:;?@[\\]+<=>";
  const std::uint8_t punctuationCodes[] = {0x07, 0x09, 0x0A, 0x0C, 0x0E, 0x10, 0x12, 0x14,
                                           0x16, 0x18, 0x1A, 0x1C, 0x1E, 0x20, 0x22, 0x24,
                                           0x26, 0x27, 0x29, 0x2A, 0x2C, 0x2E, 0x30, 0x32};
  for (int i = 0; punctuation[i] != '\0'; ++i)
    codes[static_cast<std::size_t>(punctuation[i])] = punctuationCodes[i];
  for (int d = 0; d < 10; ++d)
    codes[static_cast<std::size_t>('0' + d)] = static_cast<std::uint8_t>(0x36 + 2 * d);
  const std::uint8_t letterCodes[] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                      0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                      0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
  for (int l = 0; l < 26; ++l) {
    codes[static_cast<std::size_t>('A' + l)] = letterCodes[l];
    codes[static_cast<std::size_t>('a' + l)] = letterCodes[l];
  }
  return codes;
}();

void AppendBigEndian(ByteVector& out, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Integers: big-endian with the sign bit flipped, so that bytes sort as numbers.
void AppendInteger(ByteVector& out, std::int64_t value, int bytes) {
  const std::uint64_t bits =
      static_cast<std::uint64_t>(value) ^ (std::uint64_t{1} << (8 * bytes - 1));
  AppendBigEndian(out, bits, bytes);
}

// Floating point: big-endian; positive numbers get the sign bit flipped,
// negative ones every bit inverted.
void AppendFloat(ByteVector& out, std::uint64_t bits, int bytes) {
  const std::uint64_t sign = std::uint64_t{1} << (8 * bytes - 1);
  const std::uint64_t all = bytes == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
  AppendBigEndian(out, (bits & sign) != 0 ? ~bits & all : bits ^ sign, bytes);
}

// Binary and GUID values: 8-byte groups, each followed by a byte that is 9
// when more groups follow, else the count of real bytes in the last one.
// Descending keys invert the data and the last group's count, not the 9s.
bool AppendBinary(ByteVector& out, const dao::Bytes& bytes, bool descending) {
  if (bytes.empty()) return false;
  for (std::size_t at = 0; at < bytes.size(); at += 8) {
    const std::size_t length = std::min<std::size_t>(8, bytes.size() - at);
    const bool last = at + 8 >= bytes.size();
    std::uint8_t group[9] = {};
    std::memcpy(group, bytes.data() + at, length);
    group[8] = static_cast<std::uint8_t>(last ? length : 9);
    for (std::size_t i = 0; i < 9; ++i) {
      const bool invert = descending && (i < 8 || last);
      out.push_back(invert ? static_cast<std::uint8_t>(~group[i]) : group[i]);
    }
  }
  return true;
}

// A GUID's key takes its bytes in text order.
dao::Bytes GuidKeyBytes(const dao::Bytes& stored) {
  dao::Bytes bytes = stored;
  SwapGuidGroups(bytes);
  return bytes;
}

bool AppendText(ByteVector& out, const std::string& text, bool descending) {
  std::string trimmed = text;
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
  if (trimmed.empty()) return false;
  ByteVector codes;
  std::size_t pos = 0;
  while (pos < trimmed.size() && codes.size() < MaxIndexedCharacters) {
    const char32_t cp = DecodeUtf8(trimmed, pos);
    if (cp >= SimpleTextCodes.size() || SimpleTextCodes[cp] == 0) return false;
    codes.push_back(SimpleTextCodes[cp]);
  }
  codes.push_back(TextEnd);
  codes.push_back(TextExtraEnd);
  if (descending) {
    for (std::uint8_t& b : codes) b = static_cast<std::uint8_t>(~b);
    codes.push_back(0x00);
  }
  out.insert(out.end(), codes.begin(), codes.end());
  return true;
}

}  // namespace

std::optional<ByteVector> EncodeKeyColumn(std::int32_t type, const dao::Variant& coerced,
                                          bool descending) {
  ByteVector out;
  if (std::holds_alternative<dao::Null>(coerced)) {
    out.push_back(descending ? DescendingNull : AscendingNull);
    return out;
  }
  out.push_back(descending ? DescendingValue : AscendingValue);
  const std::size_t valueStart = out.size();
  bool invertValue = descending;
  switch (type) {
    case dao::dbBoolean:
      out.push_back(std::get<bool>(coerced) ? 0x00 : 0xFF);
      break;
    case dao::dbByte:
      out.push_back(static_cast<std::uint8_t>(std::get<std::int64_t>(coerced)));
      break;
    case dao::dbInteger:
      AppendInteger(out, std::get<std::int64_t>(coerced), 2);
      break;
    case dao::dbLong:
      AppendInteger(out, std::get<std::int64_t>(coerced), 4);
      break;
    case dao::dbCurrency:
      AppendInteger(out, std::get<dao::Currency>(coerced).Scaled, 8);
      break;
    case dao::dbSingle: {
      std::uint32_t bits;
      const float f = std::get<float>(coerced);
      std::memcpy(&bits, &f, sizeof bits);
      AppendFloat(out, bits, 4);
      break;
    }
    case dao::dbDouble:
    case dao::dbDate: {
      const double d =
          type == dao::dbDate ? std::get<dao::Date>(coerced).Days : std::get<double>(coerced);
      std::uint64_t bits;
      std::memcpy(&bits, &d, sizeof bits);
      AppendFloat(out, bits, 8);
      break;
    }
    case dao::dbGUID:
      AppendBinary(out, GuidKeyBytes(std::get<dao::Bytes>(coerced)), descending);
      invertValue = false;
      break;
    case dao::dbBinary:
      if (!AppendBinary(out, std::get<dao::Bytes>(coerced), descending)) return std::nullopt;
      invertValue = false;
      break;
    case dao::dbText:
      if (!AppendText(out, std::get<std::string>(coerced), descending)) return std::nullopt;
      invertValue = false;
      break;
    default:
      return std::nullopt;
  }
  if (invertValue) {
    for (std::size_t i = valueStart; i < out.size(); ++i)
      out[i] = static_cast<std::uint8_t>(~out[i]);
  }
  return out;
}

void WriteLeafPage(std::uint8_t* page, std::uint32_t tdefPage, std::vector<IndexEntry> entries) {
  std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
    if (a.Key != b.Key) return BytesLess(a.Key, b.Key);
    return a.Row.Packed() < b.Row.Packed();
  });
  const jet::Layout& layout = jet::Jet4Layout;
  page[0] = jet::PageIndexLeaf;
  page[1] = 0x01;
  PutU32(page + 4, tdefPage);
  std::size_t at = 0;
  for (const IndexEntry& entry : entries) {
    std::uint8_t* out = page + layout.IndexEntriesOffset + at;
    std::memcpy(out, entry.Key.data(), entry.Key.size());
    out += entry.Key.size();
    // The row pointer of an entry is big-endian: 3 bytes page, 1 byte row.
    out[0] = static_cast<std::uint8_t>(entry.Row.Page >> 16);
    out[1] = static_cast<std::uint8_t>(entry.Row.Page >> 8);
    out[2] = static_cast<std::uint8_t>(entry.Row.Page);
    out[3] = entry.Row.Row;
    at += EntrySize(entry);
    // One bit per entry, at the offset where it ends.
    page[layout.IndexBitmapOffset + at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
  }
  PutU16(page + 2, static_cast<std::uint32_t>(PageSize - layout.IndexEntriesOffset - at));
}

}  // namespace tabulon::jetwriter
