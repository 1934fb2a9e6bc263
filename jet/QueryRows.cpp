#include <jet/QueryRows.h>

#include <algorithm>

#include <jet/DataRow.h>
#include <jet/LongValue.h>
#include <jet/TableDefinition.h>

namespace tabulon::jet {

// How messages name the table.
constexpr std::string_view Owner = "MSysQueries ";

std::map<std::int32_t, std::vector<QueryRow>> ReadQueryRows(PageFile& pages, std::uint32_t page,
                                                            const TextDecoder& text) {
  const TableDefinition table = ReadTableDefinition(pages, page, text);
  const ColumnDefinition& objectId = table.RequiredColumn("ObjectId", Owner);
  const ColumnDefinition& attribute = table.RequiredColumn("Attribute", Owner);
  const ColumnDefinition* order = table.ColumnByName("Order");
  const ColumnDefinition* name1 = table.ColumnByName("Name1");
  const ColumnDefinition* name2 = table.ColumnByName("Name2");
  const ColumnDefinition* expression = table.ColumnByName("Expression");
  const ColumnDefinition* flag = table.ColumnByName("Flag");
  const ColumnDefinition* extra = table.ColumnByName("LvExtra");
  auto textOf = [&](const RowValues& row, const ColumnDefinition* column) {
    if (column == nullptr) return std::string();
    return ReadTextValue(pages, row, *column, text).value_or("");
  };

  std::map<std::int32_t, std::vector<QueryRow>> queries;
  for (const ByteView bytes : ReadTableRows(pages, table)) {
    const RowValues values(bytes, table, pages.Format());
    QueryRow row;
    const auto id = static_cast<std::int32_t>(IntegerValue(values, objectId).value_or(0));
    row.Attribute = static_cast<std::uint8_t>(IntegerValue(values, attribute).value_or(0));
    if (order) {
      if (const std::optional<ByteView> stored = values.Value(*order)) {
        row.Order.assign(stored->Data(), stored->Data() + stored->Size());
      }
    }
    row.Name1 = textOf(values, name1);
    row.Name2 = textOf(values, name2);
    row.Expression = textOf(values, expression);
    if (flag) row.Flag = static_cast<std::int16_t>(IntegerValue(values, *flag).value_or(0));
    // Some files keep the size as 4 bytes of binary rather than a long.
    if (extra) {
      if (extra->Type == ColLong) {
        row.Extra = static_cast<std::int32_t>(IntegerValue(values, *extra).value_or(0));
      } else if (const std::optional<ByteView> stored = values.Value(*extra);
                 stored && stored->Size() == 4) {
        row.Extra = stored->I32(0);
      }
    }
    queries[id].push_back(std::move(row));
  }
  for (auto& [id, rows] : queries) {
    std::stable_sort(rows.begin(), rows.end(), [](const QueryRow& a, const QueryRow& b) {
      if (a.Attribute != b.Attribute) return a.Attribute < b.Attribute;
      return a.Order < b.Order;
    });
  }
  return queries;
}

}  // namespace tabulon::jet
