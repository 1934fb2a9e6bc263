#pragma once
// ER diagrams of one database as SVG: tables as boxes with their key
// columns (PK and FK marked), relationships as edges from the referenced
// table to the referencing one, labelled with their field pairs and
// whether they are one-to-many or one-to-one, enforced or not, and which
// cascades they carry (an unenforced one is dashed).
//
// Each connected group of related tables is laid out on its own by
// Graphviz (its dot layout, used as a library) and the groups are set in
// rows on a sheet, the largest first, each framed and numbered: one
// layout of many unrelated groups would stretch into one long strip. A
// table alone and a pair of tables with one relationship are drawn here,
// in the same look, with boxes sized from an estimate of the text: a large
// database has hundreds of them, and Graphviz's measuring of their text
// would cost more than the rest of the work.
// Up to MaxTablesDrawnWhole tables, the tables without relationships are
// drawn too; above, they are left out, as the title says. When every group
// fits on one sheet of about MaxSheetWidth x MaxSheetHeight points, that
// sheet is the diagram; else the groups are spread over numbered sheets
// and the diagram is an overview, each group a box linking to its sheet.
// A group larger than a sheet gets a sheet of its own at its own size.
//
// Names are escaped for XML and for Graphviz's own escape sequences, so
// each is drawn as it is; characters XML 1.0 forbids become blanks. The
// text's font list starts with CJK families so that Japanese names render.

#include <string>
#include <string_view>
#include <vector>

#include <schema/Schema.h>

namespace tabulon::outputs {

inline constexpr std::size_t MaxTablesDrawnWhole = 150;
inline constexpr double MaxSheetWidth = 3000;   // points: about three screens
inline constexpr double MaxSheetHeight = 2400;  // points: about three screens

struct DiagramFile {
  std::string Name;  // "<stem>.svg"; the sheets of an overview "<stem>_<n>.svg"
  std::string Svg;
};

// The diagram of `database`, titled with `name` (the database's file
// name), as the files to write side by side; the first is the one to link.
// Throws std::runtime_error when Graphviz fails.
std::vector<DiagramFile> DatabaseSvgDiagrams(const schema::Database& database,
                                             std::string_view name, std::string_view stem);

// `text` for XML character data or an attribute value.
std::string XmlEscape(std::string_view text);

}  // namespace tabulon::outputs
