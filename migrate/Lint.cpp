#include <migrate/Lint.h>

#include <algorithm>
#include <map>
#include <set>

#include <migrate/PostgreSqlNames.h>
#include <text/OneLine.h>
#include <text/TextCompare.h>
#include <text/Utf8.h>

namespace tabulon::migrate {

namespace {

using schema::Member;

constexpr std::int64_t WideText = 255;

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

// The local tables the checks look at: read, named, neither system nor
// linked.
std::vector<const schema::Table*> LocalTables(const schema::Database& database) {
  std::vector<const schema::Table*> tables;
  if (!database.Tables.Ok()) return tables;
  for (const Member<schema::Table>& table : *database.Tables) {
    if (!table.Ok() || !table->Name.Ok()) continue;
    if (schema::IsSystemTable(*table) || schema::IsLinkedTable(*table)) continue;
    tables.push_back(&*table);
  }
  return tables;
}

// An index's field names and directions, as far as they could be read.
struct IndexKey {
  std::string Name;
  bool Primary = false;
  bool Foreign = false;
  bool Unique = false;
  std::vector<std::string> Fields;  // lower-cased
  std::vector<bool> Descending;
};

std::vector<IndexKey> IndexKeys(const schema::Table& table) {
  std::vector<IndexKey> keys;
  if (!table.Indexes.Ok()) return keys;
  for (const Member<schema::Index>& index : *table.Indexes) {
    if (!index.Ok() || !index->Name.Ok() || !index->Fields.Ok()) continue;
    IndexKey key;
    key.Name = *index->Name;
    key.Primary = index->Primary.ValueOr(false);
    key.Foreign = index->Foreign.ValueOr(false);
    key.Unique = index->Unique.ValueOr(false);
    for (const Member<schema::IndexField>& field : *index->Fields) {
      key.Fields.push_back(field.Ok() ? ToLowerText(field->Name.ValueOr("")) : "");
      key.Descending.push_back(field.Ok() && field->Descending.ValueOr(false));
    }
    keys.push_back(std::move(key));
  }
  return keys;
}

// True when `name` reads as a key: ends in "ID" (also full-width), in "Id"
// after a small letter (customerId), in "_id", or is "id".
bool KeyLikeName(std::string_view name) {
  auto endsWith = [&](std::string_view end) {
    return name.size() >= end.size() && name.substr(name.size() - end.size()) == end;
  };
  if (EqualsNoCase(name, "id") || endsWith("ID") || endsWith("ＩＤ") || endsWith("_id") ||
      endsWith("_Id")) {
    return true;
  }
  return endsWith("Id") && name.size() >= 3 && name[name.size() - 3] >= 'a' &&
         name[name.size() - 3] <= 'z';
}

bool KeyType(std::int32_t type) {
  return type == dao::dbByte || type == dao::dbInteger || type == dao::dbLong ||
         type == dao::dbText || type == dao::dbGUID || type == dao::dbBigInt ||
         type == dao::dbDecimal || type == dao::dbDouble;
}

std::size_t Characters(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size(); ++count) DecodeUtf8(text, at);
  return count;
}

class SchemaChecks {
 public:
  explicit SchemaChecks(const schema::Database& database)
      : FDatabase(database), FTables(LocalTables(database)) {
    for (const schema::Table* table : FTables) FLocal.insert(ToLowerText(*table->Name));
    if (database.Relations.Ok()) {
      for (const Member<schema::Relation>& relation : *database.Relations) {
        if (relation.Ok() && relation->Name.Ok() && relation->Table.Ok() &&
            relation->ForeignTable.Ok() && relation->Fields.Ok()) {
          FRelations.push_back(&*relation);
        }
      }
    }
    // Fields some relationship uses, on either side: "table\nfield".
    for (const schema::Relation* relation : FRelations) {
      for (const Member<schema::RelationField>& pair : *relation->Fields) {
        if (!pair.Ok()) continue;
        FRelated.insert(Key(*relation->Table, pair->Name.ValueOr("")));
        FRelated.insert(Key(*relation->ForeignTable, pair->ForeignName.ValueOr("")));
      }
    }
  }

  std::vector<Finding> Run() {
    for (const schema::Table* table : FTables) {
      PrimaryKey(*table);
      Names(*table);
      KeyNames(*table);
      DuplicateIndexes(*table);
    }
    for (const schema::Relation* relation : FRelations) Relationship(*relation);
    return std::move(FFindings);
  }

 private:
  static std::string Key(std::string_view table, std::string_view field) {
    return ToLowerText(table) + "\n" + ToLowerText(field);
  }

  void Add(std::string check, std::string table, std::string field, std::string text) {
    FFindings.push_back({std::move(check), std::move(table), std::move(field), std::move(text)});
  }

  void PrimaryKey(const schema::Table& table) {
    const std::vector<IndexKey> keys = IndexKeys(table);
    if (!table.Indexes.Ok()) return;
    if (std::none_of(keys.begin(), keys.end(), [](const IndexKey& k) { return k.Primary; })) {
      Add("no-primary-key", *table.Name, "", "主キーがありません");
    }
  }

  void Names(const schema::Table& table) {
    std::vector<std::string> names{*table.Name};
    if (table.Fields.Ok()) {
      for (const Member<schema::Field>& field : *table.Fields) {
        if (field.Ok() && field->Name.Ok()) names.push_back(*field->Name);
      }
    }
    std::string listed;
    for (const std::string& name : names) {
      const std::vector<std::string> reasons = PostgreSqlQuotingReasons(name);
      if (reasons.empty()) continue;
      std::string why;
      for (const std::string& reason : reasons) why += (why.empty() ? "" : "、") + reason;
      listed += (listed.empty() ? "" : ", ") + Quoted(name) + "（" + why + "）";
    }
    if (!listed.empty()) {
      Add("needs-quoting", *table.Name, "", "PostgreSQL では引用符が要る名前: " + listed);
    }
  }

  void KeyNames(const schema::Table& table) {
    if (!table.Fields.Ok()) return;
    const std::vector<IndexKey> keys = IndexKeys(table);
    std::string ownKey;
    for (const IndexKey& key : keys) {
      if (key.Primary && key.Fields.size() == 1) ownKey = key.Fields.front();
    }
    for (const Member<schema::Field>& field : *table.Fields) {
      if (!field.Ok() || !field->Name.Ok() || !KeyLikeName(*field->Name)) continue;
      if (!KeyType(field->Type.ValueOr(0))) continue;
      if (ToLowerText(*field->Name) == ownKey) continue;
      if (FRelated.count(Key(*table.Name, *field->Name)) != 0) continue;
      Add("key-without-relationship", *table.Name, *field->Name,
          "キーのような名前ですが、どのリレーションシップにも使われていません");
    }
  }

  void DuplicateIndexes(const schema::Table& table) {
    const std::vector<IndexKey> keys = IndexKeys(table);
    for (std::size_t i = 0; i < keys.size(); ++i) {
      // The engine keeps a relationship's index itself; it shares storage
      // with a user's index on the same fields.
      if (keys[i].Foreign) continue;
      for (std::size_t j = i + 1; j < keys.size(); ++j) {
        if (keys[j].Foreign || keys[i].Fields != keys[j].Fields ||
            keys[i].Descending != keys[j].Descending) {
          continue;
        }
        Add("duplicate-index", *table.Name, "",
            "インデックス " + Quoted(keys[i].Name) + " と " + Quoted(keys[j].Name) +
                " は同じフィールドを同じ順に持っています");
      }
    }
  }

  const schema::Table* Local(std::string_view name) const {
    if (FLocal.count(ToLowerText(name)) == 0) return nullptr;
    return schema::FindTable(FDatabase, name);
  }

  void Relationship(const schema::Relation& relation) {
    const schema::Table* many = Local(*relation.ForeignTable);
    const schema::Table* one = Local(*relation.Table);
    if (many == nullptr || one == nullptr) return;
    std::vector<std::string> names;
    std::vector<std::string> fields;
    std::string shown;
    for (const Member<schema::RelationField>& pair : *relation.Fields) {
      if (!pair.Ok()) return;
      names.push_back(pair->ForeignName.ValueOr(""));
      fields.push_back(ToLowerText(names.back()));
      shown += (shown.empty() ? "" : ", ") + Quoted(names.back());
    }
    const std::int32_t attributes = relation.Attributes.ValueOr(0);
    if ((attributes & dao::dbRelationDontEnforce) != 0) {
      Add("unenforced-relationship", *relation.ForeignTable, "",
          "リレーションシップ " + Quoted(*relation.Name) + "（→ " + Quoted(*relation.Table) +
              "）は参照整合性が設定されていません");
    }
    // Some index must start with the foreign fields, in any order.
    const std::set<std::string> wanted(fields.begin(), fields.end());
    bool indexed = false;
    for (const IndexKey& key : IndexKeys(*many)) {
      if (key.Fields.size() < fields.size()) continue;
      const std::set<std::string> leading(key.Fields.begin(),
                                          key.Fields.begin() + static_cast<long>(fields.size()));
      indexed = indexed || leading == wanted;
    }
    if (!indexed && !fields.empty()) {
      Add("unindexed-foreign-key", *relation.ForeignTable, names.size() == 1 ? names.front() : "",
          "リレーションシップ " + Quoted(*relation.Name) + " の外部キー（" + shown +
              "）にインデックスがありません");
    }
  }

  const schema::Database& FDatabase;
  std::vector<const schema::Table*> FTables;
  std::set<std::string> FLocal;
  std::vector<const schema::Relation*> FRelations;
  std::set<std::string> FRelated;
  std::vector<Finding> FFindings;
};

}  // namespace

std::string FindingLine(const Finding& finding) {
  std::string where;
  if (!finding.Table.empty()) where += "テーブル " + Quoted(finding.Table);
  if (!finding.Field.empty()) where += " のフィールド " + Quoted(finding.Field);
  return OneLine("[" + finding.Check + "] " + (where.empty() ? "" : where + ": ") + finding.Text);
}

std::vector<Finding> LintSchema(const schema::Database& database) {
  return SchemaChecks(database).Run();
}

std::vector<Finding> LintData(const schema::Database& schema, dao::Database& database) {
  std::vector<Finding> findings;
  for (const schema::Table* table : LocalTables(schema)) {
    if (!table->Fields.Ok()) continue;
    // Field positions of the wide text fields.
    std::vector<std::pair<int, std::string>> wide;
    for (std::size_t i = 0; i < table->Fields->size(); ++i) {
      const Member<schema::Field>& field = (*table->Fields)[i];
      if (field.Ok() && field->Name.Ok() && field->Type.ValueOr(0) == dao::dbText &&
          field->Size.ValueOr(0) == WideText) {
        wide.push_back({static_cast<int>(i), *field->Name});
      }
    }
    if (wide.empty()) continue;
    std::vector<std::size_t> longest(wide.size(), 0);
    std::int64_t rows = 0;
    try {
      std::unique_ptr<dao::Recordset> recordset =
          database.TableDefs().Item(*table->Name).OpenRecordset();
      for (; !recordset->Eof(); recordset->MoveNext(), ++rows) {
        for (std::size_t k = 0; k < wide.size(); ++k) {
          const dao::Variant value = recordset->Collect(wide[k].first);
          if (const auto* text = std::get_if<std::string>(&value)) {
            longest[k] = std::max(longest[k], Characters(*text));
          }
        }
      }
    } catch (const std::exception& e) {
      findings.push_back(
          {"unreadable", *table->Name, "", std::string("行が読めません: ") + e.what()});
      continue;
    }
    if (rows == 0) continue;
    for (std::size_t k = 0; k < wide.size(); ++k) {
      if (longest[k] > ShortTextLimit) continue;
      findings.push_back({"oversized-text", *table->Name, wide[k].second,
                          "サイズ 255 ですが、最も長い値は " + std::to_string(longest[k]) +
                              " 文字です（" + std::to_string(rows) + " 行）"});
    }
  }
  return findings;
}

}  // namespace tabulon::migrate
