#pragma once
// The order to create tables in so that each foreign key refers to a table
// already there; where the keys go round in a cycle, the keys that close
// it are left for afterwards.

#include <cstddef>
#include <vector>

namespace tabulon::migrate {

// Table `Table` has a foreign key to table `References` (indexes into the
// caller's table list).
struct Dependency {
  std::size_t Table = 0;
  std::size_t References = 0;
};

struct CreationOrder {
  std::vector<std::size_t> Tables;  // every table once
  // Per dependency, in the order given: true when its referenced table
  // comes after its own (a cycle); a table's references to itself never.
  std::vector<bool> Later;
};

// Tables are taken in their given order, each after the tables it refers
// to (depth first), so an order without cycles changes only where it must.
// Dependencies naming a table outside 0..count-1 are ignored.
CreationOrder OrderTables(std::size_t count, const std::vector<Dependency>& dependencies);

}  // namespace tabulon::migrate
