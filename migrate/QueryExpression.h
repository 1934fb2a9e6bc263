#pragma once
// The expressions of saved queries (columns, conditions, joins, groups
// and orders), said again in SQL where the server computes the same:
// arithmetic, & and + on text, comparisons, And/Or/Not, Between, In,
// Like, Is Null, literals, [Table].[Field] names, the aggregates and the
// functions with an exact equivalent (IIf, Nz with its second argument,
// IsNull, Left, Right, Mid, Len, InStr, UCase, LCase, Trim, Year, Month,
// Day, Hour, Minute, Second, Now, Date, Int, Fix, Abs, CDbl, and CStr,
// CLng, CInt, CDate where nothing is converted). Everything else is
// refused with the first thing that stops it, never guessed.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <migrate/Dialect.h>
#include <migrate/TypeMap.h>

namespace tabulon::migrate {

// A column a query's name leads to.
struct QueryField {
  std::string Sql;  // as SQL names it, quoted ("t"."c")
  ValueKind Kind = ValueKind::None;
  bool Integer = false;  // a whole number (Byte, Integer, Long, Big Integer)
  // SQLite keeps this exact number (Currency, Decimal) as text: it is
  // compared as a number and not computed with.
  bool TextNumber = false;
};

// The column `[source].[name]` leads to (`source` "" for a name on its
// own); nullopt when no source of the query holds it. Throws Refused
// (migrate/AccessTokens.h) for a name that is ambiguous.
using QueryNames =
    std::function<std::optional<QueryField>(std::string_view source, std::string_view name)>;

struct QueryValue {
  std::string Sql;
  ValueKind Kind = ValueKind::None;  // None for Null
  bool Integer = false;
  bool TextNumber = false;
  bool Aggregate = false;  // holds Sum(), Count(), ...
  bool Literal = false;    // a constant, never Null unless Null itself
};

struct QueryTranslation {
  QueryValue Value;
  // Why the expression cannot be said in SQL, in Japanese; "" when it can.
  std::string Problem;
};

QueryTranslation TranslateQueryExpression(std::string_view expression, const QueryNames& names,
                                          Dialect dialect);

}  // namespace tabulon::migrate
