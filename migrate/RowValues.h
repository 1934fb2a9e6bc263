#pragma once
// How the values of each Access type travel to the servers, and the one
// canonical text of a value that the migration writes and its
// verification compares: the source's value and the server's, read back,
// both turned into it.
//
// Canonical texts: integers in decimal; Yes/No "1" or "0"; Single and
// Double in the shortest text that reads back to the same bits ("NaN",
// "Infinity", "-Infinity"); Currency with four decimals ("-0.0100");
// Decimal without trailing zeros ("12.5", "0"); Date/Time
// "YYYY-MM-DD HH:MM:SS" with ".ffffff" only when it has microseconds
// (days since 1899-12-30, the fraction counted forward from that day's
// midnight also for negative days: -1.25 is 1899-12-29 06:00:00); a GUID
// in small letters without braces; text as it is (UTF-8); binary as its
// bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <dao/Variant.h>
#include <migrate/Dialect.h>

namespace tabulon::migrate {

enum class Carry { Integer, Boolean, Single, Double, Currency, Decimal, Date, Guid, Text, Binary };

// How a field of DAO type `type` is carried; nullopt for a type that has
// no column.
std::optional<Carry> CarryOf(std::int32_t type);

// The canonical text of `value` (not Null) as `carry`. Throws
// std::invalid_argument, with the reason in Japanese, for a value that
// does not fit (a date past the servers' range, a malformed decimal).
std::string CanonicalValue(const dao::Variant& value, Carry carry);

// The canonical text of a value a server hands back in its text form
// (PostgreSQL's output, SQLite's text and numbers as text): "t"/"f" for
// booleans, "\x..." for binary, numbers as the server prints them. Throws
// std::invalid_argument for a text that is not such a value.
std::string CanonicalOfServerText(std::string_view text, Carry carry);

// Why `server` cannot hold the canonical value `canonical` as it is, or
// "": PostgreSQL's text holds no U+0000; SQLite keeps -0.0 as 0 and NaN
// as Null.
std::string UnfitFor(Dialect server, std::string_view canonical, Carry carry);

// The file's bytes of an attachment's stored data: a wrapper of a flag
// (0 stored as it is, 1 deflated with zlib) and the length of what follows
// once unwrapped, which is a header (its own length, the extension) before
// the file's bytes. Throws std::invalid_argument, with the reason in
// Japanese, for data that is not such a wrapper or does not unwrap to its
// stated length.
dao::Bytes AttachedFileContent(const dao::Bytes& stored);

// `bytes` as hexadecimal digits in small letters ("00ff"): binary values
// in the servers' texts and in reject files.
std::string HexDigits(std::string_view bytes);

// Microseconds since 1899-12-30 00:00 of an Access date.
std::int64_t DateMicroseconds(double days);
// The same of a canonical date text; nullopt for another text.
std::optional<std::int64_t> CanonicalDateMicroseconds(std::string_view canonical);
// The canonical text of microseconds since 1899-12-30 00:00. Throws
// std::invalid_argument outside the years 1 to 9999.
std::string CanonicalDateText(std::int64_t micros);

// An order-independent checksum of rows: each row's values (Null kept
// apart from any text) hashed, the hashes summed, so the same rows in any
// order give the same sum.
class RowChecksum {
 public:
  void BeginRow() { FRow = Basis; }
  void AddNull();
  void AddValue(std::string_view canonical);
  // Ends the row; `remove` takes a row added before out again.
  void EndRow(bool remove = false);
  std::string Hex() const;  // 32 hex digits
  bool operator==(const RowChecksum&) const = default;

 private:
  static constexpr std::uint64_t Basis = 0xcbf29ce484222325u;
  void MixWord(std::uint64_t word);
  std::uint64_t FRow = Basis;
  std::uint64_t FRow2 = 0;
  std::uint64_t FSum = 0;
  std::uint64_t FSum2 = 0;
};

}  // namespace tabulon::migrate
