#pragma once
// The links between the files of an inventory as one SVG, laid out left to
// right by Graphviz: each front end with an arrow to each database its
// tables link to (labelled with how many tables), a target that was not
// found as a dashed red box under the path the front end stores, and each
// ODBC source as an ellipse with an arrow from every file that uses it.
// Files that neither link nor are linked to are not drawn. Past
// MaxLinkGraphFiles front ends, the rest are left to the index's table, and
// the title says how many.

#include <cstddef>
#include <string>
#include <vector>

#include <outputs/Inventory.h>

namespace tabulon::outputs {

inline constexpr std::size_t MaxLinkGraphFiles = 300;

// "" when no file links to another or to an ODBC source. Throws
// std::runtime_error when Graphviz fails.
std::string InventoryLinkSvg(const std::vector<InventoryRow>& rows);

}  // namespace tabulon::outputs
