#pragma once
// The SQL text of a saved query, rebuilt from its MSysQueries rows as
// Access shows it in SQL view: clauses on lines of their own ("\n"),
// names bracketed where they need it, expressions as stored.
//
// Decisions where the rows leave the text open:
// - DISTINCT or DISTINCTROW comes before TOP n [PERCENT] when the flags
//   ask for both.
// - A name needs brackets when it holds an ASCII character other than a
//   letter, digit or "_"; other characters (Japanese names) do not.
// - Pass-through and data-definition text is given as stored, without the
//   NUL some files end it with.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <dao/ObjectModel.h>
#include <jet/QueryRows.h>

namespace tabulon::jet {

// Why a query's rows give no SQL. Unsupported: a kind of query this
// rebuild does not know; otherwise the rows contradict each other.
class QuerySqlError : public std::runtime_error {
 public:
  QuerySqlError(const std::string& what, bool unsupported)
      : std::runtime_error(what), FUnsupported(unsupported) {}
  bool Unsupported() const { return FUnsupported; }

 private:
  bool FUnsupported;
};

// The query's DAO type: the catalog flags' type bits, or where those are
// 0 the type row's code when it names another known type.
std::int32_t QueryTypeOf(std::uint32_t catalogFlags, const std::vector<QueryRow>& rows);

// The text of a parameter type as PARAMETERS writes it ("Text", "Long",
// ...), or "" for an unknown code.
std::string ParameterTypeWord(std::int16_t code);

// The query's SQL. `rows` are one query's rows as ReadQueryRows sorts them.
// Throws QuerySqlError.
std::string BuildQuerySql(const std::vector<QueryRow>& rows, std::int32_t type);

// The connect text of a pass-through query (its type row's Name1), "" for
// other queries.
std::string QueryConnect(const std::vector<QueryRow>& rows, std::int32_t type);

}  // namespace tabulon::jet
