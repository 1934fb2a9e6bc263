#include <jet/ComplexColumns.h>

#include <string_view>

#include <jet/DataRow.h>
#include <jet/TableDefinition.h>

namespace tabulon::jet {

namespace {

struct ComplexTypeName {
  std::string_view Suffix;
  std::int32_t DaoType;
};

// DAO's codes: dbAttachment and dbComplexByte .. dbComplexText.
constexpr ComplexTypeName ComplexTypeNames[] = {
    {"Attachment", 101}, {"UnsignedByte", 102}, {"Short", 103},
    {"Long", 104},       {"IEEESingle", 105},   {"IEEEDouble", 106},
    {"GUID", 107},       {"Decimal", 108},      {"Text", 109},
};

constexpr std::string_view ComplexTypePrefix = "MSysComplexType_";

std::int32_t DaoTypeOfTable(std::string_view name) {
  if (name.substr(0, ComplexTypePrefix.size()) != ComplexTypePrefix) return 0;
  const std::string_view suffix = name.substr(ComplexTypePrefix.size());
  for (const auto& entry : ComplexTypeNames) {
    if (entry.Suffix == suffix) return entry.DaoType;
  }
  return 0;
}

}  // namespace

std::map<std::uint32_t, std::int32_t> ReadComplexTypes(PageFile& pages, const TextDecoder& text,
                                                       const std::vector<CatalogEntry>& catalog) {
  std::map<std::uint32_t, std::int32_t> types;
  const CatalogEntry* columns = nullptr;
  for (const auto& entry : catalog) {
    if (entry.Type == ObjectLocalTable && entry.Name == "MSysComplexColumns") columns = &entry;
  }
  if (columns == nullptr) return types;
  const TableDefinition table = ReadTableDefinition(pages, columns->TablePage(), text);
  const ColumnDefinition* complexId = table.ColumnByName("ComplexID");
  const ColumnDefinition* typeObject = table.ColumnByName("ComplexTypeObjectID");
  if (complexId == nullptr || typeObject == nullptr) {
    throw FormatError("MSysComplexColumns に必要な列がありません");
  }
  for (const ByteView bytes : ReadTableRows(pages, table)) {
    const RowValues row(bytes, table, pages.Format());
    const auto id = IntegerValue(row, *complexId);
    const auto object = IntegerValue(row, *typeObject);
    if (!id || !object) continue;
    for (const auto& entry : catalog) {
      if (entry.Id == *object) types[static_cast<std::uint32_t>(*id)] = DaoTypeOfTable(entry.Name);
    }
  }
  return types;
}

}  // namespace tabulon::jet
