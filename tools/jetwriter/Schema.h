#pragma once
// The description of a database that the fixture writer turns into a Jet 4
// file: plain data, so that tests can build it in code, read it from JSON,
// generate it, and compare it member by member with what an engine presents.
//
// Names are UTF-8. Types are DAO type codes (dao::FieldType). Everything the
// writer derives on its own (the physical index layout, the internal indexes
// of enforced relationships, catalog ids) is described in IndexPlan.h and
// JetWriter.h, not here.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <dao/ObjectModel.h>
#include <dao/Variant.h>
#include <text/TextCompare.h>

namespace tabulon::jetwriter {

// A property written into a property block beyond the standard ones of
// Table and Column. Type is one of dbBoolean, dbByte, dbInteger, dbLong,
// dbCurrency, dbSingle, dbDouble, dbDate, dbText, dbMemo, dbBinary,
// dbLongBinary, dbGUID; Value must fit it. Ddl marks engine-level properties.
struct Property {
  std::string Name;
  std::int32_t Type = dao::dbText;
  dao::Variant Value;
  bool Ddl = false;
};

struct Column {
  std::string Name;
  std::int32_t Type = dao::dbText;
  // Text: characters (1..255); Binary: bytes (1..510); ignored otherwise.
  int Size = 0;
  // Long: the engine counts up; GUID: the engine generates values.
  bool AutoNumber = false;
  // Memo only.
  bool Hyperlink = false;
  // Decimal only: 1..28 digits, 0..Precision decimals.
  int Precision = 18;
  int Scale = 0;
  // The standard properties; absent ones are not written.
  std::optional<std::string> Description;
  std::optional<std::string> ValidationRule;
  std::optional<std::string> ValidationText;
  std::optional<std::string> DefaultValue;
  std::optional<std::string> Caption;
  std::optional<std::string> Format;
  std::optional<bool> Required;
  std::optional<bool> AllowZeroLength;
  std::vector<Property> Properties;  // written after the standard ones
};

struct IndexColumn {
  std::string Name;
  bool Descending = false;
};

// An index as the user declares it. A primary key is also unique and
// required on disk, whatever Unique and Required say.
struct Index {
  std::string Name;
  std::vector<IndexColumn> Columns;  // 1..10
  bool Primary = false;
  bool Unique = false;
  bool IgnoreNulls = false;
  bool Required = false;
};

// One row: one value per column, in column order. Empty or Null is NULL,
// except that an AutoNumber column gets its next value and a Yes/No column
// False. Accepted values per type: see CoerceValue in Values.h.
using Row = std::vector<dao::Variant>;

struct Table {
  std::string Name;
  bool Hidden = false;
  bool System = false;
  std::optional<std::string> Description;
  std::optional<std::string> ValidationRule;
  std::optional<std::string> ValidationText;
  // Catalog dates; absent means the database's creation date.
  std::optional<dao::Date> DateCreated;
  std::optional<dao::Date> LastUpdated;
  std::vector<Column> Columns;  // 1..255
  std::vector<Index> Indexes;
  std::vector<Row> Rows;
  std::vector<Property> Properties;
  // An ODBC link ("ODBC;DSN=..."): the table's definition is kept as the
  // engine keeps a linked ODBC table's, without rows.
  std::optional<std::string> OdbcConnect;
  std::string ForeignName;  // the table's name on the server
};

// A table linked from another Jet database: a catalog row only.
struct LinkedTable {
  std::string Name;
  std::string Database;     // the source file's path as Access stores it
  std::string ForeignName;  // the table's name there
  std::string Connect;      // further connect text (";PWD=..."), usually ""
};

// A saved query, part by part as the engine stores it in MSysQueries.
struct QueryParameter {
  std::string Name;
  std::int32_t Type = dao::dbText;  // a field type code, or 0 for any type
  int Size = 0;                     // Text only
};

struct QueryTable {
  std::string Name;
  std::string Alias;
};

// How a crosstab query uses a column.
enum class CrosstabRole { None, RowHeading, Value, ColumnHeading };

struct QueryColumn {
  std::string Expression;  // as Access writes it, brackets included
  std::string Alias;
  std::string Target;  // append: the target column; update: the column set
  bool Value = false;  // append: an item of VALUES (...)
  CrosstabRole Role = CrosstabRole::None;
};

struct QueryJoin {
  std::string Left;  // table or alias
  std::string Right;
  int Type = 1;  // 1 INNER, 2 LEFT, 3 RIGHT
  std::string On;
};

struct QueryOrder {
  std::string Expression;
  bool Descending = false;
};

struct Query {
  std::string Name;
  std::int32_t Type = dao::dbQSelect;
  std::optional<dao::Date> DateCreated;
  std::optional<dao::Date> LastUpdated;
  bool Distinct = false;
  bool DistinctRow = false;
  std::string Top;  // "10"; empty for none
  bool Percent = false;
  bool OwnerAccess = false;
  bool AllFields = false;  // the "*" of SELECT
  std::vector<QueryParameter> Parameters;
  std::string Target;  // make-table and append
  std::vector<QueryTable> Tables;
  std::vector<QueryColumn> Columns;
  std::vector<QueryJoin> Joins;
  std::string Where;
  std::vector<std::string> GroupBy;
  std::string Having;
  std::vector<QueryOrder> OrderBy;
  std::string Sql;                      // data-definition and pass-through
  std::string Connect;                  // pass-through
  std::vector<std::string> UnionParts;  // union: 2 SELECT texts
  bool UnionAll = false;
};

struct RelationColumn {
  std::string Name;         // column of the referenced (primary) table
  std::string ForeignName;  // column of the referencing (foreign) table
};

// Attributes are DAO's RelationAttributeEnum bits, stored unchanged. Unless
// dbRelationDontEnforce is set, the writer adds the foreign-key indexes the
// engine keeps for referential integrity on both tables.
struct Relationship {
  std::string Name;
  std::string Table;                    // referenced ("one") table
  std::string ForeignTable;             // referencing ("many") table
  std::vector<RelationColumn> Columns;  // 1..10
  std::int32_t Attributes = 0;
};

struct Database {
  // Up to 20 characters; empty for none.
  std::string Password;
  // 2024-04-01 09:00; also the default date of every catalog row.
  dao::Date Created{45383.375};
  // Properties of the database object (MSysDb). "AccessVersion" = "08.50"
  // is written first unless listed here.
  std::vector<Property> Properties;
  std::vector<Table> Tables;
  std::vector<Relationship> Relationships;
  std::vector<LinkedTable> LinkedTables;
  std::vector<Query> Queries;
};

// Longest name of a table, column, index or relationship, in UTF-16 units.
inline constexpr std::size_t MaxNameLength = 64;
inline constexpr std::size_t MaxPasswordLength = 20;
inline constexpr std::size_t MaxColumns = 255;
inline constexpr std::size_t MaxIndexesPerTable = 32;  // including foreign-key indexes
inline constexpr std::size_t MaxIndexColumns = 10;
inline constexpr int MaxTextSize = 255;
inline constexpr int MaxBinarySize = 510;

// Index of the column named `name` (letter case ignored), or -1.
int FindColumn(const Table& table, std::string_view name);
// Positions in Database::Tables by name, letter case ignored. The keys view
// the tables' names: the map is valid while the Database is unchanged.
using TablesByName = std::map<std::string_view, int, NoCaseLess>;
// The map of a description whose table names are unique, as ValidateSchema
// makes sure; one lookup instead of a scan per relationship.
TablesByName MapTablesByName(const Database& db);
// Position in table.Indexes of the primary key or unique index whose columns
// are exactly `columns` (positions in table.Columns, any order): the primary
// key when it qualifies, else the first such unique index; -1 when none does.
int FindKeyIndexOn(const Table& table, const std::set<int>& columns);

}  // namespace tabulon::jetwriter
