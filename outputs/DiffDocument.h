#pragma once
// The changes between two schemas (outputs/SchemaDiff.h) as people and
// tools read them.
//
// Text, like diff(1): "--- OLD" and "+++ NEW", then one line per object,
// "-" removed, "+" added, "~" changed followed by one indented line per
// member ("    size: 20 -> 30"; a value of several lines, such as SQL, as
// "-"/"+" lines under the member's name). Names are on one line each
// (control characters become blanks). Nothing at all when nothing changed.
//
// JSON: {"formatVersion": 1, "old": path, "new": path, "changes": [{"change",
// "object", "table"?, "name", "detail"?, "members"?: [{"member", "old",
// "new"}]}]}, always written (an empty "changes" when nothing changed).
//
// Markdown: a heading and one table row per member change or per added or
// removed object; nothing at all when nothing changed.

#include <string>
#include <string_view>
#include <vector>

#include <outputs/JsonWriter.h>
#include <outputs/SchemaDiff.h>

namespace tabulon::outputs {

std::string DiffText(const std::vector<SchemaChange>& changes, std::string_view oldName,
                     std::string_view newName);

// "unreadable" is written only when something could not be read, so a
// complete comparison reads as it always has.
void WriteDiffJson(JsonWriter& json, const std::vector<SchemaChange>& changes,
                   std::string_view oldName, std::string_view newName,
                   const std::vector<UnreadablePart>& unreadable = {});

std::string DiffMarkdown(const std::vector<SchemaChange>& changes, std::string_view oldName,
                         std::string_view newName);

}  // namespace tabulon::outputs
