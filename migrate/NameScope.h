#pragma once
// Names for one scope of a SQL schema (the tables and indexes of a
// database, the columns of a table): each unique without regard to letter
// case (SQLite compares names so) and no longer than the server keeps.

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

namespace tabulon::migrate {

class NameScope {
 public:
  // `byteLimit`: the longest name in UTF-8 bytes, 0 for no limit.
  explicit NameScope(std::size_t byteLimit) : FLimit(byteLimit) {}

  // `wanted` when it is free and short enough; otherwise `wanted`, cut at a
  // character boundary when too long, with the first free of "~1", "~2",
  // ... added ("~2", ... when only taken; "~1", ... for an empty name). The
  // name returned is taken from then on.
  std::string Claim(std::string_view wanted);

  // True when `name` has been claimed (letter case ignored).
  bool Taken(std::string_view name) const;

 private:
  std::size_t FLimit;
  std::set<std::string> FTaken;  // lower-cased
};

}  // namespace tabulon::migrate
