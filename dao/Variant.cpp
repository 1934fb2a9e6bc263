#include <dao/Variant.h>

#include <cmath>
#include <cstdio>

#include <fmt/format.h>

#include <dao/EngineError.h>

namespace tabulon::dao {

namespace {

// Days since 1899-12-30 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  // Counted from 0000-03-01 so that leap days fall at the end of a year.
  const std::int64_t z = days + 693899;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// Shortest decimal text of `value` with at most `digits` significant digits.
std::string FloatText(double value, int digits) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-1.#INF" : "1.#INF";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
  std::string text = buffer;
  if (text == "-0") text = "0";
  return text;
}

// Calendar parts of a date value (the time rounded to whole seconds).
struct DateParts {
  int Year, Month, Day, Hour, Minute, Second;
};

DateParts SplitDate(Date date) {
  // Rounded to the second, so 23:59:59.7 moves to the next day.
  double dayPart = std::trunc(date.Days);
  double seconds = std::round(std::fabs(date.Days - dayPart) * 86400.0);
  if (seconds >= 86400.0) {
    seconds -= 86400.0;
    dayPart += date.Days < 0 ? -1 : 1;
  }
  DateParts parts{};
  CivilFromDays(static_cast<std::int64_t>(dayPart), parts.Year, parts.Month, parts.Day);
  const int s = static_cast<int>(seconds);
  parts.Hour = s / 3600;
  parts.Minute = s / 60 % 60;
  parts.Second = s % 60;
  return parts;
}

}  // namespace

std::optional<std::string> DateIsoText(const Date& date) {
  if (!std::isfinite(date.Days) || std::fabs(date.Days) > 2958466.0) return std::nullopt;
  const DateParts p = SplitDate(date);
  if (p.Year < 100 || p.Year > 9999) return std::nullopt;
  return fmt::format("{:04d}-{:02d}-{:02d}T{:02d}:{:02d}:{:02d}", p.Year, p.Month, p.Day, p.Hour,
                     p.Minute, p.Second);
}

std::string VariantToText(const Variant& value) {
  struct Visitor {
    std::string operator()(const Empty&) const { return ""; }
    std::string operator()(const Null&) const {
      throw EngineError("Null 値は文字列に変換できません。");
    }
    std::string operator()(bool b) const { return b ? "True" : "False"; }
    std::string operator()(std::int64_t i) const { return std::to_string(i); }
    std::string operator()(float f) const { return FloatText(f, 7); }
    std::string operator()(double d) const { return FloatText(d, 15); }
    std::string operator()(const Currency& c) const {
      const bool negative = c.Scaled < 0;
      const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(c.Scaled)
                                               : static_cast<std::uint64_t>(c.Scaled);
      std::string text = std::to_string(magnitude / 10000);
      std::string fraction = fmt::format("{:04d}", magnitude % 10000);
      while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
      if (!fraction.empty()) text += "." + fraction;
      return negative ? "-" + text : text;
    }
    std::string operator()(const Date& d) const {
      if (!std::isfinite(d.Days) || std::fabs(d.Days) > 2958466.0) {
        throw EngineError("日付の値が範囲外です。");
      }
      const DateParts p = SplitDate(d);
      const bool hasDate = !(p.Year == 1899 && p.Month == 12 && p.Day == 30);
      const bool hasTime = p.Hour != 0 || p.Minute != 0 || p.Second != 0;
      std::string text;
      if (hasDate) text = fmt::format("{:04d}/{:02d}/{:02d}", p.Year, p.Month, p.Day);
      if (hasTime || !hasDate) {
        if (!text.empty()) text += ' ';
        text += fmt::format("{}:{:02d}:{:02d}", p.Hour, p.Minute, p.Second);
      }
      return text;
    }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(const Bytes&) const {
      throw EngineError("バイナリ値は文字列に変換できません。");
    }
  };
  return std::visit(Visitor{}, value);
}

std::string VariantToText(Variant&& value) {
  if (std::string* text = std::get_if<std::string>(&value)) return std::move(*text);
  return VariantToText(static_cast<const Variant&>(value));
}

}  // namespace tabulon::dao
