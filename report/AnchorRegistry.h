#pragma once
// Anchor ids for the report's links: every new name gets the next number of
// one sequence, written "ID" and at least four upper-case hexadecimal digits
// (ID0000, ID0001, ... ID10000). Names that differ only in letter case are
// one name. The registry only grows, so a name keeps its id across all the
// reports of one program run; the window and the command-line run each own
// one.

#include <string>
#include <string_view>
#include <unordered_map>

#include <text/TextCompare.h>

namespace tabulon {

class AnchorRegistry {
 public:
  // The id of `name`, numbering it when it is new. The empty name is a name
  // like any other.
  std::string GetAnchorId(std::string_view name);

 private:
  std::unordered_map<std::string, std::size_t, NoCaseHash, NoCaseEqual> FAnchorNames;
};

}  // namespace tabulon
