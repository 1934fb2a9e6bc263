#include <outputs/MarkdownDocument.h>

#include <set>

#include <dao/ObjectModel.h>
#include <outputs/MarkdownText.h>
#include <outputs/MermaidDiagram.h>
#include <outputs/RelationGraph.h>
#include <text/TextCompare.h>

namespace tabulon::outputs {

namespace {

// The report's marks; the full-width space keeps an empty cell visible.
constexpr std::string_view Yes = "●";
constexpr std::string_view No = "\u3000";

std::string FailureCell(const std::string& reason) {
  return MarkdownInline("（取得失敗: " + reason + "）");
}

template <class T, class F>
std::string Cell(const schema::Member<T>& member, F&& show) {
  return member.Ok() ? show(*member) : FailureCell(member.Error());
}

std::string TextCell(const schema::Member<std::string>& member) {
  return Cell(member, [](const std::string& text) { return MarkdownInline(text); });
}

std::string VariantCell(const schema::Member<dao::Variant>& member) {
  return Cell(member,
              [](const dao::Variant& value) { return MarkdownInline(dao::VariantToText(value)); });
}

std::string MarkCell(const schema::Member<bool>& member) {
  return Cell(member, [](bool value) { return std::string(value ? Yes : No); });
}

std::string NumberCell(const schema::Member<std::int64_t>& member) {
  return Cell(member, [](std::int64_t value) { return std::to_string(value); });
}

std::string DescriptionCell(const schema::PropertyList& properties) {
  const auto text = schema::PropertyText(properties, "Description");
  if (!text.Ok()) return FailureCell(text.Error());
  return text->has_value() ? MarkdownInline(**text) : std::string();
}

// Words joined by "," (as words.conf gives them) shown one a line.
std::string WordsCell(const std::string& words) {
  std::string out;
  std::size_t start = 0;
  while (start <= words.size()) {
    const std::size_t comma = std::min(words.find(',', start), words.size());
    if (!out.empty()) out += "<br>";
    out += MarkdownInline(words.substr(start, comma - start));
    start = comma + 1;
  }
  return out;
}

std::string Row(const std::vector<std::string>& cells) {
  std::string row = "|";
  for (const std::string& cell : cells) row += " " + cell + " |";
  return row + "\n";
}

std::string Head(const std::vector<std::string>& titles) {
  std::string rule = "|";
  for (std::size_t i = 0; i < titles.size(); ++i) rule += "---|";
  return Row(titles) + rule + "\n";
}

template <class T>
const std::vector<schema::Member<T>>& ItemsOr(const schema::List<T>& list) {
  static const std::vector<schema::Member<T>> none;
  return list.Ok() ? *list : none;
}

// A collection that could not be read is a line saying so.
template <class T>
std::string ListFailure(const schema::List<T>& list) {
  return list.Ok() ? std::string() : FailureCell(list.Error()) + "\n\n";
}

struct KeySets {
  std::set<std::string, NoCaseLess> Pk, Fk, Uk, Ix;
};

KeySets KeysOf(const schema::Table& table) {
  KeySets keys;
  for (const auto& index : ItemsOr(table.Indexes)) {
    if (!index.Ok()) continue;
    for (const auto& field : ItemsOr(index->Fields)) {
      if (!field.Ok() || !field->Name.Ok()) continue;
      const std::string& name = *field->Name;
      keys.Ix.insert(name);
      if (index->Primary.ValueOr(false)) keys.Pk.insert(name);
      if (index->Foreign.ValueOr(false)) keys.Fk.insert(name);
      if (index->Unique.ValueOr(false)) keys.Uk.insert(name);
    }
  }
  return keys;
}

std::string TableList(const schema::Database& database) {
  std::string out = "## テーブル一覧\n\n" + ListFailure(database.Tables);
  if (!database.Tables.Ok()) return out;
  out += Head({"NO", "テーブル名", "属性", "レコード数", "作成日", "更新日", "更新可能", "入力規則",
               "規則説明", "説明"});
  int number = 0;
  for (const auto& table : *database.Tables) {
    ++number;
    if (!table.Ok()) {
      out +=
          Row({std::to_string(number), FailureCell(table.Error()), "", "", "", "", "", "", "", ""});
      continue;
    }
    out += Row({std::to_string(number), TextCell(table->Name),
                Cell(table->Attributes,
                     [](std::int32_t bits) { return WordsCell(TableAttributesText(bits)); }),
                NumberCell(table->RecordCount), VariantCell(table->DateCreated),
                VariantCell(table->LastUpdated), VariantCell(table->Updatable),
                TextCell(table->ValidationRule), TextCell(table->ValidationText),
                DescriptionCell(table->Properties)});
  }
  return out + "\n";
}

std::string FieldTable(const schema::Table& table, const Wording& words) {
  std::string out = ListFailure(table.Fields);
  if (!table.Fields.Ok() || table.Fields->empty()) return out;
  const KeySets keys = KeysOf(table);
  out += Head({"順序", "フィールド名", "PK", "FK", "UK", "IX", "NN", "空", "型", "サイズ", "属性",
               "既定値", "更新可能", "入力規則", "規則説明", "説明"});
  for (const auto& field : *table.Fields) {
    if (!field.Ok()) {
      out += Row(
          {"", FailureCell(field.Error()), "", "", "", "", "", "", "", "", "", "", "", "", "", ""});
      continue;
    }
    const std::string name = field->Name.ValueOr("");
    const auto mark = [&](const auto& set) {
      return std::string(field->Name.Ok() && set.contains(name) ? Yes : No);
    };
    out += Row({NumberCell(field->OrdinalPosition), TextCell(field->Name), mark(keys.Pk),
                mark(keys.Fk), mark(keys.Uk), mark(keys.Ix), MarkCell(field->Required),
                MarkCell(field->AllowZeroLength),
                Cell(field->Type,
                     [&](std::int32_t type) { return MarkdownInline(words.FieldTypeText(type)); }),
                NumberCell(field->Size),
                Cell(field->Attributes,
                     [&](std::int32_t bits) { return WordsCell(words.FieldAttributesText(bits)); }),
                VariantCell(field->DefaultValue), MarkCell(field->DataUpdatable),
                TextCell(field->ValidationRule), TextCell(field->ValidationText),
                DescriptionCell(field->Properties)});
  }
  return out + "\n";
}

std::string IndexTable(const schema::Table& table) {
  std::string out = ListFailure(table.Indexes);
  if (!table.Indexes.Ok() || table.Indexes->empty()) return out;
  out += "インデックス\n\n" + Head({"インデックス名", "主キー", "外部キー", "一意", "フィールド"});
  for (const auto& index : *table.Indexes) {
    if (!index.Ok()) {
      out += Row({FailureCell(index.Error()), "", "", "", ""});
      continue;
    }
    std::string fields = ListFailure(index->Fields);
    for (const auto& field : ItemsOr(index->Fields)) {
      if (!fields.empty()) fields += "<br>";
      if (!field.Ok()) {
        fields += FailureCell(field.Error());
        continue;
      }
      fields += TextCell(field->Name);
      if (field->Descending.ValueOr(false)) fields += " (降順)";
    }
    out += Row({TextCell(index->Name), MarkCell(index->Primary), MarkCell(index->Foreign),
                MarkCell(index->Unique), fields});
  }
  return out + "\n";
}

std::string RelationTable(const schema::Database& database) {
  std::string out = "## リレーションシップ\n\n" + ListFailure(database.Relations);
  if (!database.Relations.Ok() || database.Relations->empty()) return out;
  out += Head(
      {"リレーションシップ名", "テーブル", "フィールド", "関連テーブル", "関連フィールド", "属性"});
  for (const auto& relation : *database.Relations) {
    if (!relation.Ok()) {
      out += Row({FailureCell(relation.Error()), "", "", "", "", ""});
      continue;
    }
    std::string names = ListFailure(relation->Fields);
    std::string foreignNames = names;
    for (const auto& pair : ItemsOr(relation->Fields)) {
      if (!names.empty() || !foreignNames.empty()) {
        names += "<br>";
        foreignNames += "<br>";
      }
      if (!pair.Ok()) {
        names += FailureCell(pair.Error());
        continue;
      }
      names += TextCell(pair->Name);
      foreignNames += TextCell(pair->ForeignName);
    }
    out += Row({TextCell(relation->Name), TextCell(relation->Table), names,
                TextCell(relation->ForeignTable), foreignNames,
                Cell(relation->Attributes,
                     [](std::int32_t bits) { return WordsCell(RelationAttributesText(bits)); })});
  }
  return out + "\n";
}

std::string Diagram(const schema::Database& database) {
  const std::string diagram = MermaidErDiagram(BuildRelationGraph(database));
  if (diagram.empty()) return "";
  return "## ER 図\n\n```mermaid\n" + diagram + "```\n\n";
}

std::string Queries(const schema::Database& database, const Wording& words) {
  if (database.Queries.Ok() && database.Queries->empty()) return "";
  std::string out = "## クエリ\n\n" + ListFailure(database.Queries);
  if (!database.Queries.Ok()) return out;
  out += Head({"NO", "クエリ名", "種類", "パラメーター"});
  int number = 0;
  for (const auto& query : *database.Queries) {
    ++number;
    if (!query.Ok()) {
      out += Row({std::to_string(number), FailureCell(query.Error()), "", ""});
      continue;
    }
    std::string parameters = ListFailure(query->Parameters);
    for (const auto& parameter : ItemsOr(query->Parameters)) {
      if (!parameters.empty()) parameters += "<br>";
      if (!parameter.Ok()) {
        parameters += FailureCell(parameter.Error());
        continue;
      }
      parameters +=
          TextCell(parameter->Name) + " (" +
          Cell(parameter->Type,
               [&](std::int32_t type) { return MarkdownInline(words.ParameterTypeText(type)); }) +
          ")";
    }
    out += Row({std::to_string(number), TextCell(query->Name),
                Cell(query->Type,
                     [&](std::int32_t type) { return MarkdownInline(words.QueryTypeText(type)); }),
                parameters});
  }
  out += "\n";
  for (const auto& query : *database.Queries) {
    if (!query.Ok()) continue;
    out += "### " +
           Cell(query->Name, [](const std::string& name) { return MarkdownInline(name, false); }) +
           "\n\n";
    if (!query->Sql.Ok()) {
      out += FailureCell(query->Sql.Error()) + "\n\n";
      continue;
    }
    const std::string sql = CodeBlockText(*query->Sql);
    const std::string fence = CodeFence(sql);
    out += fence + "sql\n" + sql + (sql.empty() || sql.back() != '\n' ? "\n" : "") + fence + "\n\n";
  }
  return out;
}

}  // namespace

MarkdownDocument::MarkdownDocument(const Wording& words, std::function<void(std::string_view)> sink)
    : FWords(words), FSink(std::move(sink)) {}

void MarkdownDocument::AddDatabase(std::string_view name, const schema::Database& database) {
  std::string out = FFirst ? "" : "\n";
  FFirst = false;
  out += "# " + MarkdownInline(name, false) + "\n\n";
  out += TableList(database);
  FSink(out);
  for (const auto& table : ItemsOr(database.Tables)) {
    if (!table.Ok()) continue;
    out = "### " +
          Cell(table->Name, [](const std::string& text) { return MarkdownInline(text, false); }) +
          "\n\n";
    out += FieldTable(*table, FWords);
    out += IndexTable(*table);
    FSink(out);
  }
  FSink(RelationTable(database) + Diagram(database) + Queries(database, FWords));
}

void MarkdownDocument::AddNotOpened(std::string_view name, std::string_view reason) {
  std::string out = FFirst ? "" : "\n";
  FFirst = false;
  out += "# " + MarkdownInline(name, false) + "\n\n" + MarkdownInline(reason) + "\n\n";
  FSink(out);
}

void MarkdownDocument::Finish() {}

}  // namespace tabulon::outputs
