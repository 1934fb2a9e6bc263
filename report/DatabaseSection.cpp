#include <report/DatabaseSection.h>

#include <fmt/printf.h>

#include <report/HtmlEscape.h>
#include <report/ObjectSection.h>
#include <report/ReportHead.h>

namespace tabulon {

using namespace std::string_view_literals;

std::string DatabaseHeadingLine(const std::string& id, const std::string& name) {
  return fmt::sprintf(R"(<h3 id="%s"><a href="#IDFILES">%s</a></h3>)", id, HtmlEscape(name));
}

void WriteDatabaseHeading(ReportContext& context) {
  context.File.WriteLine(DatabaseHeadingLine(context.FileId(), context.Dao.DbName()));
  if (context.Verbose) {
    WritePropertyTable(context, "<p><table cellpadding=3 cellspacing=0 border=1>",
                       "<caption>データベースのプロパティ</caption>",
                       context.Dao.Database()->Properties());
  }
}

int WriteTableList(ReportContext& context) {
  ReportFile& file = context.File;
  dao::Collection<dao::TableDef>& tables = context.Dao.Database()->TableDefs();
  const int count = tables.Count();
  const std::string fileId = context.FileId();
  file.WriteLine(
      "<p><table cellpadding=3 cellspacing=0 border=1><caption>テーブル一覧 / <a href=\"#" +
      fileId +
      "_relation\">リレーションシップへ</a></caption><tr><th nowrap>NO</th><th "
      "nowrap>テーブル名</th>"
      "<th nowrap>属性</th><th nowrap>レコード数</th><th nowrap>作成日</th><th nowrap>更新日</th>"
      "<th nowrap>更新可能</th><th nowrap>入力規則</th><th nowrap>規則説明</th><th "
      "nowrap>説明</th></tr>");
  std::string row;
  for (int i = 0; i < count; ++i) {
    dao::TableDef& table = tables.Item(i);
    const std::string name = table.Name();
    row.assign(R"(<tr><td nowrap align="right">)"sv);
    row += std::to_string(i + 1);
    row += R"(</td><td nowrap><a href="#)"sv;
    row += fileId;
    row += '_';
    row += context.Anchors.GetAnchorId(name);
    row += R"(">)"sv;
    AppendHtmlEscaped(row, name);
    row += "</a></td><td nowrap>"sv;
    row += TableAttributesText(table.Attributes());
    row += R"(</td><td nowrap align="right">)"sv;
    row += dao::VariantToText(table.RecordCount());
    row += "</td><td nowrap>"sv;
    row += dao::VariantToText(table.DateCreated());
    row += "</td><td nowrap>"sv;
    row += dao::VariantToText(table.LastUpdated());
    row += "</td><td nowrap>"sv;
    row += dao::VariantToText(table.Updatable());
    row += "</td><td nowrap>"sv;
    AppendHtmlEscaped(row, table.ValidationRule());
    row += "　</td><td nowrap>"sv;
    AppendHtmlEscaped(row, table.ValidationText());
    row += "　</td>"sv;
    file.WriteLine(row);
    row = TableDescriptionCell(context, table);
    row += "</tr>"sv;
    file.Write(row);
  }
  file.WriteLine("</table>");
  return count;
}

}  // namespace tabulon
