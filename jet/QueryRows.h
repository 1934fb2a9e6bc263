#pragma once
// MSysQueries: a saved query is a set of rows sharing its catalog id, each
// row one part of the query named by its attribute code.
//
// Row columns:  ObjectId  long     the query's catalog id
//               Attribute byte     QueryAttribute
//               Order     binary   a counter restarting for each attribute
//               Name1     text     table, alias, parameter or target name
//               Name2     text     alias, target column, union part id
//               Expression memo    the part's expression or stored text
//               Flag      integer  the part's flags or type code
//               LvExtra   long     text parameter size (absent in Jet 3)

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <jet/JetText.h>
#include <jet/PageFile.h>

namespace tabulon::jet {

enum QueryAttribute : std::uint8_t {
  QueryStart = 0,
  QueryType = 1,
  QueryParameter = 2,
  QueryFlags = 3,
  QueryRemoteDatabase = 4,
  QueryTable = 5,
  QueryColumn = 6,
  QueryJoin = 7,
  QueryWhere = 8,
  QueryGroupBy = 9,
  QueryHaving = 10,
  QueryOrderBy = 11,
  QueryEnd = 255,
};

struct QueryRow {
  std::uint8_t Attribute = 0;
  std::vector<std::uint8_t> Order;
  // Absent values (NULL, or empty text) are empty: no part of a query
  // tells an empty text from a missing one.
  std::string Name1;
  std::string Name2;
  std::string Expression;
  std::int16_t Flag = 0;
  std::int32_t Extra = 0;
};

// The rows of every query in the table whose definition is at `page`, by
// ObjectId; each query's rows sorted by attribute, then by Order (the
// physical order of rows is not the query's). Throws FormatError on damage
// or when a needed column is missing.
std::map<std::int32_t, std::vector<QueryRow>> ReadQueryRows(PageFile& pages, std::uint32_t page,
                                                            const TextDecoder& text);

}  // namespace tabulon::jet
