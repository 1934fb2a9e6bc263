#include <report/DatabaseSection.h>

#include <fmt/printf.h>

#include <report/HtmlEscape.h>
#include <report/ObjectSection.h>
#include <report/ReportHead.h>

namespace tabulon {

void WriteDatabaseHeading(ReportContext& context) {
  context.File.WriteLine(fmt::sprintf(R"(<h3 id="%s"><a href="#IDFILES">%s</a></h3>)",
                                      context.FileId(), HtmlEscape(context.Dao.DbName())));
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
  for (int i = 0; i < count; ++i) {
    dao::TableDef& table = tables.Item(i);
    const std::string name = table.Name();
    std::string row = "<tr>";
    row += fmt::sprintf(R"(<td nowrap align="right">%d</td>)", i + 1);
    row += fmt::sprintf(R"(<td nowrap><a href="#%s_%s">%s</a></td>)", fileId,
                        context.Anchors.GetAnchorId(name), HtmlEscape(name));
    row += fmt::sprintf("<td nowrap>%s</td>", TableAttributesText(table.Attributes()));
    row += fmt::sprintf(R"(<td nowrap align="right">%s</td>)",
                        dao::VariantToText(table.RecordCount()));
    row += fmt::sprintf("<td nowrap>%s</td>", dao::VariantToText(table.DateCreated()));
    row += fmt::sprintf("<td nowrap>%s</td>", dao::VariantToText(table.LastUpdated()));
    row += fmt::sprintf("<td nowrap>%s</td>", dao::VariantToText(table.Updatable()));
    row += fmt::sprintf("<td nowrap>%s　</td>", HtmlEscape(table.ValidationRule()));
    row += fmt::sprintf("<td nowrap>%s　</td>", HtmlEscape(table.ValidationText()));
    file.WriteLine(row);
    file.Write(TableDescriptionCell(context, table));
    file.Write("</tr>");
  }
  file.WriteLine("</table>");
  return count;
}

}  // namespace tabulon
