#include <migrate/RowValues.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#include <zlib.h>

#include <dao/ObjectModel.h>

namespace tabulon::migrate {

namespace {

constexpr std::int64_t MicrosPerDay = 86'400'000'000;
constexpr std::int64_t DaoDateTimeExtended = 26;

// Days since 1970-01-01 of a civil date, and back (Howard Hinnant's
// well-known algorithms).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

const std::int64_t AccessEpoch = DaysFromCivil(1899, 12, 30);

std::invalid_argument Unfit(const std::string& why) { return std::invalid_argument(why); }

template <class F>
std::string Shortest(F value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string CurrencyText(std::int64_t scaled) {
  const bool negative = scaled < 0;
  // The magnitude as unsigned, so that the smallest int64 has one too.
  const std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(scaled) + 1 : static_cast<std::uint64_t>(scaled);
  const auto fraction = static_cast<unsigned>(magnitude % 10000);
  std::string out = (negative ? "-" : "") + std::to_string(magnitude / 10000) + ".0000";
  for (std::size_t i = 0, f = fraction; i < 4; ++i, f /= 10) {
    out[out.size() - 1 - i] = static_cast<char>('0' + f % 10);
  }
  return out;
}

// "[-]digits[.digits]" without trailing zeros in the fraction.
std::string DecimalCanonical(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::size_t point = text.find('.');
  std::string whole(text.substr(0, point));
  std::string fraction(point == std::string_view::npos ? "" : text.substr(point + 1));
  const auto digits = [](const std::string& s) {
    for (const char c : s) {
      if (c < '0' || c > '9') return false;
    }
    return true;
  };
  if ((whole.empty() && fraction.empty()) || !digits(whole) || !digits(fraction)) {
    throw Unfit("数値として読めない値です（" + std::string(text) + "）");
  }
  while (whole.size() > 1 && whole.front() == '0') whole.erase(0, 1);
  if (whole.empty()) whole = "0";
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string out = whole + (fraction.empty() ? "" : "." + fraction);
  return negative && out != "0" ? "-" + out : out;
}

std::string DateText(std::int64_t micros) {
  std::int64_t days = micros / MicrosPerDay;
  std::int64_t rest = micros % MicrosPerDay;
  if (rest < 0) {
    rest += MicrosPerDay;
    --days;
  }
  std::int64_t y = 0;
  unsigned m = 0;
  unsigned d = 0;
  CivilFromDays(AccessEpoch + days, y, m, d);
  if (y < 1 || y > 9999) throw Unfit("日付が 1 年から 9999 年の外です");
  const std::int64_t seconds = rest / 1'000'000;
  const std::int64_t fraction = rest % 1'000'000;
  // Written digit by digit: this runs for every date of every row.
  std::string out = "0000-00-00 00:00:00";
  const auto put = [&out](std::size_t end, std::int64_t value, int digits) {
    for (int i = 0; i < digits; ++i, value /= 10)
      out[end - i] = static_cast<char>('0' + value % 10);
  };
  put(3, y, 4);
  put(6, m, 2);
  put(9, d, 2);
  put(12, seconds / 3600, 2);
  put(15, seconds / 60 % 60, 2);
  put(18, seconds % 60, 2);
  if (fraction != 0) {
    out += ".000000";
    put(25, fraction, 6);
  }
  return out;
}

// "YYYY-MM-DD[ HH:MM:SS[.f...]]" as microseconds since the Access epoch;
// nullopt for any other text or for a fraction finer than microseconds.
std::optional<std::int64_t> ParseDate(std::string_view text) {
  const auto number = [&](std::size_t at, std::size_t n) -> std::optional<int> {
    if (at + n > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  const auto y = number(0, 4);
  const auto mo = number(5, 2);
  const auto d = number(8, 2);
  if (!y || !mo || !d || text[4] != '-' || text[7] != '-' || *mo < 1 || *mo > 12 || *d < 1 ||
      *d > 31) {
    return std::nullopt;
  }
  std::int64_t micros =
      (DaysFromCivil(*y, static_cast<unsigned>(*mo), static_cast<unsigned>(*d)) - AccessEpoch) *
      MicrosPerDay;
  if (text.size() == 10) return micros;
  const auto h = number(11, 2);
  const auto mi = number(14, 2);
  const auto s = number(17, 2);
  if (text[10] != ' ' || !h || !mi || !s || text[13] != ':' || text[16] != ':' || *h > 23 ||
      *mi > 59 || *s > 59) {
    return std::nullopt;
  }
  micros += ((*h * 60 + *mi) * 60 + *s) * std::int64_t{1'000'000};
  if (text.size() == 19) return micros;
  if (text[19] != '.' || text.size() == 20) return std::nullopt;
  std::int64_t fraction = 0;
  for (std::size_t i = 20; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    const int digit = text[i] - '0';
    if (i < 26) {
      fraction = fraction * 10 + digit;
    } else if (digit != 0) {
      return std::nullopt;
    }
  }
  for (std::size_t i = text.size(); i < 26; ++i) fraction *= 10;
  return micros + fraction;
}

// The extended date/time as stored: "days:ticks:precision", days since
// 0001-01-01 and the time of day in 100-nanosecond ticks; nullopt for
// another text or a time finer than microseconds.
std::optional<std::int64_t> ParseExtendedDate(std::string_view text) {
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto number = [](std::string_view digits) -> std::optional<std::int64_t> {
    std::int64_t value = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size()) {
      return std::nullopt;
    }
    return value;
  };
  const auto days = number(text.substr(0, first));
  const auto ticks = number(text.substr(first + 1, second - first - 1));
  if (!days || !ticks || !number(text.substr(second + 1)) || *days > 3'652'059 ||
      *ticks >= MicrosPerDay * 10 || *ticks % 10 != 0) {
    return std::nullopt;
  }
  return (DaysFromCivil(1, 1, 1) + *days - AccessEpoch) * MicrosPerDay + *ticks / 10;
}

std::string GuidCanonical(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36) throw Unfit("GUID として読めない値です");
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    char& c = out[i];
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash != (c == '-')) throw Unfit("GUID として読めない値です");
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    if (!dash && !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
      throw Unfit("GUID として読めない値です");
    }
  }
  return out;
}

template <class T>
const T& As(const dao::Variant& value, const char* what) {
  if (const T* held = std::get_if<T>(&value)) return *held;
  throw Unfit(std::string("型の合わない値です（") + what + " のはずです）");
}

}  // namespace

std::optional<Carry> CarryOf(std::int32_t type) {
  switch (type) {
    case dao::dbByte:
    case dao::dbInteger:
    case dao::dbLong:
    case dao::dbBigInt:
      return Carry::Integer;
    case dao::dbBoolean:
      return Carry::Boolean;
    case dao::dbSingle:
      return Carry::Single;
    case dao::dbDouble:
      return Carry::Double;
    case dao::dbCurrency:
      return Carry::Currency;
    case dao::dbDecimal:
      return Carry::Decimal;
    case dao::dbDate:
    case DaoDateTimeExtended:
      return Carry::Date;
    case dao::dbGUID:
      return Carry::Guid;
    case dao::dbText:
    case dao::dbMemo:
      return Carry::Text;
    case dao::dbBinary:
    case dao::dbLongBinary:
      return Carry::Binary;
    default:
      return std::nullopt;
  }
}

std::int64_t DateMicroseconds(double days) {
  // The whole days count from the epoch; the fraction is the time of day,
  // forward from midnight whatever the sign.
  const double whole = std::trunc(days);
  const double time = std::fabs(days - whole);
  std::int64_t micros = std::llround(time * static_cast<double>(MicrosPerDay));
  // Access keeps whole seconds in a double, which far from the epoch is
  // coarser than a microsecond: a time within the double's own precision
  // of a whole second is that second.
  const double ulp = std::nextafter(std::fabs(days), HUGE_VAL) - std::fabs(days);
  const double slack = std::max(1.0, 2 * ulp * static_cast<double>(MicrosPerDay));
  const std::int64_t second = (micros + 500'000) / 1'000'000 * 1'000'000;
  if (static_cast<double>(std::llabs(micros - second)) <= slack) micros = second;
  return static_cast<std::int64_t>(whole) * MicrosPerDay + micros;
}

namespace {

// Past Access's own limit for one attachment: a stated length beyond it is
// damage, and is not allocated.
constexpr std::uint32_t AttachmentLimit = 1u << 30;

std::uint32_t Le32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// `size` bytes at `data` inflated; more than `expected` bytes out is an
// error, so damage cannot make it grow without bound.
dao::Bytes Inflated(const std::uint8_t* data, std::size_t size, std::uint32_t expected) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) throw Unfit("添付ファイルのデータを展開できません");
  const std::unique_ptr<z_stream, int (*)(z_stream*)> release(&stream, inflateEnd);
  dao::Bytes out(expected + std::size_t{1});
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(std::min<std::size_t>(size, UINT32_MAX));
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  if (result != Z_STREAM_END) {
    throw Unfit(result == Z_OK || result == Z_BUF_ERROR
                    ? "添付ファイルのデータが述べた長さに収まりません"
                    : "添付ファイルのデータが壊れています（zlib: " +
                          std::string(stream.msg != nullptr ? stream.msg : "?") + "）");
  }
  out.resize(stream.total_out);
  return out;
}

}  // namespace

dao::Bytes AttachedFileContent(const dao::Bytes& stored) {
  if (stored.size() < 8) throw Unfit("添付ファイルのデータが短すぎます");
  const std::uint32_t flag = Le32(stored.data());
  const std::uint32_t length = Le32(stored.data() + 4);
  if (length > AttachmentLimit) {
    throw Unfit("添付ファイルのデータの長さ " + std::to_string(length) + " は大きすぎます");
  }
  dao::Bytes content;
  if (flag == 0) {
    content.assign(stored.begin() + 8, stored.end());
  } else if (flag == 1) {
    content = Inflated(stored.data() + 8, stored.size() - 8, length);
  } else {
    throw Unfit("添付ファイルのデータの形式 " + std::to_string(flag) + " は知りません");
  }
  if (content.size() != length) {
    throw Unfit("添付ファイルのデータの長さが合いません（" + std::to_string(content.size()) +
                " バイト、述べた長さは " + std::to_string(length) + "）");
  }
  const std::uint32_t header = content.size() >= 12 ? Le32(content.data()) : 0;
  if (header < 12 || header > content.size()) throw Unfit("添付ファイルの見出しが壊れています");
  return dao::Bytes(content.begin() + header, content.end());
}

std::string HexDigits(std::string_view bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += digits[byte >> 4];
    out += digits[byte & 15];
  }
  return out;
}

std::string UnfitFor(Dialect server, std::string_view canonical, Carry carry) {
  if (server == Dialect::PostgreSql) {
    return carry == Carry::Text && canonical.find('\0') != std::string_view::npos
               ? "PostgreSQL のテキストは U+0000 を持てません"
               : "";
  }
  if (carry != Carry::Single && carry != Carry::Double) return "";
  if (canonical == "-0") return "SQLite は -0 を 0 として保存します";
  if (canonical == "NaN") return "SQLite は NaN を Null として保存します";
  return "";
}

std::optional<std::int64_t> CanonicalDateMicroseconds(std::string_view canonical) {
  return ParseDate(canonical);
}

std::string CanonicalDateText(std::int64_t micros) { return DateText(micros); }

std::string CanonicalValue(const dao::Variant& value, Carry carry) {
  switch (carry) {
    case Carry::Integer:
      return std::to_string(As<std::int64_t>(value, "整数"));
    case Carry::Boolean:
      return As<bool>(value, "Yes/No") ? "1" : "0";
    case Carry::Single:
      return Shortest(As<float>(value, "単精度浮動小数点"));
    case Carry::Double:
      return Shortest(As<double>(value, "倍精度浮動小数点"));
    case Carry::Currency:
      return CurrencyText(As<dao::Currency>(value, "通貨").Scaled);
    case Carry::Decimal:
      return DecimalCanonical(As<std::string>(value, "十進"));
    case Carry::Date: {
      if (const auto* text = std::get_if<std::string>(&value)) {
        std::optional<std::int64_t> micros = ParseDate(*text);
        if (!micros) micros = ParseExtendedDate(*text);
        if (!micros)
          throw Unfit("日付として読めない値か、マイクロ秒より細かい時刻です（" + *text + "）");
        return DateText(*micros);
      }
      const double days = As<dao::Date>(value, "日付/時刻").Days;
      // Access's own range is the years 100 to 9999.
      if (!std::isfinite(days) || std::fabs(days) > 3.0e6) throw Unfit("日付が範囲の外です");
      return DateText(DateMicroseconds(days));
    }
    case Carry::Guid:
      return GuidCanonical(As<std::string>(value, "GUID"));
    case Carry::Text:
      return As<std::string>(value, "テキスト");
    case Carry::Binary: {
      const dao::Bytes& bytes = As<dao::Bytes>(value, "バイナリ");
      return std::string(bytes.begin(), bytes.end());
    }
  }
  throw Unfit("移行できない型です");
}

std::string CanonicalOfServerText(std::string_view text, Carry carry) {
  const std::string owned(text);
  switch (carry) {
    case Carry::Integer: {
      std::int64_t number = 0;
      const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
      if (result.ec != std::errc() || result.ptr != text.data() + text.size()) break;
      return std::to_string(number);
    }
    case Carry::Boolean:
      if (text == "t" || text == "1") return "1";
      if (text == "f" || text == "0") return "0";
      break;
    case Carry::Single:
    case Carry::Double: {
      if (text == "NaN" || text == "Infinity" || text == "-Infinity") return owned;
      char* end = nullptr;
      const double number = std::strtod(owned.c_str(), &end);
      if (end != owned.c_str() + owned.size() || owned.empty()) break;
      return carry == Carry::Single ? Shortest(static_cast<float>(number)) : Shortest(number);
    }
    case Carry::Currency: {
      const std::string decimal = DecimalCanonical(text);
      const std::size_t point = decimal.find('.');
      const std::string fraction = point == std::string::npos ? "" : decimal.substr(point + 1);
      if (fraction.size() > 4) break;
      return decimal.substr(0, point) + "." + fraction + std::string(4 - fraction.size(), '0');
    }
    case Carry::Decimal:
      return DecimalCanonical(text);
    case Carry::Date: {
      const std::optional<std::int64_t> micros = ParseDate(text);
      if (!micros) break;
      return DateText(*micros);
    }
    case Carry::Guid:
      return GuidCanonical(text);
    case Carry::Text:
      return owned;
    case Carry::Binary: {
      if (text.size() < 2 || text.substr(0, 2) != "\\x" || text.size() % 2 != 0) break;
      std::string bytes;
      bytes.reserve(text.size() / 2 - 1);
      const auto nibble = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      };
      bool hex = true;
      for (std::size_t i = 2; hex && i < text.size(); i += 2) {
        const int high = nibble(text[i]);
        const int low = nibble(text[i + 1]);
        hex = high >= 0 && low >= 0;
        bytes += static_cast<char>(high * 16 + low);
      }
      if (!hex) break;
      return bytes;
    }
  }
  throw Unfit("サーバーの値が読めません（" + owned.substr(0, 40) + "）");
}

// Each value's length and bytes (so that no two rows run together) mixed
// eight bytes at a time into two lanes; both lanes summed over rows.
void RowChecksum::MixWord(std::uint64_t word) {
  FRow = (FRow ^ word) * 0x9e3779b97f4a7c15u;
  FRow ^= FRow >> 29;
  FRow2 = (FRow2 + word) * 0xc2b2ae3d27d4eb4fu;
  FRow2 ^= FRow2 >> 31;
}

void RowChecksum::AddNull() { MixWord(~std::uint64_t{0}); }

void RowChecksum::AddValue(std::string_view canonical) {
  MixWord(canonical.size());
  std::size_t at = 0;
  for (; at + 8 <= canonical.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, canonical.data() + at, 8);
    MixWord(word);
  }
  if (at < canonical.size()) {
    std::uint64_t tail = 0;
    std::memcpy(&tail, canonical.data() + at, canonical.size() - at);
    MixWord(tail);
  }
}

void RowChecksum::EndRow(bool remove) {
  // A final avalanche, so that rows differing in one bit do not cancel.
  const auto finish = [](std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdu;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53u;
    return x ^ (x >> 33);
  };
  const std::uint64_t one = finish(FRow);
  const std::uint64_t two = finish(FRow2 ^ 0x5bd1e995u);
  FSum = remove ? FSum - one : FSum + one;
  FSum2 = remove ? FSum2 - two : FSum2 + two;
  FRow = Basis;
  FRow2 = 0;
}

std::string RowChecksum::Hex() const {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%016llx%016llx", static_cast<unsigned long long>(FSum),
                static_cast<unsigned long long>(FSum2));
  return buffer;
}

}  // namespace tabulon::migrate
