#pragma once
// Access field types to column types of each server: one table, walked by
// one lookup (the README shows the same table).

#include <cstdint>
#include <string>

#include <migrate/Dialect.h>

namespace tabulon::migrate {

// What values of a type are, for checking defaults and rules.
enum class ValueKind { Number, Text, Date, Boolean, Guid, Binary, None };

// A field as far as its column type depends on it.
struct FieldShape {
  std::int32_t Type = 0;  // DAO's type code
  std::int64_t Size = 0;  // characters of text, bytes of binary
  int Precision = 18;     // decimal
  int Scale = 0;          // decimal
  bool AutoIncrement = false;
};

struct ColumnType {
  // The type as the server writes it ("varchar(50)"), "" when the field
  // cannot be a column.
  std::string Sql;
  ValueKind Kind = ValueKind::None;
  // Yes/No fields hold no Null and default to No.
  bool NotNull = false;
  std::string Default;
  // An AutoNumber Long: PostgreSQL's identity column; SQLite numbers only a
  // single-column primary key (the writer decides).
  bool Identity = false;
  // Why the field cannot be a column; "" when it can.
  std::string Problem;
  // What the column loses against the field, when it is made all the same
  // (a decimal without sensible digits becomes numeric, a text without a
  // size text); "" when nothing.
  std::string Loss;
};

// The column type of `field` on `dialect`. Types without a column
// (attachments, multi-value fields, types this program does not know) give
// Sql "" and the Problem in Japanese.
ColumnType MapColumnType(const FieldShape& field, Dialect dialect);

// The Access type's name as the README's table names it ("Text(n)").
std::string AccessTypeName(std::int32_t type);

}  // namespace tabulon::migrate
