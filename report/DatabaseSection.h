#pragma once
// The start of one database's section: its heading, its property table
// (verbose only) and the list of all its tables.

#include <string>

#include <report/ReportContext.h>

namespace tabulon {

// The heading line of the database section `id` for the file `name`,
// linking back to the file index.
std::string DatabaseHeadingLine(const std::string& id, const std::string& name);

// The heading line and, when verbose, the database's property table.
void WriteDatabaseHeading(ReportContext& context);

// The table list: one row per table of the database, system, hidden and
// linked tables included. Returns the table count, read once. Only each
// table's description is guarded; any other failure propagates, and no half
// row is written.
int WriteTableList(ReportContext& context);

}  // namespace tabulon
