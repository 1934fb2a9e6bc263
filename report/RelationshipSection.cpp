#include <report/RelationshipSection.h>

#include <fmt/printf.h>

#include <report/HtmlEscape.h>

namespace tabulon {

namespace {

// The foreign side's field names come from the foreign table's index that
// carries the relation's name. Names are written as they are read, so a
// failure midway leaves the ones before it.
void WriteForeignFields(ReportFile& file, dao::Relation& relation, dao::TableDef& foreignTable) {
  try {
    // An unenforced relation has no such index: no failure, the usual case.
    if (dao::Index* index = foreignTable.Indexes().Find(relation.Name())) {
      const int count = index->Fields().Count();
      for (int k = 0; k < count; ++k) {
        file.WriteLine(HtmlEscape(index->Fields().Item(k).Name()) + "<br>");
      }
      return;
    }
  } catch (const dao::EngineError&) {
    // Written as for a relation without its index.
  }
  file.WriteLine("リレーション未定義");
}

}  // namespace

void WriteRelationshipSection(ReportContext& context) {
  ReportFile& file = context.File;
  const std::string fileId = context.FileId();
  file.WriteLine(
      fmt::sprintf(R"(<h4 id="%s_relation"><a href="#%s">＜リレーションシップ＞ (in %s)</a></h4>)",
                   fileId, fileId, HtmlEscape(context.Dao.DbName())));
  dao::Database& database = *context.Dao.Database();
  const int count = GuardedCount(database.Relations());
  for (int i = 0; i < count; ++i) {
    dao::Relation& relation = database.Relations().Item(i);
    file.WriteLine("<p><table cellpadding=3 cellspacing=0 border=0>");
    file.WriteLine("<caption>" + HtmlEscape(relation.Name()) + "</caption>");
    file.WriteLine("<tr>");

    file.WriteLine(R"(<td valign="top"><table cellpadding=3 cellspacing=0 border=1>)");
    file.WriteLine("<tr><th nowrap>" + HtmlEscape(relation.Table()) + "</th></tr>");
    file.WriteLine(R"(<tr><td valign="top" nowrap>)");
    const int fieldCount = GuardedCount(relation.Fields());
    for (int k = 0; k < fieldCount; ++k) {
      file.WriteLine(HtmlEscape(relation.Fields().Item(k).Name()) + "<br>");
    }
    file.WriteLine("</td></tr>");
    file.WriteLine("</table></td>");

    file.WriteLine(R"(<td valign="top"><table cellpadding=3 cellspacing=0 border=0>)");
    file.WriteLine(R"(<tr><td>　</td></tr><tr><td valign="top" nowrap>　　FK<br>－－－</td></tr>)");
    file.WriteLine("</table></td>");

    file.WriteLine(R"(<td valign="top"><table cellpadding=3 cellspacing=0 border=1>)");
    file.WriteLine("<tr><th nowrap>" + HtmlEscape(relation.ForeignTable()) + "</th></tr>");
    file.WriteLine(R"(<tr><td valign="top" nowrap>)");
    dao::TableDef& foreignTable = database.TableDefs().Item(relation.ForeignTable());
    WriteForeignFields(file, relation, foreignTable);
    file.WriteLine("</td></tr>");
    file.WriteLine("</table></td>");

    file.WriteLine(R"(<td valign="top"><table cellpadding=3 cellspacing=0 border=0>)");
    file.WriteLine("<tr><td>　</td></tr><tr><td nowrap>");
    file.WriteLine(CommasToBreaks(RelationAttributesText(relation.Attributes())));
    file.WriteLine("</td></tr></table></td>");
    file.WriteLine("</tr></table>");
  }
}

}  // namespace tabulon
