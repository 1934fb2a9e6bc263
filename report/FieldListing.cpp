#include <report/FieldListing.h>

#include <report/HtmlEscape.h>
#include <report/ObjectSection.h>

namespace tabulon {

using namespace std::string_view_literals;

namespace {

enum KeyFlag : unsigned { PrimaryKey = 1, ForeignKey = 2, UniqueKey = 4, IndexKey = 8 };

void AppendMarkCell(std::string& row, bool value) {
  row += R"(<td nowrap align="center">)"sv;
  row += Mark(value);
  row += "</td>"sv;
}

}  // namespace

void FieldListing::CollectKeys(dao::TableDef& table) {
  FKeys.clear();
  const int indexCount = GuardedCount(table.Indexes());
  for (int j = 0; j < indexCount; ++j) {
    dao::Index& index = table.Indexes().Item(j);
    const int fieldCount = GuardedCount(index.Fields());
    unsigned flags = IndexKey;
    if (index.Primary()) flags |= PrimaryKey;
    if (index.Foreign()) flags |= ForeignKey;
    if (index.Unique()) flags |= UniqueKey;
    for (int k = 0; k < fieldCount; ++k) FKeys[index.Fields().Item(k).Name()] |= flags;
  }
}

const std::string& FieldListing::TypeWords(const Wording& words, std::int32_t type) {
  auto found = FTypeWords.find(type);
  if (found == FTypeWords.end()) found = FTypeWords.emplace(type, words.FieldTypeText(type)).first;
  return found->second;
}

const std::string& FieldListing::AttributeWords(const Wording& words, std::int32_t attributes) {
  auto found = FAttributeWords.find(attributes);
  if (found == FAttributeWords.end()) {
    found =
        FAttributeWords.emplace(attributes, CommasToBreaks(words.FieldAttributesText(attributes)))
            .first;
  }
  return found->second;
}

void FieldListing::Write(ReportContext& context, dao::TableDef& table) {
  ReportFile& file = context.File;
  const std::string fileId = context.FileId();
  const std::string name = table.Name();
  FRow.clear();
  FRow += R"(<h4 id=")"sv;
  FRow += fileId;
  FRow += '_';
  FRow += context.Anchors.GetAnchorId(name);
  FRow += R"("><a href="#)"sv;
  FRow += fileId;
  FRow += R"(">)"sv;
  AppendHtmlEscaped(FRow, name);
  FRow += " (in "sv;
  AppendHtmlEscaped(FRow, context.Dao.DbName());
  FRow += ")</a></h4>"sv;
  file.WriteLine(FRow);
  if (context.Objects) {
    if (const std::string source = LinkSourceText(table); !source.empty())
      file.WriteLine("<p>" + source);
  }
  CollectKeys(table);
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
  for (int k = 0; k < fieldCount; ++k) {
    dao::Field& field = table.Fields().Item(k);
    const std::string fieldName = field.Name();
    FRow.assign(R"(<tr><td nowrap align="right">)"sv);
    FRow += dao::VariantToText(field.OrdinalPosition());
    FRow += "</td><td nowrap>"sv;
    AppendHtmlEscaped(FRow, fieldName);
    FRow += "</td>"sv;
    const auto key = FKeys.find(fieldName);
    const unsigned flags = key == FKeys.end() ? 0 : key->second;
    AppendMarkCell(FRow, (flags & PrimaryKey) != 0);
    AppendMarkCell(FRow, (flags & ForeignKey) != 0);
    AppendMarkCell(FRow, (flags & UniqueKey) != 0);
    AppendMarkCell(FRow, (flags & IndexKey) != 0);
    AppendMarkCell(FRow, field.Required());
    AppendMarkCell(FRow, field.AllowZeroLength());
    FRow += "<td nowrap>"sv;
    FRow += TypeWords(context.Words, field.Type());
    FRow += R"(</td><td nowrap align="right">)"sv;
    FRow += dao::VariantToText(field.Size());
    FRow += "</td><td nowrap>"sv;
    FRow += AttributeWords(context.Words, field.Attributes());
    FRow += "</td><td nowrap>"sv;
    AppendHtmlEscaped(FRow, dao::VariantToText(field.DefaultValue()));
    FRow += "　</td>"sv;
    AppendMarkCell(FRow, field.DataUpdatable());
    FRow += "<td nowrap>"sv;
    AppendHtmlEscaped(FRow, field.ValidationRule());
    FRow += "　</td><td nowrap>"sv;
    AppendHtmlEscaped(FRow, field.ValidationText());
    FRow += "　</td>"sv;
    file.WriteLine(FRow);
    FRow.clear();
    AppendDescriptionCell(FRow, field.Properties());
    FRow += "</tr>"sv;
    file.WriteLine(FRow);
  }
  file.WriteLine("</table>");
}

}  // namespace tabulon
