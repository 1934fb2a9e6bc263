#include <jetwriter/Schema.h>

#include <engine/TextCompare.h>

namespace tabulon::jetwriter {

int FindColumn(const Table& table, std::string_view name) {
  for (std::size_t i = 0; i < table.Columns.size(); ++i) {
    if (EqualsNoCase(table.Columns[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

int FindTable(const Database& db, std::string_view name) {
  for (std::size_t i = 0; i < db.Tables.size(); ++i) {
    if (EqualsNoCase(db.Tables[i].Name, name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tabulon::jetwriter
