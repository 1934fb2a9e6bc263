#pragma once
// A local table's rows read through the object model, one row at a time,
// each value kept as read or as the engine's text of why it could not be
// (a row is never shortened or skipped for one bad value).

#include <memory>
#include <string>
#include <vector>

#include <dao/ObjectModel.h>
#include <schema/Member.h>

namespace tabulon::schema {

class RowReader {
 public:
  // The rows of the table `table`, the values of the fields at `fields`
  // (positions in the table's Fields). Throws dao::EngineError where the
  // rows cannot be read at all.
  RowReader(dao::Database& database, const std::string& table, std::vector<int> fields);

  // The next row's values into `row`, one per field asked for; false past
  // the last row. Throws dao::EngineError where the walk itself fails (the
  // rows after it cannot be reached).
  bool Next(std::vector<Member<dao::Variant>>& row);

 private:
  std::unique_ptr<dao::Recordset> FRows;
  std::vector<int> FFields;
  bool FStarted = false;
};

}  // namespace tabulon::schema
