#include <report/FieldListing.h>

#include <charconv>
#include <iterator>

#include <report/HtmlEscape.h>
#include <report/ObjectSection.h>

namespace tabulon {

using namespace std::string_view_literals;

namespace {

// The key columns' bits, in their order in a row.
enum KeyFlag : unsigned { PrimaryKey = 1, ForeignKey = 2, UniqueKey = 4, IndexKey = 8 };

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

const std::string& FieldListing::TypeCell(ReportContext& context, std::int32_t type) {
  auto found = FTypeCells.find(type);
  if (found == FTypeCells.end()) {
    std::string cell = "<td nowrap>";
    context.File.AppendEncoded(cell, context.Words.FieldTypeText(type));
    cell += "</td>";
    found = FTypeCells.emplace(type, std::move(cell)).first;
  }
  return found->second;
}

const std::string& FieldListing::AttributeCell(ReportContext& context, std::int32_t attributes) {
  auto found = FAttributeCells.find(attributes);
  if (found == FAttributeCells.end()) {
    std::string cell = "<td nowrap>";
    context.File.AppendEncoded(cell, CommasToBreaks(context.Words.FieldAttributesText(attributes)));
    cell += "</td>";
    found = FAttributeCells.emplace(attributes, std::move(cell)).first;
  }
  return found->second;
}

const std::string& FieldListing::Encoded(ReportContext& context, std::string& slot,
                                         std::string_view utf8) {
  if (slot.empty()) context.File.AppendEncoded(slot, utf8);
  return slot;
}

const std::string& FieldListing::MarkCells(ReportContext& context, unsigned marks, int count) {
  std::string& cells = FMarkCells[count == 1 ? marks : 2 + marks];
  if (cells.empty()) {
    for (int i = 0; i < count; ++i) {
      cells += R"(<td nowrap align="center">)"sv;
      context.File.AppendEncoded(cells, Mark((marks >> i & 1) != 0));
      cells += "</td>"sv;
    }
  }
  return cells;
}

void FieldListing::AppendText(ReportContext& context, const dao::Variant& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) {
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), *number).ptr;
    FRow.append(digits, static_cast<std::size_t>(end - digits));
  } else {
    context.File.AppendEncoded(FRow, dao::VariantToText(value));
  }
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
  // The row's text goes through AppendEncoded or AppendEscaped; its
  // markup, ASCII, is appended as it is.
  for (int k = 0; k < fieldCount; ++k) {
    dao::Field& field = table.Fields().Item(k);
    const std::string fieldName = field.Name();
    FRow.assign(R"(<tr><td nowrap align="right">)"sv);
    AppendText(context, field.OrdinalPosition());
    FRow += "</td><td nowrap>"sv;
    file.AppendEscaped(FRow, fieldName);
    FRow += "</td>"sv;
    const auto key = FKeys.find(fieldName);
    const unsigned flags = key == FKeys.end() ? 0 : key->second;
    // PK, FK, UK, IX, NN and 空, one bit each.
    unsigned marks = flags;
    if (field.Required()) marks |= 1u << 4;
    if (field.AllowZeroLength()) marks |= 1u << 5;
    FRow += MarkCells(context, marks, 6);
    FRow += TypeCell(context, field.Type());
    FRow += R"(<td nowrap align="right">)"sv;
    AppendText(context, field.Size());
    FRow += "</td>"sv;
    FRow += AttributeCell(context, field.Attributes());
    FRow += "<td nowrap>"sv;
    file.AppendEscaped(FRow, dao::VariantToText(field.DefaultValue()));
    FRow += Encoded(context, FBlankEnd, "　</td>"sv);
    FRow += MarkCells(context, field.DataUpdatable() ? 1 : 0, 1);
    FRow += "<td nowrap>"sv;
    file.AppendEscaped(FRow, field.ValidationRule());
    FRow += Encoded(context, FBlankEndNext, "　</td><td nowrap>"sv);
    file.AppendEscaped(FRow, field.ValidationText());
    FRow += FBlankEnd;
    file.WriteEncodedLine(FRow);
    if (const std::optional<std::string> description = StoredDescription(field.Properties())) {
      FRow.assign("<td nowrap>"sv);
      file.AppendEscaped(FRow, *description);
      FRow += "</td></tr>"sv;
      file.WriteEncodedLine(FRow);
    } else {
      file.WriteEncodedLine(Encoded(context, FNoDescription, "<td>　</td></tr>"sv));
    }
  }
  file.WriteLine("</table>");
}

}  // namespace tabulon
