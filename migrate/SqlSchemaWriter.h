#pragma once
// A database's schema as SQL for PostgreSQL or SQLite: one CREATE TABLE for
// every local table that is not a system table, with column types from
// migrate/TypeMap.h, NOT NULL from Required, defaults and CHECK constraints
// where migrate/AccessExpression.h can say them, the primary key, unique
// and plain indexes (several columns and descending order kept), foreign
// keys with all their column pairs and cascades for the relationships
// Access enforces, and descriptions (COMMENT ON for PostgreSQL, comments in
// the table's text for SQLite, which keeps them). Tables come in an order
// where every foreign key refers to a table already created; PostgreSQL
// gets the keys of a cycle afterwards from ALTER TABLE (SQLite checks
// references only when rows change, so its keys stay in their tables).
//
// An attachment or multi-value field (or a memo's history) becomes a
// column of the key Access gives each row, and a table "<table>_<field>"
// of the values, one row each, with a foreign key back to that column;
// an attachment's data arrives as the file's bytes.
//
// Saved select queries become views (migrate/ViewPlan.h) after the tables;
// a query that cannot is a note, and its Access SQL stands as a comment.
//
// What cannot be carried over is said, not dropped: every type, default,
// rule, key or name that could not be written as it is becomes a
// MigrationNote, listed at the top of the text; unenforced relationships
// and linked tables stand as comments where they would be.

#include <string>
#include <string_view>
#include <vector>

#include <migrate/Dialect.h>
#include <migrate/RowValues.h>
#include <migrate/ViewPlan.h>
#include <schema/Schema.h>

namespace tabulon::migrate {

struct MigrationNote {
  std::string Table;  // "" for the database as a whole
  std::string Field;  // "" for the table as a whole
  std::string Text;   // what was not carried over and why, in Japanese
};

// The note as one line: "テーブル "T" のフィールド "F": ...".
std::string NoteLine(const MigrationNote& note);

// A created table as a migration of rows needs it, its statements split
// around the rows as a restore runs them: the table first, the rows, then
// what checks or looks up rows.
struct LoadColumn {
  std::string AccessName;
  int Field = 0;    // position in the table's fields
  std::string Sql;  // quoted
  Carry Carried = Carry::Text;
  std::int32_t AccessType = 0;  // DAO's type code
  // A calculated field: the reader cannot decode its stored results.
  bool Calculated = false;
  // An attachment's stored data, carried as the file's bytes
  // (AttachedFileContent).
  bool AttachedFile = false;
};

struct LoadTable {
  std::string AccessName;
  // The Access table the rows are read from: AccessName, or for the values
  // of a complex field ("<table>_<field>") the hidden table that holds them.
  std::string Source;
  std::string SqlName;  // as the server keeps it, unquoted
  std::string Sql;      // quoted
  std::vector<LoadColumn> Columns;
  // CREATE TABLE: on PostgreSQL with the primary key and without checks
  // and foreign keys, on SQLite (which cannot add them later) whole.
  std::string Create;
  // Statements after the rows: indexes and comments.
  std::vector<std::string> After;
  // PostgreSQL: "ALTER TABLE ... ADD CONSTRAINT ... FOREIGN KEY", after
  // every table's indexes.
  std::vector<std::string> ForeignKeys;
  // PostgreSQL: the table's CHECK expressions, added after the rows.
  std::vector<std::string> Checks;
  // PostgreSQL: "SELECT setval(...)" for each AutoNumber, after the rows,
  // so that it continues past the highest number loaded (SQLite's
  // AUTOINCREMENT follows the inserted keys itself).
  std::vector<std::string> Renumber;
};

// The table's columns, quoted, as a list: "\"a\", \"b\"".
std::string ColumnList(const LoadTable& table);

struct SqlSchema {
  std::string Text;  // UTF-8, lines ended by "\n"
  std::vector<MigrationNote> Notes;
  std::vector<LoadTable> Tables;  // in creation order
  // The saved select queries as views, made after the tables' rows, each
  // one's sources first; the queries that are not (also among the notes).
  std::vector<PlannedView> Views;
  std::vector<NotCarriedQuery> NotCarriedQueries;
};

// The SQL of `database`; `fileName` names it in the heading. The same
// schema always gives the same text. Never throws for what the schema
// holds (failed members become notes).
SqlSchema WriteSqlSchema(const schema::Database& database, std::string_view fileName,
                         Dialect dialect);

}  // namespace tabulon::migrate
