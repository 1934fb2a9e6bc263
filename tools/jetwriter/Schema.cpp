#include <tools/jetwriter/Schema.h>

#include <text/TextCompare.h>

namespace tabulon::jetwriter {

int FindColumn(const Table& table, std::string_view name) {
  for (std::size_t i = 0; i < table.Columns.size(); ++i) {
    if (EqualsNoCase(table.Columns[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

TablesByName MapTablesByName(const Database& db) {
  TablesByName tables;
  for (std::size_t i = 0; i < db.Tables.size(); ++i)
    tables.emplace(db.Tables[i].Name, static_cast<int>(i));
  return tables;
}

int FindKeyIndexOn(const Table& table, const std::set<int>& columns) {
  int found = -1;
  for (std::size_t i = 0; i < table.Indexes.size(); ++i) {
    const Index& index = table.Indexes[i];
    if (!index.Primary && !index.Unique) continue;
    std::set<int> positions;
    for (const IndexColumn& column : index.Columns)
      positions.insert(FindColumn(table, column.Name));
    if (positions != columns) continue;
    if (found < 0 || index.Primary) found = static_cast<int>(i);
  }
  return found;
}

}  // namespace tabulon::jetwriter
