#include <jet/Relationships.h>

#include <algorithm>
#include <map>

#include <jet/DataRow.h>
#include <jet/LongValue.h>
#include <jet/TableDefinition.h>
#include <text/TextCompare.h>

namespace tabulon::jet {

// How messages name the table.
constexpr std::string_view Owner = "MSysRelationships ";

std::vector<Relationship> ReadRelationships(PageFile& pages, std::uint32_t page,
                                            const TextDecoder& text) {
  const TableDefinition table = ReadTableDefinition(pages, page, text);
  const ColumnDefinition& name = table.RequiredColumn("szRelationship", Owner);
  const ColumnDefinition& grbit = table.RequiredColumn("grbit", Owner);
  const ColumnDefinition& icolumn = table.RequiredColumn("icolumn", Owner);
  const ColumnDefinition& object = table.RequiredColumn("szObject", Owner);
  const ColumnDefinition& column = table.RequiredColumn("szColumn", Owner);
  const ColumnDefinition& referencedObject = table.RequiredColumn("szReferencedObject", Owner);
  const ColumnDefinition& referencedColumn = table.RequiredColumn("szReferencedColumn", Owner);

  std::vector<Relationship> relationships;
  std::map<std::string, std::size_t> byName;
  std::vector<std::vector<std::pair<std::int64_t, RelationshipColumn>>> columns;
  for (const ByteView bytes : ReadTableRows(pages, table)) {
    const RowValues row(bytes, table, pages.Format());
    const std::string relationName = ReadTextValue(pages, row, name, text).value_or("");
    auto [found, added] = byName.emplace(relationName, relationships.size());
    if (added) {
      Relationship relationship;
      relationship.Name = relationName;
      relationship.ReferencedTable = ReadTextValue(pages, row, referencedObject, text).value_or("");
      relationship.ReferencingTable = ReadTextValue(pages, row, object, text).value_or("");
      relationship.Attributes = static_cast<std::int32_t>(IntegerValue(row, grbit).value_or(0));
      relationships.push_back(std::move(relationship));
      columns.emplace_back();
    }
    columns[found->second].push_back(
        {IntegerValue(row, icolumn).value_or(0),
         {ReadTextValue(pages, row, referencedColumn, text).value_or(""),
          ReadTextValue(pages, row, column, text).value_or("")}});
  }
  for (std::size_t i = 0; i < relationships.size(); ++i) {
    std::stable_sort(columns[i].begin(), columns[i].end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [position, pair] : columns[i]) relationships[i].Columns.push_back(std::move(pair));
  }
  std::stable_sort(relationships.begin(), relationships.end(),
                   [](const Relationship& a, const Relationship& b) {
                     return CompareNoCase(a.Name, b.Name) < 0;
                   });
  return relationships;
}

}  // namespace tabulon::jet
