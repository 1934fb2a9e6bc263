#pragma once
// The FROM of a saved query as Access stores it: its tables, and join
// parts that each join two names (tables or aliases, on their own or
// already joined) on a condition. Merged in the order stored they nest:
// a join of two names already in one join adds its condition to it.
// Both the SQL text of a query and its carrying elsewhere build on this.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tabulon::dao {

// One join part.
struct FromJoin {
  std::string Left;       // a table's name or alias
  std::string Right;      // the other's
  std::string On;         // the condition, as stored
  std::int32_t Type = 0;  // 1 inner, 2 left, 3 right
};

struct FromNode {
  // A table: its name or alias, and its place among the tables given;
  // no place for a name only a join gives.
  std::string Key;
  std::optional<std::size_t> Table;
  bool IsJoin = false;
  std::size_t Left = 0, Right = 0;  // a join's two sides
  std::int32_t Type = 0;
  std::vector<std::string> On;  // the conditions, the latest first
};

struct FromTree {
  std::vector<FromNode> Nodes;
  std::vector<std::size_t> Top;  // the FROM list's items, in order
};

// Joins nest at most this deep; more is refused.
inline constexpr std::size_t MaxFromJoins = 128;

// The tree of `tableKeys` (each table's name or alias) and `joins`.
// Throws std::invalid_argument, the reason in Japanese, for too many
// joins or two names joined in two ways.
FromTree BuildFromTree(const std::vector<std::string>& tableKeys,
                       const std::vector<FromJoin>& joins);

}  // namespace tabulon::dao
