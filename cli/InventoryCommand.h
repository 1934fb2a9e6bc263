#pragma once
// tabulon-cli inventory: every Access database under folders, each opened
// read-only on a worker of its own (one per core), described in one index
// (outputs/Inventory.h): index.html, inventory.csv and inventory.json in
// the output folder. Ctrl-C writes what is done, marked incomplete.

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include <dao/ObjectModel.h>

namespace tabulon {

struct InventoryRequest {
  std::vector<std::string> Folders;
  std::string Output = ".";
  int Workers = 0;  // 0: one per core
  // A file of passwords to try on protected files, one a line; it must be
  // readable by its owner only.
  std::string Passwords;
  std::string Program;
};

// Returns 0 when every folder was walked and every file read and the
// index written; 1 when the walk was incomplete (stopped, bounded, a
// folder unreadable) or a file could not be written.
int RunInventory(const InventoryRequest& request,
                 const std::function<std::unique_ptr<dao::Engine>()>& engine, std::ostream& err);

}  // namespace tabulon
