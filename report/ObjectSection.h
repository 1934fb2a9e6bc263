#pragma once
// The parts of a database's section that --objects adds after the
// relationships: the saved queries (a list, then one entry per query with
// its parameters and SQL) and the other objects (forms, reports, macros,
// modules, data access pages) by kind. Also the source of a linked table
// that the table list and field listing show with the option.

#include <string>

#include <report/ReportContext.h>

namespace tabulon {

// Writes the query list, the query entries and the other objects of the
// open database. The counts of queries, of a query's parameters, of
// containers and of a container's documents are guarded, and so is a
// query's SQL (the entry then says why it has none); a date the catalog
// does not hold is a blank cell; any other failure propagates.
void WriteObjectSection(ReportContext& context);

// The description cell of a table in the table list: its description;
// with the option on and none stored, the source of a linked table
// (LinkSourceText); otherwise blank.
std::string TableDescriptionCell(ReportContext& context, dao::TableDef& table);

// "リンク先: <connect>　テーブル: <source table>" (escaped, passwords masked)
// for a linked table, "" for a local one or when either cannot be read.
std::string LinkSourceText(dao::TableDef& table);

}  // namespace tabulon
