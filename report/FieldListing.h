#pragma once
// One table's field listing: a heading and a row per field, with key flags
// derived from the table's indexes.

#include <set>
#include <string>

#include <dao/ObjectModel.h>
#include <report/ReportContext.h>
#include <text/TextCompare.h>

namespace tabulon {

// Field names of the keys of one table, compared without regard to case.
// The run owns one and the listing refills it for every table, so no
// table's keys reach another table's rows.
struct KeyNameSets {
  using NameSet = std::set<std::string, NoCaseLess>;
  NameSet PkFields;
  NameSet FkFields;
  NameSet UkFields;
  NameSet IxFields;
  void Clear();
};

// Writes the heading and the field table of `table`. The counts of indexes,
// of an index's fields and of the table's fields, and each field's
// description, are guarded; any other failure propagates.
void WriteFieldListing(ReportContext& context, KeyNameSets& keys, dao::TableDef& table);

}  // namespace tabulon
