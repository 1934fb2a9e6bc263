#pragma once
// The values the engine hands out: empty, null, boolean, integers, floating
// point, currency, date, text or binary, and their text form as the report
// shows it.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tabulon::dao {

struct Empty {
  bool operator==(const Empty&) const = default;
};
struct Null {
  bool operator==(const Null&) const = default;
};
// A currency amount: the value times 10,000, as the file stores it.
struct Currency {
  std::int64_t Scaled = 0;
  bool operator==(const Currency&) const = default;
};
// A date: days since 1899-12-30 00:00, the fraction being the time of day
// (for negative values the fraction still counts forward from midnight).
struct Date {
  double Days = 0;
  bool operator==(const Date&) const = default;
};
using Bytes = std::vector<std::uint8_t>;

using Variant = std::variant<Empty, Null, bool, std::int64_t, float, double, Currency, Date,
                             std::string, Bytes>;

// The text of a value, as a Japanese Windows system writes it: text as it
// is; integers in decimal; booleans "True" or "False"; floating point and
// currency in the shortest form that round-trips at the type's precision
// (up to 7 significant digits for single, 15 for double, 4 decimals for
// currency), "." as decimal point; dates "yyyy/mm/dd H:mm:ss", without the
// time at midnight and without the date on day 0; empty gives "".
// Null, and binary data, cannot be converted: throws EngineError.
std::string VariantToText(const Variant& value);
// The same; text is moved out rather than copied.
std::string VariantToText(Variant&& value);

// A date in ISO 8601, "YYYY-MM-DDTHH:MM:SS", rounded to the second as its
// text is; nullopt outside the years 100 to 9999.
std::optional<std::string> DateIsoText(const Date& date);

}  // namespace tabulon::dao
