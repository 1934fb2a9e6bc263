#pragma once
// An ER diagram of one database as SVG, laid out by Graphviz (its dot
// layout, used as a library): tables as boxes with their key columns (PK
// and FK marked), relationships as edges from the referenced table to the
// referencing one, labelled with their field pairs and whether they are
// one-to-many or one-to-one, enforced or not, and which cascades they
// carry (an unenforced one is dashed).
//
// Up to MaxTablesDrawnWhole tables, every table but the system ones is
// drawn; above, each connected group of related tables is drawn as a
// cluster of its own and tables without relationships are left out, as
// the SVG's title says. Names are escaped for XML and for Graphviz's own
// escape sequences, so each is drawn as it is; characters XML 1.0 forbids
// become blanks. The text's font list starts with CJK families so
// that Japanese names render.

#include <string>
#include <string_view>

#include <schema/Schema.h>

namespace tabulon::outputs {

inline constexpr std::size_t MaxTablesDrawnWhole = 150;

// The diagram of `database`, titled with `name` (the database's file
// name). Throws std::runtime_error when Graphviz fails.
std::string DatabaseSvgDiagram(const schema::Database& database, std::string_view name);

// `text` for XML character data or an attribute value.
std::string XmlEscape(std::string_view text);

}  // namespace tabulon::outputs
