#include <report/FieldListing.h>

#include <fmt/printf.h>

#include <report/HtmlEscape.h>
#include <report/ObjectSection.h>

namespace tabulon {

namespace {

void CollectKeys(KeyNameSets& keys, dao::TableDef& table) {
  keys.Clear();
  const int indexCount = GuardedCount(table.Indexes());
  for (int j = 0; j < indexCount; ++j) {
    dao::Index& index = table.Indexes().Item(j);
    const int fieldCount = GuardedCount(index.Fields());
    const bool primary = index.Primary();
    const bool foreign = index.Foreign();
    const bool unique = index.Unique();
    for (int k = 0; k < fieldCount; ++k) {
      const std::string name = index.Fields().Item(k).Name();
      keys.IxFields.insert(name);
      if (primary) keys.PkFields.insert(name);
      if (foreign) keys.FkFields.insert(name);
      if (unique) keys.UkFields.insert(name);
    }
  }
}

}  // namespace

void KeyNameSets::Clear() {
  PkFields.clear();
  FkFields.clear();
  UkFields.clear();
  IxFields.clear();
}

void WriteFieldListing(ReportContext& context, KeyNameSets& keys, dao::TableDef& table) {
  ReportFile& file = context.File;
  const std::string fileId = context.FileId();
  const std::string name = table.Name();
  file.WriteLine(fmt::sprintf(R"(<h4 id="%s_%s"><a href="#%s">%s (in %s)</a></h4>)", fileId,
                              context.Anchors.GetAnchorId(name), fileId, HtmlEscape(name),
                              HtmlEscape(context.Dao.DbName())));
  if (context.Objects) {
    if (const std::string source = LinkSourceText(table); !source.empty())
      file.WriteLine("<p>" + source);
  }
  CollectKeys(keys, table);
  const int fieldCount = GuardedCount(table.Fields());
  if (fieldCount <= 0) return;
  file.WriteLine(
      "<p><table cellpadding=3 cellspacing=0 border=1><tr><th nowrap>順序</th><th "
      "nowrap>フィールド名</th>"
      "<th nowrap>PK</th><th nowrap>FK</th><th nowrap>UK</th><th nowrap>IX</th><th nowrap>NN</th>"
      "<th nowrap>空</th><th nowrap>型</th><th nowrap>サイズ</th><th nowrap>属性</th><th "
      "nowrap>既定値</th>"
      "<th nowrap>更新可能</th><th nowrap>入力規則</th><th nowrap>規則説明</th><th "
      "nowrap>説明</th></tr>");
  const auto markCell = [](bool value) {
    return fmt::sprintf(R"(<td nowrap align="center">%s</td>)", Mark(value));
  };
  for (int k = 0; k < fieldCount; ++k) {
    dao::Field& field = table.Fields().Item(k);
    const std::string fieldName = field.Name();
    std::string row = "<tr>";
    row += fmt::sprintf(R"(<td nowrap align="right">%s</td>)",
                        dao::VariantToText(field.OrdinalPosition()));
    row += fmt::sprintf("<td nowrap>%s</td>", HtmlEscape(fieldName));
    row += markCell(keys.PkFields.contains(fieldName));
    row += markCell(keys.FkFields.contains(fieldName));
    row += markCell(keys.UkFields.contains(fieldName));
    row += markCell(keys.IxFields.contains(fieldName));
    row += markCell(field.Required());
    row += markCell(field.AllowZeroLength());
    row += fmt::sprintf("<td nowrap>%s</td>", context.Words.FieldTypeText(field.Type()));
    row += fmt::sprintf(R"(<td nowrap align="right">%s</td>)", dao::VariantToText(field.Size()));
    row += fmt::sprintf("<td nowrap>%s</td>",
                        CommasToBreaks(context.Words.FieldAttributesText(field.Attributes())));
    row +=
        fmt::sprintf("<td nowrap>%s　</td>", HtmlEscape(dao::VariantToText(field.DefaultValue())));
    row += markCell(field.DataUpdatable());
    row += fmt::sprintf("<td nowrap>%s　</td>", HtmlEscape(field.ValidationRule()));
    row += fmt::sprintf("<td nowrap>%s　</td>", HtmlEscape(field.ValidationText()));
    file.WriteLine(row);
    file.Write(DescriptionCell(field.Properties()));
    file.WriteLine("</tr>");
  }
  file.WriteLine("</table>");
}

}  // namespace tabulon
