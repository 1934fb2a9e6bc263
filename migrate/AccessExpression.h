#pragma once
// Access expressions, as users typed them into default values and
// validation rules, said again in SQL where the server can say the same:
// literals, Now(), Date() and GenGUID() as defaults; comparisons of fields
// with literals or other fields (=, <>, <, <=, >, >=, Between, In, Like,
// Is [Not] Null) joined by And, Or and Not as rules. Everything else is
// refused with the reason, never guessed.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <migrate/Dialect.h>
#include <migrate/TypeMap.h>

namespace tabulon::migrate {

// A field an expression may name: its column as SQL writes it (quoted)
// and what its values are.
struct ExpressionField {
  std::string Sql;
  ValueKind Kind = ValueKind::None;
};

// The field of the table with this name (as in [name]), or nullopt.
using FieldLookup = std::function<std::optional<ExpressionField>(std::string_view name)>;

struct Translation {
  // The SQL; "" with no Problem when there is nothing to write (a Null
  // default).
  std::string Sql;
  // Why the expression cannot be said in SQL, in Japanese; "" when it can.
  std::string Problem;
};

// The SQL of a field's default value for a column holding `kind` values:
// a number, a text, a date (#...#), Yes/No/True/False/On/Off, Null, Now(),
// Date() or GenGUID() (PostgreSQL only), optionally after "=".
Translation TranslateDefault(std::string_view expression, ValueKind kind, Dialect dialect);

// The SQL of a validation rule, for CHECK (...). A field's own rule may
// leave out the field before an operator (">=0", "Between 1 And 9"):
// `self` is then that field; a table's rule names its fields. Text is
// compared as Access compares it, without regard to ASCII case; ordering
// comparisons of text, functions (Date(), Now(): a server checks rows at
// any time, Access only on entry), arithmetic and Like patterns with
// "#", "[", "%" or "_" are refused.
Translation TranslateRule(std::string_view rule, const std::optional<ExpressionField>& self,
                          const FieldLookup& fields, Dialect dialect);

}  // namespace tabulon::migrate
