#include <migrate/ViewPlan.h>

#include <map>
#include <optional>
#include <stdexcept>

#include <dao/ObjectModel.h>
#include <dao/QueryJoins.h>
#include <migrate/AccessTokens.h>
#include <migrate/SelectText.h>
#include <text/TextCompare.h>

namespace tabulon::migrate {

namespace {

using namespace dao::query_part;

// A query's source, as its expressions name it.
struct Bound {
  std::string Key;   // the alias, or the table's own name
  std::string Sql;   // how SQL names it in the query: the alias or the table, quoted
  std::string From;  // its text in FROM
  const ViewSource* Source = nullptr;
};

// Why a query waits: a source that is a query not planned yet.
struct Waiting {
  std::string On;
};

std::string Joined(const std::vector<std::string>& parts, std::string_view separator) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i)
    text += (i > 0 ? std::string(separator) : "") + parts[i];
  return text;
}

std::vector<const dao::QueryPart*> PartsOf(const std::vector<dao::QueryPart>& parts,
                                           std::int32_t kind) {
  std::vector<const dao::QueryPart*> found;
  for (const dao::QueryPart& part : parts) {
    if (part.Kind == kind) found.push_back(&part);
  }
  return found;
}

std::string TypeProblem(std::int32_t type) {
  switch (type) {
    case dao::dbQSelect:
      return "";
    case dao::dbQCrosstab:
      return "クロス集計クエリ（TRANSFORM ... PIVOT）はビューになりません";
    case dao::dbQDelete:
    case dao::dbQUpdate:
    case dao::dbQAppend:
    case dao::dbQMakeTable:
      return "アクション クエリ（テーブル作成・追加・更新・削除）はビューになりません";
    case dao::dbQDDL:
      return "データ定義クエリはビューになりません";
    case dao::dbQSQLPassThrough:
      return "パススルー クエリ（接続先のサーバーで動く SQL）はビューにしません";
    default:
      return "種類 " + std::to_string(type) + " のクエリはビューになりません";
  }
}

class Planner {
 public:
  Planner(const std::vector<ViewSource>& tables, NameScope& names, Dialect dialect)
      : FTables(tables), FNames(names), FDialect(dialect) {}

  ViewPlans Plan(const schema::List<schema::Query>& queries) {
    if (!queries.Ok()) {
      FPlans.NotCarried.push_back({"", "クエリの一覧が読めません: " + queries.Error(), ""});
      return std::move(FPlans);
    }
    std::vector<const schema::Query*> pending;
    for (const schema::Member<schema::Query>& item : *queries) {
      if (!item.Ok() || !item->Name.Ok()) {
        FPlans.NotCarried.push_back(
            {"", "クエリが読めません: " + (item.Ok() ? item->Name.Error() : item.Error()), ""});
        continue;
      }
      pending.push_back(&*item);
      FPending[ToLowerText(*item->Name)] = true;
    }
    // Each round plans the queries whose sources exist; bounded by their number.
    for (bool progress = true; progress && !pending.empty();) {
      progress = false;
      std::vector<const schema::Query*> still;
      for (const schema::Query* query : pending) {
        std::optional<std::string> waiting;
        std::string reason;
        try {
          PlanOne(*query);
        } catch (const Refused& e) {
          reason = e.what();
        } catch (const Waiting& e) {
          waiting = e.On;
        }
        if (waiting) {
          still.push_back(query);
          continue;
        }
        progress = true;
        FPending.erase(ToLowerText(*query->Name));
        if (!reason.empty()) {
          FRefused[ToLowerText(*query->Name)] = true;
          FPlans.NotCarried.push_back({*query->Name, reason, query->Sql.ValueOr("")});
        }
      }
      pending = std::move(still);
    }
    for (const schema::Query* query : pending) {
      FPlans.NotCarried.push_back(
          {*query->Name, "参照し合うクエリの輪の中にあります", query->Sql.ValueOr("")});
    }
    return std::move(FPlans);
  }

 private:
  bool Sqlite() const { return FDialect == Dialect::Sqlite; }

  const ViewSource* Created(std::string_view name) const {
    for (const auto* list : {&FTables, &FViewSources}) {
      for (const ViewSource& source : *list) {
        if (source.AccessName == name) return &source;
      }
      for (const ViewSource& source : *list) {
        if (EqualsNoCase(source.AccessName, name)) return &source;
      }
    }
    return nullptr;
  }

  const ViewSource& SourceNamed(const std::string& name) const {
    if (const ViewSource* source = Created(name)) return *source;
    const std::string lower = ToLowerText(name);
    if (FPending.count(lower) != 0) throw Waiting{name};
    if (FRefused.count(lower) != 0) {
      throw Refused("参照するクエリ \"" + name + "\" がビューになりません");
    }
    throw Refused("\"" + name + "\" は移行されるテーブルでもクエリでもありません");
  }

  void PlanOne(const schema::Query& query) {
    if (!query.Type.Ok()) throw Refused("種類が読めません: " + query.Type.Error());
    if (*query.Type != dao::dbQSetOperation) {
      if (const std::string problem = TypeProblem(*query.Type); !problem.empty()) {
        throw Refused(problem);
      }
    }
    if (!query.Parts.Ok()) throw Refused("クエリの中身が読めません: " + query.Parts.Error());
    const Select select =
        *query.Type == dao::dbQSetOperation ? Union(*query.Parts) : BuildSelect(*query.Parts, true);
    PlannedView view;
    view.AccessName = *query.Name;
    view.SqlName = FNames.Claim(view.AccessName);
    if (view.SqlName != view.AccessName) {
      FPlans.Renamed.push_back("クエリ \"" + view.AccessName + "\" のビューの名前を \"" +
                               view.SqlName + "\" に変えました");
    }
    view.Sql = QuoteName(view.SqlName);
    view.Create = "CREATE VIEW " + view.Sql + " AS\n" + select.Sql + ";\n";
    view.Columns = select.Columns;
    FViewSources.push_back({view.AccessName, view.Sql, select.Columns, false});
    FPlans.Views.push_back(std::move(view));
  }

  struct Select {
    std::string Sql;
    std::vector<ViewColumn> Columns;
  };

  // One SELECT of the parts; `whole` when it is the query itself (a
  // union's part takes no ORDER BY or TOP of its own).
  Select BuildSelect(const std::vector<dao::QueryPart>& parts, bool whole) const {
    if (const auto parameters = PartsOf(parts, Parameter); !parameters.empty()) {
      throw Refused("パラメーター クエリ（[" + parameters.front()->Name1 +
                    "]）はビューになりません");
    }
    if (!PartsOf(parts, Remote).empty()) {
      throw Refused("ほかのデータベースのテーブルを参照しています");
    }
    const auto flagsParts = PartsOf(parts, Flags);
    const std::int32_t flags = flagsParts.empty() ? 0 : flagsParts.front()->Flag;
    const std::string top = flagsParts.empty() ? "" : flagsParts.front()->Name1;
    if ((flags & SelectOwnerAccess) != 0) {
      throw Refused("WITH OWNERACCESS OPTION は移行できません");
    }
    if (!whole && ((flags & SelectTop) != 0 || !PartsOf(parts, OrderBy).empty())) {
      throw Refused("ユニオンの部分の TOP や ORDER BY は移行できません");
    }

    // Sources and their names.
    std::vector<Bound> bound;
    std::vector<std::string> keys;
    for (const dao::QueryPart* table : PartsOf(parts, Table)) {
      if (!table->Expression.empty()) throw Refused("ほかのデータベースのテーブルを参照しています");
      if (table->Name1.empty()) throw Refused("サブクエリの FROM は移行できません");
      Bound b;
      b.Source = &SourceNamed(table->Name1);
      b.Key = table->Name2.empty() ? table->Name1 : table->Name2;
      b.Sql = table->Name2.empty() ? b.Source->Sql : QuoteName(table->Name2);
      b.From = b.Source->Sql + (table->Name2.empty() ? "" : " AS " + QuoteName(table->Name2));
      bound.push_back(std::move(b));
      keys.push_back(bound.back().Key);
    }
    if (bound.empty()) throw Refused("テーブルを参照しないクエリは移行できません");
    const QueryNames names = [&bound](std::string_view source,
                                      std::string_view name) -> std::optional<QueryField> {
      std::optional<QueryField> found;
      for (const Bound& b : bound) {
        if (!source.empty() && !EqualsNoCase(b.Key, source)) continue;
        for (const ViewColumn& column : b.Source->Columns) {
          if (!EqualsNoCase(column.AccessName, name)) continue;
          if (found)
            throw Refused("[" + std::string(name) + "] がどのテーブルのものかあいまいです");
          found = column.Field;
          found->Sql = b.Sql + "." + column.Field.Sql;
        }
      }
      return found;
    };
    const auto translate = [&](const std::string& expression, std::string_view where) {
      QueryTranslation translated = TranslateQueryExpression(expression, names, FDialect);
      if (!translated.Problem.empty()) {
        throw Refused(std::string(where) + " " + expression + ": " + translated.Problem);
      }
      return translated.Value;
    };
    const auto condition = [&](const std::string& expression, std::string_view where) {
      QueryValue value = translate(expression, where);
      if (value.Kind != ValueKind::Boolean && value.Kind != ValueKind::None) {
        throw Refused(std::string(where) + " " + expression + " が条件ではありません");
      }
      return value;
    };

    // FROM, joins nested as Access stores them.
    std::vector<dao::FromJoin> joins;
    for (const dao::QueryPart* join : PartsOf(parts, Join)) {
      joins.push_back({join->Name1, join->Name2, join->Expression, join->Flag});
    }
    dao::FromTree tree;
    try {
      tree = dao::BuildFromTree(keys, joins);
    } catch (const std::invalid_argument& e) {
      throw Refused(e.what());
    }
    std::vector<std::string> from;
    for (const std::size_t top_ : tree.Top)
      from.push_back(FromText(tree, top_, bound, condition, true));

    // Columns and their names.
    std::vector<std::string> items;
    std::vector<ViewColumn> columns;
    std::vector<std::string> owners;  // the source a column is taken whole from, else ""
    int unnamed = 1000;
    for (const dao::QueryPart* column : PartsOf(parts, Column)) {
      if (const std::string owner = StarOwner(column->Expression); !owner.empty()) {
        // [T].*: every column of that source.
        const Bound* b = nullptr;
        for (const Bound& candidate : bound) {
          if (EqualsNoCase(candidate.Key, owner)) b = &candidate;
        }
        if (b == nullptr)
          throw Refused("列 " + column->Expression + " の \"" + owner + "\" が FROM にありません");
        for (const ViewColumn& each : b->Source->Columns) {
          items.push_back(b->Sql + "." + each.Field.Sql);
          columns.push_back({each.AccessName, each.Field});
          owners.push_back(b->Key);
        }
        continue;
      }
      const QueryValue value = translate(column->Expression, "列");
      std::string name = column->Name1;
      std::string owner;
      if (name.empty()) name = PlainName(column->Expression, owner);
      if (name.empty()) name = "Expr" + std::to_string(unnamed++);
      items.push_back(value.Sql);
      columns.push_back({name, {"", value.Kind, value.Integer, value.TextNumber}});
      owners.push_back(column->Name1.empty() ? owner : "");
    }
    if ((flags & SelectAllFields) != 0) {
      for (const Bound& b : bound) {
        for (const ViewColumn& column : b.Source->Columns) {
          items.push_back(b.Sql + "." + column.Field.Sql);
          columns.push_back({column.AccessName, column.Field});
          owners.push_back(b.Key);
        }
      }
    }
    if (items.empty()) throw Refused("列がありません");
    // Two columns of one name: Access names those taken whole from a
    // source "source.column".
    std::map<std::string, int> seen;
    for (const ViewColumn& column : columns) ++seen[ToLowerText(column.AccessName)];
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (seen[ToLowerText(columns[i].AccessName)] > 1 && !owners[i].empty()) {
        columns[i].AccessName = owners[i] + "." + columns[i].AccessName;
      }
      columns[i].Field.Sql = QuoteName(columns[i].AccessName);
      items[i] += " AS " + columns[i].Field.Sql;
    }

    std::string predicate;
    if ((flags & SelectDistinct) != 0) predicate = "DISTINCT ";
    if ((flags & SelectDistinctRow) != 0) {
      // Distinct rows of one table with a key are all its rows.
      if (bound.size() != 1 || !bound.front().Source->Keyed) {
        throw Refused("DISTINCTROW は主キーのある 1 つのテーブルのクエリでだけ移行できます");
      }
    }
    std::string sql = "SELECT " + predicate + Joined(items, ", ") + "\nFROM " + Joined(from, ", ");
    if (const auto where = PartsOf(parts, Where);
        !where.empty() && !where.front()->Expression.empty()) {
      sql += "\nWHERE " + condition(where.front()->Expression, "WHERE").Sql;
    }
    std::vector<std::string> groups;
    for (const dao::QueryPart* group : PartsOf(parts, GroupBy)) {
      groups.push_back(translate(group->Expression, "GROUP BY").Sql);
    }
    if (!groups.empty()) sql += "\nGROUP BY " + Joined(groups, ", ");
    if (const auto having = PartsOf(parts, Having);
        !having.empty() && !having.front()->Expression.empty()) {
      sql += "\nHAVING " + condition(having.front()->Expression, "HAVING").Sql;
    }
    std::vector<std::string> order;
    bool textOrder = false;
    for (const dao::QueryPart* item : PartsOf(parts, OrderBy)) {
      const QueryValue value = translate(item->Expression, "ORDER BY");
      const bool descending = EqualsNoCase(item->Name1, "D");
      textOrder = textOrder || value.Kind == ValueKind::Text;
      // Text in the server's order (TOP over it is refused below).
      order.push_back(
          OrderKey(value.TextNumber ? "CAST(" + value.Sql + " AS REAL)" : value.Sql, descending));
    }
    if (!order.empty()) sql += "\nORDER BY " + Joined(order, ", ");
    if ((flags & SelectTop) != 0) {
      if ((flags & SelectPercent) != 0) throw Refused("TOP " + top + " PERCENT は移行できません");
      if (top.empty() || top.find_first_not_of("0123456789") != std::string::npos) {
        throw Refused("TOP の数 " + top + " が読めません");
      }
      if (!order.empty()) {
        if (textOrder) throw Refused("文字列で並べる TOP は移行できません（照合順序が違います）");
        // Access's TOP keeps the rows tied with the last.
        if (Sqlite()) throw Refused("同じ順位の行も含める TOP は SQLite では書けません");
        sql += "\nFETCH FIRST " + top + " ROWS WITH TIES";
      } else {
        sql += "\nLIMIT " + top;
      }
    }

    return {sql, columns};
  }

  // An ORDER BY key, Nulls first as Access sorts them (SQLite's own order).
  std::string OrderKey(const std::string& sql, bool descending) const {
    return sql + (descending ? " DESC" : "") +
           (Sqlite()     ? ""
            : descending ? " NULLS LAST"
                         : " NULLS FIRST");
  }

  // A union: its two stored parts (each SQL text, which may hold further
  // unions) read back into parts and translated as other queries are.
  Select Union(const std::vector<dao::QueryPart>& parts) const {
    const auto flagsParts = PartsOf(parts, Flags);
    const std::int32_t flags = flagsParts.empty() ? 0 : flagsParts.front()->Flag;
    UnionText whole;
    for (const std::string_view id : {UnionPart1, UnionPart2}) {
      const dao::QueryPart* found = nullptr;
      for (const dao::QueryPart* table : PartsOf(parts, Table)) {
        if (table->Name2 == id) found = table;
      }
      if (found == nullptr) throw Refused("ユニオンの部分 " + std::string(id) + " がありません");
      UnionText read = ReadUnionText(found->Expression);
      // Between the two stored parts: UNION unless the flags say ALL.
      if (!whole.Selects.empty()) whole.All.push_back((flags & SelectDistinct) == 0);
      whole.Selects.insert(whole.Selects.end(), read.Selects.begin(), read.Selects.end());
      whole.All.insert(whole.All.end(), read.All.begin(), read.All.end());
    }
    std::vector<Select> selects;
    for (const std::vector<dao::QueryPart>& select : whole.Selects) {
      selects.push_back(BuildSelect(select, false));
    }
    Select out = selects.front();
    for (std::size_t i = 1; i < selects.size(); ++i) {
      if (selects[i].Columns.size() != out.Columns.size()) {
        throw Refused("ユニオンの部分の列の数が違います");
      }
      for (std::size_t c = 0; c < out.Columns.size(); ++c) {
        QueryField& mine = out.Columns[c].Field;
        const QueryField& theirs = selects[i].Columns[c].Field;
        if (mine.Kind == ValueKind::None) mine.Kind = theirs.Kind;
        if (theirs.Kind != ValueKind::None && theirs.Kind != mine.Kind) {
          throw Refused("ユニオンの部分の列 " + out.Columns[c].AccessName + " の型が違います");
        }
        mine.Integer = mine.Integer && theirs.Integer;
        mine.TextNumber = mine.TextNumber || theirs.TextNumber;
      }
      out.Sql += whole.All[i - 1] ? "\nUNION ALL\n" : "\nUNION\n";
      out.Sql += selects[i].Sql;
    }
    // The union's order names its columns.
    const std::vector<ViewColumn>& columns = out.Columns;
    const QueryNames names = [&columns](std::string_view,
                                        std::string_view name) -> std::optional<QueryField> {
      for (const ViewColumn& column : columns) {
        if (EqualsNoCase(column.AccessName, name)) return column.Field;
      }
      return std::nullopt;
    };
    std::vector<std::string> order;
    for (const dao::QueryPart* item : PartsOf(parts, OrderBy)) {
      const QueryTranslation key = TranslateQueryExpression(item->Expression, names, FDialect);
      if (!key.Problem.empty()) {
        throw Refused("ORDER BY " + item->Expression + ": " + key.Problem);
      }
      if (key.Value.Sql.front() != '"') {
        throw Refused("ユニオンは列の名前でだけ並べられます（ORDER BY " + item->Expression + "）");
      }
      order.push_back(OrderKey(key.Value.Sql, EqualsNoCase(item->Name1, "D")));
    }
    if (!order.empty()) out.Sql += "\nORDER BY " + Joined(order, ", ");
    return out;
  }

  // The T of "[T].*", "" for another expression.
  static std::string StarOwner(const std::string& expression) {
    try {
      const std::vector<Token> tokens = Tokenize(expression);
      if (tokens.size() == 4 &&
          (tokens[0].Kind == TokenKind::Name || tokens[0].Kind == TokenKind::Word) &&
          IsSymbol(tokens[1], ".") && IsSymbol(tokens[2], "*")) {
        return tokens[0].Text;
      }
    } catch (const Refused&) {
    }
    return "";
  }

  // "[T].[F]" or "[F]" alone: its name F, as Access names such a column,
  // and T in `owner`.
  static std::string PlainName(const std::string& expression, std::string& owner) {
    std::vector<Token> tokens;
    try {
      tokens = Tokenize(expression);
    } catch (const Refused&) {
      return "";
    }
    const auto name = [](const Token& t) {
      return t.Kind == TokenKind::Name || t.Kind == TokenKind::Word;
    };
    if (tokens.size() == 2 && name(tokens[0])) return tokens[0].Text;
    if (tokens.size() == 4 && name(tokens[0]) && IsSymbol(tokens[1], ".") && name(tokens[2])) {
      owner = tokens[0].Text;
      return tokens[2].Text;
    }
    return "";
  }

  template <class Condition>
  std::string FromText(const dao::FromTree& tree, std::size_t index,
                       const std::vector<Bound>& bound, const Condition& condition,
                       bool top) const {
    const dao::FromNode& node = tree.Nodes[index];
    if (!node.IsJoin) {
      if (!node.Table) throw Refused("結合の相手 \"" + node.Key + "\" が FROM にありません");
      return bound[*node.Table].From;
    }
    static constexpr const char* Words[] = {" INNER JOIN ", " LEFT JOIN ", " RIGHT JOIN "};
    if (node.Type < 1 || node.Type > 3) {
      throw Refused("結合の種類 " + std::to_string(node.Type) + " は不明です");
    }
    std::vector<std::string> on;
    for (auto it = node.On.rbegin(); it != node.On.rend(); ++it) {
      on.push_back(condition(*it, "ON").Sql);
    }
    const std::string text =
        FromText(tree, node.Left, bound, condition, false) + Words[node.Type - 1] +
        FromText(tree, node.Right, bound, condition, false) + " ON " + Joined(on, " AND ");
    return top ? text : "(" + text + ")";
  }

  const std::vector<ViewSource>& FTables;
  NameScope& FNames;
  Dialect FDialect;
  std::vector<ViewSource> FViewSources;  // views planned so far
  std::map<std::string, bool> FPending;  // lower-cased names of queries not planned yet
  std::map<std::string, bool> FRefused;
  ViewPlans FPlans;
};

}  // namespace

ViewPlans PlanViews(const schema::List<schema::Query>& queries,
                    const std::vector<ViewSource>& tables, NameScope& names, Dialect dialect) {
  return Planner(tables, names, dialect).Plan(queries);
}

}  // namespace tabulon::migrate
