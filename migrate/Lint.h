#pragma once
// Findings that help before a move to a database server: tables without a
// primary key, foreign keys without an index, relationships Access does not
// enforce, fields named like keys that no relationship uses, names
// PostgreSQL needs quoted, duplicate indexes, and (from the rows, when
// asked) text fields of 255 characters that hold only short values. Local
// tables only: system and linked tables are not looked at.

#include <string>
#include <vector>

#include <dao/ObjectModel.h>
#include <schema/Schema.h>

namespace tabulon::migrate {

struct Finding {
  // A short fixed name of the check, for people and scripts to filter on:
  // no-primary-key, unindexed-foreign-key, unenforced-relationship,
  // key-without-relationship, needs-quoting, duplicate-index, and from
  // the rows oversized-text, nul-in-text, time-only-date, pre-1900-date,
  // null-in-unique-key, duplicate-rows, orphan-rows, unreadable-value,
  // unreadable.
  std::string Check;
  std::string Table;
  std::string Field;  // "" when the finding is about the table
  std::string Text;   // in Japanese
};

// "[check] テーブル "T" のフィールド "F": text", on one line.
std::string FindingLine(const Finding& finding);

// The findings the schema alone shows, table by table in the schema's
// order, then the relationships'.
std::vector<Finding> LintSchema(const schema::Database& database);

// What the rows show, read once per table through schema/Rows.h: text
// fields of size 255 whose longest value is at most ShortTextLimit
// characters (tables without rows say nothing about that), texts holding
// U+0000, time-only dates and dates before 1900, rows that repeat another
// row's key of a unique index only where the key holds a Null (Access and
// the servers allow that; the key then tells no rows apart), rows of a
// table without a primary key that repeat another row, and rows that break
// a relationship Access does not enforce (orphans). Values that cannot be
// read (a text that is not valid UTF-16) are counted by field; a table
// whose rows cannot be read gives an "unreadable" finding.
inline constexpr std::size_t ShortTextLimit = 32;
std::vector<Finding> LintData(const schema::Database& schema, dao::Database& database);

}  // namespace tabulon::migrate
