#pragma once
// The program's icon, drawn in code (the same drawing as app/tabulon.svg,
// which the desktop uses): a sheet of a table with a highlighted heading
// row on a dark blue tile.

#include <QIcon>
#include <QPixmap>

namespace tabulon {

// The icon at `size` by `size` pixels.
QPixmap AppIconPixmap(int size);

// The icon at the usual sizes, for window titles and task bars.
QIcon AppIcon();

}  // namespace tabulon
