#pragma once
// What changed between two versions of a schema: tables, fields, indexes,
// relationships and saved queries, each added, removed or changed (with
// the members that differ, old and new). Objects are matched by name
// without regard to letter case; system tables are left out. A removed or
// added table stands for its fields and indexes; its relationships are
// named on their own. Values are compared as the texts the diff shows.
//
// What could not be read is not guessed at: a member unreadable on either
// side is not compared, an object is called added only when the old list
// was read whole and removed only when the new one was, and each such gap
// is listed apart so that the caller can say the comparison is incomplete.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <schema/Schema.h>
#include <words/Wording.h>

namespace tabulon::outputs {

enum class ChangeKind { Added, Removed, Changed };

struct MemberChange {
  std::string Member;  // "type", "size", "cascadeDelete", "sql", ...
  std::string Old;
  std::string New;
  // The engine's code or bits behind a worded member (types, attributes),
  // which do not change with the chosen wording; nullopt for the others.
  std::optional<std::int32_t> OldCode;
  std::optional<std::int32_t> NewCode;
};

struct SchemaChange {
  ChangeKind Kind = ChangeKind::Changed;
  std::string Object;  // "table", "field", "index", "relationship", "query"
  std::string Table;   // the table of a field or index; "" for the others
  std::string Name;
  // Added and removed objects: what they are, in one line ("Long, 4",
  // "ID, 日付 DESC", "顧客(ID) -> 受注(顧客ID)"); "" for a table.
  std::string Detail;
  std::vector<MemberChange> Members;  // changed objects only
};

enum class DiffSide { Old, New };

// Something the comparison needed and could not read.
struct UnreadablePart {
  DiffSide Side = DiffSide::Old;
  std::string What;   // "table 受注", "field 受注.数量 type", "fields of table 受注", ...
  std::string Error;  // the engine's text
};

struct SchemaDiff {
  std::vector<SchemaChange> Changes;
  std::vector<UnreadablePart> Unreadable;  // empty when both were read whole
};

// The changes from `old` to `now`: tables (with their fields, then
// indexes) in the order of `now` and then the removed ones, then
// relationships, then queries. Types and attributes are worded by `words`.
SchemaDiff DiffSchemas(const schema::Database& old, const schema::Database& now,
                       const Wording& words);

// "added", "removed", "changed".
std::string_view ChangeKindName(ChangeKind kind);

}  // namespace tabulon::outputs
