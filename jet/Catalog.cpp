#include <jet/Catalog.h>

#include <jet/DataRow.h>
#include <jet/LongValue.h>
#include <jet/TableDefinition.h>

namespace tabulon::jet {

// How messages name the table.
constexpr std::string_view Owner = "カタログ";

namespace {

// A catalog row that points past the end of the file means the file was cut
// short and that object is gone: the open is refused rather than the report
// finding it out table by table. Only the numbers are compared; nothing more
// is read.
void CheckInsideFile(const CatalogEntry& entry, const PageFile& pages) {
  const auto outside = [&](std::string_view what, std::uint32_t page) {
    return FormatError("'" + entry.Name + "' の" + std::string(what) + "のページ " +
                       std::to_string(page) + " はファイルの範囲外です（全 " +
                       std::to_string(pages.PageCount()) + " ページ）");
  };
  if (entry.Type == ObjectLocalTable && entry.TablePage() >= pages.PageCount())
    throw outside("テーブル定義", entry.TablePage());
  const std::vector<std::uint8_t>& field = entry.PropertyField;
  if (field.size() < LongValueHeaderSize) return;
  if (field[3] != LongValueSingle && field[3] != LongValueChain) return;
  const ByteView header(field, "長い値");
  const std::uint32_t page = PointerPage(header.U32(4));
  if (page >= pages.PageCount()) throw outside("プロパティ", page);
}

}  // namespace

std::vector<CatalogEntry> ReadCatalog(PageFile& pages, const TextDecoder& text) {
  const TableDefinition table = ReadTableDefinition(pages, CatalogTdefPage, text);
  const ColumnDefinition& id = table.RequiredColumn("Id", Owner);
  const ColumnDefinition& parentId = table.RequiredColumn("ParentId", Owner);
  const ColumnDefinition& name = table.RequiredColumn("Name", Owner);
  const ColumnDefinition& type = table.RequiredColumn("Type", Owner);
  const ColumnDefinition& flags = table.RequiredColumn("Flags", Owner);
  const ColumnDefinition* dateCreate = table.ColumnByName("DateCreate");
  const ColumnDefinition* dateUpdate = table.ColumnByName("DateUpdate");
  const ColumnDefinition* database = table.ColumnByName("Database");
  const ColumnDefinition* foreignName = table.ColumnByName("ForeignName");
  const ColumnDefinition* connect = table.ColumnByName("Connect");
  const ColumnDefinition* lvProp = table.ColumnByName("LvProp");

  std::vector<CatalogEntry> entries;
  for (const ByteView bytes : ReadTableRows(pages, table)) {
    const RowValues row(bytes, table, pages.Format());
    CatalogEntry entry;
    entry.Id = static_cast<std::int32_t>(IntegerValue(row, id).value_or(0));
    entry.ParentId = static_cast<std::int32_t>(IntegerValue(row, parentId).value_or(0));
    entry.Name = ReadTextValue(pages, row, name, text).value_or("");
    entry.Type = static_cast<std::int16_t>(IntegerValue(row, type).value_or(0));
    entry.Flags = static_cast<std::uint32_t>(IntegerValue(row, flags).value_or(0));
    if (dateCreate) entry.DateCreate = DateValue(row, *dateCreate);
    if (dateUpdate) entry.DateUpdate = DateValue(row, *dateUpdate);
    if (entry.IsLinked()) {
      // Only linked tables need these; reading them for every object would
      // cost long-value reads at open.
      if (database) entry.Database = ReadTextValue(pages, row, *database, text).value_or("");
      if (foreignName)
        entry.ForeignName = ReadTextValue(pages, row, *foreignName, text).value_or("");
      if (connect) entry.Connect = ReadTextValue(pages, row, *connect, text).value_or("");
    }
    if (lvProp) {
      if (const std::optional<ByteView> field = row.Value(*lvProp)) {
        entry.PropertyField.assign(field->Data(), field->Data() + field->Size());
      }
    }
    CheckInsideFile(entry, pages);
    entries.push_back(std::move(entry));
  }
  return entries;
}

dao::Variant CatalogDate(const std::optional<double>& date) {
  if (!date) return dao::Null{};
  return dao::Date{*date};
}

}  // namespace tabulon::jet
