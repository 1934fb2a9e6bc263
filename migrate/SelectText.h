#pragma once
// A union query keeps its parts as Access SQL text, not as the structured
// parts of other queries: this reads the plain SELECTs such text is made
// of back into those parts (dao::QueryPart, as a saved query keeps them),
// so that one translation serves both. Read: SELECT [DISTINCT] columns
// [AS name], FROM tables [AS alias] joined by INNER, LEFT or RIGHT JOIN
// ... ON, WHERE, GROUP BY, HAVING, ORDER BY [ASC|DESC], and the UNION
// [ALL] between them. Anything else (subqueries, parenthesised joins,
// TOP, DISTINCTROW) is refused with the reason.

#include <string>
#include <string_view>
#include <vector>

#include <dao/ObjectModel.h>

namespace tabulon::migrate {

struct UnionText {
  std::vector<std::vector<dao::QueryPart>> Selects;
  // Between Selects[i] and Selects[i + 1]: UNION ALL (true) or UNION.
  std::vector<bool> All;
};

// The SELECTs of `text`, in order. Throws Refused (migrate/AccessTokens.h).
UnionText ReadUnionText(std::string_view text);

}  // namespace tabulon::migrate
