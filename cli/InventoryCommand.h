#pragma once
// tabulon-cli inventory: the inventory of inventory/Scan.h with a terminal's
// progress line (files per second, time left), problems on standard error,
// Ctrl-C as the stop, and the outcome as an exit status.

#include <iosfwd>
#include <string>

#include <inventory/Scan.h>

namespace tabulon {

// Returns 0 when every folder was walked and every file read and the
// index written; 1 when the walk was incomplete (stopped, bounded, a
// folder unreadable) or a file could not be written; 2 when the request
// was refused.
int RunInventoryCommand(const InventoryRequest& request, const std::string& program,
                        std::ostream& err);

}  // namespace tabulon
