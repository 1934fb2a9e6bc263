#pragma once
// tabulon-cli --diagram: each database's ER diagram (outputs/SvgDiagram.h)
// written beside the report as "<report name>_<file id>.svg", through a
// temporary file and a rename, and linked from the database's section.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include <dao/Dao360.h>

namespace tabulon {

using DiagramHook = std::function<std::optional<std::string>(
    dao::Database&, const std::filesystem::path&, const std::string&)>;

// The hook for ReportSettings::DatabaseDiagram. A diagram that cannot be
// made or written is named on `err`, sets `failed` and is not linked.
DiagramHook DiagramWriter(TDao360& dao, const std::string& program, std::ostream& err,
                          bool& failed);

}  // namespace tabulon
