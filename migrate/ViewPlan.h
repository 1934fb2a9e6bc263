#pragma once
// Saved select queries as views, translated from the parts Access keeps
// for each (not from its SQL text): sources and nested joins, columns
// with their names, WHERE, GROUP BY, HAVING, ORDER BY, DISTINCT, TOP n;
// unions (their parts read back from text by migrate/SelectText.h);
// expressions through migrate/QueryExpression.h. A query built on queries
// comes after them. What cannot be carried is not half carried: the query
// is listed with the first thing that stops it.

#include <string>
#include <vector>

#include <migrate/Dialect.h>
#include <migrate/NameScope.h>
#include <migrate/QueryExpression.h>
#include <schema/Schema.h>

namespace tabulon::migrate {

// A column of a table or view a query may select from.
struct ViewColumn {
  std::string AccessName;
  QueryField Field;  // Sql: the column's name alone, quoted
};

// A created table or view.
struct ViewSource {
  std::string AccessName;
  std::string Sql;  // quoted
  std::vector<ViewColumn> Columns;
  bool Keyed = false;  // a table with a primary key: its rows are distinct
};

struct PlannedView {
  std::string AccessName;
  std::string SqlName;  // as the server keeps it, unquoted
  std::string Sql;      // quoted
  std::string Create;   // "CREATE VIEW ... AS\nSELECT ...;\n"
  std::vector<ViewColumn> Columns;
};

struct NotCarriedQuery {
  std::string Query;
  std::string Reason;     // Japanese
  std::string AccessSql;  // as Access shows it, "" when unreadable
};

struct ViewPlans {
  std::vector<PlannedView> Views;  // in an order where each one's sources exist
  std::vector<NotCarriedQuery> NotCarried;
  std::vector<std::string> Renamed;  // "view name changed" notes' texts, by query
};

// The views of `queries` over `tables`; their names are claimed in
// `names`, which the tables' names are in.
ViewPlans PlanViews(const schema::List<schema::Query>& queries,
                    const std::vector<ViewSource>& tables, NameScope& names, Dialect dialect);

}  // namespace tabulon::migrate
