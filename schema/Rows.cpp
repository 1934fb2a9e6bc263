#include <schema/Rows.h>

#include <utility>

namespace tabulon::schema {

RowReader::RowReader(dao::Database& database, const std::string& table, std::vector<int> fields)
    : FRows(database.TableDefs().Item(table).OpenRecordset()), FFields(std::move(fields)) {}

bool RowReader::Next(std::vector<Member<dao::Variant>>& row) {
  // The recordset stands on the first row when opened.
  if (FStarted && !FRows->Eof()) FRows->MoveNext();
  FStarted = true;
  if (FRows->Eof()) return false;
  row.clear();
  row.reserve(FFields.size());
  for (const int field : FFields) {
    row.push_back(ReadMember([&] { return FRows->Collect(field); }));
  }
  return true;
}

}  // namespace tabulon::schema
