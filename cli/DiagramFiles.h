#pragma once
// tabulon-cli --diagram: each database's ER diagram (outputs/SvgDiagram.h)
// written beside the report as "<report name>_<file id>.svg" (a large
// one's sheets as "..._<file id>_<n>.svg"), each through a temporary file
// and a rename, and linked from the database's section.

#include <iosfwd>
#include <string>

#include <dao/Dao360.h>
#include <report/ReportRun.h>

namespace tabulon {

// The hook for ReportSettings::DatabaseDiagram: the schema is read on the
// report's thread, the drawing and writing done on one of their own while
// the section is written. A diagram that cannot be made or written is
// named on `err`, sets `failed` and is not linked.
DiagramHook DiagramWriter(TDao360& dao, const std::string& program, std::ostream& err,
                          bool& failed);

}  // namespace tabulon
