#include <report/ObjectSection.h>

#include <array>
#include <string_view>

#include <fmt/printf.h>

#include <report/HtmlEscape.h>

namespace tabulon {

namespace {

// The containers whose documents the report lists, in this order, with the
// word for their kind. The others (tables, relationships, the database's
// own documents) are shown elsewhere or are the engine's.
struct ContainerKind {
  std::string_view Container;
  std::string_view Word;
};
constexpr std::array<ContainerKind, 5> OtherObjectKinds{{
    {"Forms", "フォーム"},
    {"Reports", "レポート"},
    {"Scripts", "マクロ"},
    {"Modules", "モジュール"},
    {"DataAccessPages", "データ アクセス ページ"},
}};

// A date of a query or document; one the catalog does not hold (Null) is
// a blank cell rather than the end of the report.
std::string DateText(const dao::Variant& date) {
  if (std::holds_alternative<dao::Null>(date)) return "　";
  return dao::VariantToText(date);
}

std::string QueryAnchor(ReportContext& context, const std::string& name) {
  return context.FileId() + "_query_" + context.Anchors.GetAnchorId(name);
}

void WriteQueryList(ReportContext& context, dao::Collection<dao::QueryDef>& queries, int count) {
  ReportFile& file = context.File;
  file.WriteLine(
      "<p><table cellpadding=3 cellspacing=0 border=1><caption>クエリ一覧</caption><tr><th "
      "nowrap>NO</th><th nowrap>クエリ名</th><th nowrap>種類</th><th nowrap>作成日</th><th "
      "nowrap>更新日</th></tr>");
  for (int i = 0; i < count; ++i) {
    dao::QueryDef& query = queries.Item(i);
    const std::string name = query.Name();
    std::string row = "<tr>";
    row += fmt::sprintf(R"(<td nowrap align="right">%d</td>)", i + 1);
    row += fmt::sprintf(R"(<td nowrap><a href="#%s">%s</a></td>)", QueryAnchor(context, name),
                        HtmlEscape(name));
    row +=
        fmt::sprintf("<td nowrap>%s</td>", HtmlEscape(context.Words.QueryTypeText(query.Type())));
    row += fmt::sprintf("<td nowrap>%s</td>", DateText(query.DateCreated()));
    row += fmt::sprintf("<td nowrap>%s</td></tr>", DateText(query.LastUpdated()));
    file.WriteLine(row);
  }
  file.WriteLine("</table>");
}

void WriteQueryEntry(ReportContext& context, dao::QueryDef& query) {
  ReportFile& file = context.File;
  const std::string name = query.Name();
  file.WriteLine(fmt::sprintf(R"(<h5 id="%s"><a href="#%s_query">%s (in %s)</a></h5>)",
                              QueryAnchor(context, name), context.FileId(), HtmlEscape(name),
                              HtmlEscape(context.Dao.DbName())));
  const int parameterCount = GuardedCount(query.Parameters());
  if (parameterCount > 0) {
    file.WriteLine(
        "<p><table cellpadding=3 cellspacing=0 border=1><caption>パラメーター</caption><tr><th "
        "nowrap>パラメーター名</th><th nowrap>型</th></tr>");
    for (int k = 0; k < parameterCount; ++k) {
      dao::Parameter& parameter = query.Parameters().Item(k);
      file.WriteLine(fmt::sprintf("<tr><td nowrap>%s</td><td nowrap>%s</td></tr>",
                                  HtmlEscape(parameter.Name()),
                                  context.Words.ParameterTypeText(parameter.Type())));
    }
    file.WriteLine("</table>");
  }
  const std::string connect = query.Connect();
  if (!connect.empty()) {
    file.WriteLine("<p>接続文字列: " + HtmlEscape(connect));
  }
  std::string sql;
  try {
    sql = query.SQL();
  } catch (const dao::EngineError& e) {
    file.WriteLine("<p>SQL なし: " + HtmlEscape(e.what()));
    return;
  }
  file.Write("<pre>");
  std::size_t start = 0;
  while (true) {
    const std::size_t end = sql.find('\n', start);
    std::string_view line(sql);
    line = line.substr(start, end == std::string::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (end == std::string::npos) {
      file.WriteLine(HtmlEscape(line) + "</pre>");
      break;
    }
    file.WriteLine(HtmlEscape(line));
    start = end + 1;
  }
}

void WriteOtherObjects(ReportContext& context, dao::Database& database) {
  ReportFile& file = context.File;
  const std::string fileId = context.FileId();
  file.WriteLine(
      fmt::sprintf(R"(<h4 id="%s_object"><a href="#%s">＜その他のオブジェクト＞ (in %s)</a></h4>)",
                   fileId, fileId, HtmlEscape(context.Dao.DbName())));
  file.WriteLine(
      "<p><table cellpadding=3 cellspacing=0 border=1><tr><th nowrap>種類</th><th "
      "nowrap>名前</th><th nowrap>作成日</th><th nowrap>更新日</th></tr>");
  dao::Collection<dao::Container>& containers = database.Containers();
  const int containerCount = GuardedCount(containers);
  for (const ContainerKind& kind : OtherObjectKinds) {
    for (int c = 0; c < containerCount; ++c) {
      dao::Container& container = containers.Item(c);
      if (!EqualsNoCase(container.Name(), kind.Container)) continue;
      const int documentCount = GuardedCount(container.Documents());
      for (int d = 0; d < documentCount; ++d) {
        dao::Document& document = container.Documents().Item(d);
        file.WriteLine(fmt::sprintf(
            "<tr><td nowrap>%s</td><td nowrap>%s</td><td nowrap>%s</td><td nowrap>%s</td></tr>",
            kind.Word, HtmlEscape(document.Name()), DateText(document.DateCreated()),
            DateText(document.LastUpdated())));
      }
    }
  }
  file.WriteLine("</table>");
}

}  // namespace

void WriteObjectSection(ReportContext& context) {
  ReportFile& file = context.File;
  const std::string fileId = context.FileId();
  dao::Database& database = *context.Dao.Database();
  file.WriteLine(fmt::sprintf(R"(<h4 id="%s_query"><a href="#%s">＜クエリ＞ (in %s)</a></h4>)",
                              fileId, fileId, HtmlEscape(context.Dao.DbName())));
  dao::Collection<dao::QueryDef>& queries = database.QueryDefs();
  const int count = GuardedCount(queries);
  WriteQueryList(context, queries, count);
  for (int i = 0; i < count; ++i) WriteQueryEntry(context, queries.Item(i));
  WriteOtherObjects(context, database);
}

std::string LinkSourceText(dao::TableDef& table) {
  try {
    const std::string connect = table.Connect();
    if (connect.empty()) return "";
    return "リンク先: " + HtmlEscape(connect) +
           "　テーブル: " + HtmlEscape(table.SourceTableName());
  } catch (const dao::EngineError&) {
    return "";
  }
}

std::string TableDescriptionCell(ReportContext& context, dao::TableDef& table) {
  const std::string cell = DescriptionCell(table.Properties());
  if (!context.Objects || cell != NoDescriptionCell) return cell;
  const std::string source = LinkSourceText(table);
  return source.empty() ? cell : "<td nowrap>" + source + "</td>";
}

}  // namespace tabulon
