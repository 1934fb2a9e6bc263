#pragma once
// What changed between two versions of a schema: tables, fields, indexes,
// relationships and saved queries, each added, removed or changed (with
// the members that differ, old and new). Objects are matched by name
// without regard to letter case; system tables are left out. A removed or
// added table stands for its fields and indexes; its relationships are
// named on their own. Values are compared as the texts the diff shows, so
// a member that could not be read on either side compares by its failure.

#include <string>
#include <string_view>
#include <vector>

#include <report/Wording.h>
#include <schema/Schema.h>

namespace tabulon::outputs {

enum class ChangeKind { Added, Removed, Changed };

struct MemberChange {
  std::string Member;  // "type", "size", "cascadeDelete", "sql", ...
  std::string Old;
  std::string New;
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

// The changes from `old` to `now`: tables (with their fields, then
// indexes) in the order of `now` and then the removed ones, then
// relationships, then queries. Types and attributes are worded by `words`.
std::vector<SchemaChange> DiffSchemas(const schema::Database& old, const schema::Database& now,
                                      const Wording& words);

// "added", "removed", "changed".
std::string_view ChangeKindName(ChangeKind kind);

}  // namespace tabulon::outputs
