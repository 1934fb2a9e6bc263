#include <jet/JetQueryDef.h>

#include <jet/QuerySql.h>
#include <text/OneLine.h>
#include <text/TextCompare.h>

namespace tabulon::jet {

JetQueryDef::JetQueryDef(const CatalogEntry& entry, std::vector<QueryRow> rows)
    : FEntry(entry), FRows(std::move(rows)), FType(QueryTypeOf(entry.Flags, FRows)) {
  FParameters = std::make_unique<ListCollection<dao::Parameter>>(
      "パラメーター", [](dao::Parameter& p) { return p.Name(); });
  for (const QueryRow& row : FRows) {
    if (row.Attribute == QueryParameter)
      FParameters->Add(std::make_unique<JetParameter>(row.Name1, row.Flag));
  }
}

std::string JetQueryDef::SQL() {
  const auto fail = [this](const std::string& why, dao::ErrorKind kind) {
    return dao::EngineError(
        OneLine("クエリ '" + FEntry.Name + "' の SQL を組み立てられません: " + why + "。"), kind);
  };
  if (FRows.empty()) throw fail("MSysQueries に行がありません", dao::ErrorKind::Damaged);
  try {
    return BuildQuerySql(FRows, FType);
  } catch (const QuerySqlError& e) {
    throw fail(e.what(), e.Unsupported() ? dao::ErrorKind::Unsupported : dao::ErrorKind::Damaged);
  }
}

std::string JetQueryDef::StoredConnect() { return QueryConnect(FRows, FType); }

dao::Variant JetQueryDef::DateCreated() { return CatalogDate(FEntry.DateCreate); }

dao::Variant JetQueryDef::LastUpdated() { return CatalogDate(FEntry.DateUpdate); }

bool IsHiddenQueryName(const std::string& name) {
  return name.size() >= 4 && EqualsNoCase(std::string_view(name).substr(0, 4), "~sq_");
}

std::vector<dao::QueryPart> JetQueryDef::Parts() {
  std::vector<dao::QueryPart> parts;
  parts.reserve(FRows.size());
  for (const QueryRow& row : FRows) {
    parts.push_back({row.Attribute, row.Name1, row.Name2, row.Expression, row.Flag, row.Extra});
  }
  return parts;
}

}  // namespace tabulon::jet
