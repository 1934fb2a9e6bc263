#include <migrate/Lint.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include <migrate/PostgreSqlNames.h>
#include <migrate/RowValues.h>
#include <schema/Rows.h>
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

namespace {

// A 64-bit hash of some canonical values, each with its length in front
// (Null apart from any text).
std::uint64_t ValuesHash(const std::vector<std::optional<std::string>>& values) {
  std::uint64_t h = 0xcbf29ce484222325u;
  const auto mix = [&h](std::string_view bytes) {
    for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
  };
  for (const std::optional<std::string>& value : values) {
    mix(value ? std::to_string(value->size()) + ":" : std::string("\xff"));
    if (value) mix(*value);
  }
  return h;
}

// What the rows of one table show. The keys of unenforced relationships
// are kept as hashes, eight bytes a row, so that a large table stays
// affordable.
class DataChecks {
 public:
  DataChecks(const schema::Database& schema, dao::Database& database)
      : FSchema(schema), FDatabase(database) {
    if (!schema.Relations.Ok()) return;
    for (const Member<schema::Relation>& relation : *schema.Relations) {
      if (!relation.Ok() || !relation->Table.Ok() || !relation->ForeignTable.Ok() ||
          !relation->Fields.Ok() || !relation->Name.Ok() ||
          (relation->Attributes.ValueOr(0) & dao::dbRelationDontEnforce) == 0) {
        continue;
      }
      Unenforced link;
      link.Relation = &*relation;
      bool named = !relation->Fields->empty();
      for (const Member<schema::RelationField>& pair : *relation->Fields) {
        named = named && pair.Ok() && pair->Name.Ok() && pair->ForeignName.Ok();
        if (!named) break;
        link.Fields.push_back(*pair->Name);
        link.ForeignFields.push_back(*pair->ForeignName);
      }
      if (named) FLinks.push_back(std::move(link));
    }
  }

  std::vector<Finding> Run() {
    for (const schema::Table* table : LocalTables(FSchema)) Table(*table);
    for (const Unenforced& link : FLinks) {
      if (!link.Read || link.Orphans == 0) continue;
      FFindings.push_back({"orphan-rows", *link.Relation->ForeignTable, "",
                           std::to_string(link.Orphans) + " 行がリレーションシップ " +
                               Quoted(*link.Relation->Name) + " の参照先（" +
                               Quoted(*link.Relation->Table) +
                               "）にない値を持っています（外部キーにすると拒まれます）"});
    }
    return std::move(FFindings);
  }

 private:
  struct Unenforced {
    const schema::Relation* Relation = nullptr;
    std::vector<std::string> Fields;         // on the referenced table
    std::vector<std::string> ForeignFields;  // on the referencing one
    std::set<std::uint64_t> Keys;            // of the referenced table's rows
    std::vector<std::uint64_t> References;   // of the referencing rows
    int Read = 0;                            // both tables read: 2
    std::int64_t Orphans = 0;
  };

  // Positions, among the fields read, of `names`; nullopt when one is not
  // read.
  static std::optional<std::vector<std::size_t>> Positions(const std::vector<std::string>& names,
                                                           const std::vector<std::string>& read) {
    std::vector<std::size_t> at;
    for (const std::string& name : names) {
      std::size_t k = 0;
      while (k < read.size() && !EqualsNoCase(read[k], name)) ++k;
      if (k == read.size()) return std::nullopt;
      at.push_back(k);
    }
    return at;
  }

  static bool HasPrimaryKey(const schema::Table& table) {
    for (const IndexKey& key : IndexKeys(table)) {
      if (key.Primary) return true;
    }
    return false;
  }

  void Table(const schema::Table& table) {
    if (!table.Fields.Ok()) return;
    std::vector<int> fields;
    std::vector<std::string> names;
    std::vector<std::int32_t> types;
    std::vector<Carry> carries;
    for (std::size_t i = 0; i < table.Fields->size(); ++i) {
      const Member<schema::Field>& field = (*table.Fields)[i];
      if (!field.Ok() || !field->Name.Ok() || !field->Type.Ok()) continue;
      const std::optional<Carry> carry = CarryOf(*field->Type);
      if (!carry) continue;
      const auto expression = schema::PropertyText(field->Properties, "Expression");
      if (expression.Ok() && *expression && !(*expression)->empty()) continue;  // calculated
      fields.push_back(static_cast<int>(i));
      names.push_back(*field->Name);
      types.push_back(*field->Type);
      carries.push_back(*carry);
    }
    if (fields.empty()) return;
    const std::string& name = *table.Name;
    // The relationships this table is a side of, with the key positions.
    std::vector<std::pair<Unenforced*, std::vector<std::size_t>>> referenced;
    std::vector<std::pair<Unenforced*, std::vector<std::size_t>>> referencing;
    for (Unenforced& link : FLinks) {
      if (EqualsNoCase(*link.Relation->Table, name)) {
        if (const auto at = Positions(link.Fields, names)) referenced.push_back({&link, *at});
      }
      if (EqualsNoCase(*link.Relation->ForeignTable, name)) {
        if (const auto at = Positions(link.ForeignFields, names))
          referencing.push_back({&link, *at});
      }
    }
    // Unique indexes other than the primary key (which holds no Null):
    // Access lets rows repeat a key that holds a Null, as the servers do.
    struct NullableKey {
      std::string Index;
      std::vector<std::size_t> At;
      std::set<std::uint64_t> Seen;  // of the keys holding a Null
      std::int64_t Repeated = 0;
    };
    std::vector<NullableKey> uniques;
    for (const IndexKey& key : IndexKeys(table)) {
      if (!key.Unique || key.Primary) continue;
      if (const auto at = Positions(key.Fields, names)) uniques.push_back({key.Name, *at, {}, 0});
    }
    const bool keyless = !HasPrimaryKey(table);
    std::vector<std::size_t> longest(fields.size(), 0);
    std::vector<std::int64_t> nuls(fields.size(), 0);
    std::vector<std::int64_t> timeOnly(fields.size(), 0);
    std::vector<std::int64_t> early(fields.size(), 0);
    std::vector<std::int64_t> unreadable(fields.size(), 0);
    std::vector<std::string> firstError(fields.size());
    std::set<std::uint64_t> seen;
    std::int64_t repeated = 0;
    std::int64_t rows = 0;
    try {
      schema::RowReader reader(FDatabase, name, fields);
      std::vector<Member<dao::Variant>> values;
      std::vector<std::optional<std::string>> canonical(fields.size());
      // The hash of the row's values at `at`, and whether one is Null.
      std::vector<std::optional<std::string>> key;
      const auto keyOf = [&](const std::vector<std::size_t>& at) {
        key.clear();
        bool null = false;
        for (const std::size_t k : at) {
          null = null || !canonical[k];
          key.push_back(canonical[k]);
        }
        return std::pair(ValuesHash(key), null);
      };
      while (reader.Next(values)) {
        ++rows;
        for (std::size_t k = 0; k < values.size(); ++k) {
          canonical[k].reset();
          if (!values[k].Ok()) {
            if (unreadable[k]++ == 0) firstError[k] = values[k].Error();
            continue;
          }
          const dao::Variant& value = *values[k];
          if (const auto* text = std::get_if<std::string>(&value)) {
            if (types[k] == dao::dbText) longest[k] = std::max(longest[k], Characters(*text));
            if (carries[k] == Carry::Text && text->find('\0') != std::string::npos) ++nuls[k];
          }
          if (const auto* date = std::get_if<dao::Date>(&value)) {
            if (date->Days >= 0 && date->Days < 1) {
              ++timeOnly[k];
            } else if (date->Days < 2) {
              ++early[k];  // before 1900-01-01
            }
          }
          if (std::holds_alternative<dao::Null>(value) ||
              std::holds_alternative<dao::Empty>(value)) {
            continue;
          }
          try {
            canonical[k] = CanonicalValue(value, carries[k]);
          } catch (const std::invalid_argument&) {
            canonical[k] = "?";
          }
        }
        if (keyless && !seen.insert(ValuesHash(canonical)).second) ++repeated;
        for (NullableKey& unique : uniques) {
          const auto [hash, null] = keyOf(unique.At);
          if (null && !unique.Seen.insert(hash).second) ++unique.Repeated;
        }
        for (auto& [link, at] : referenced) link->Keys.insert(keyOf(at).first);
        for (auto& [link, at] : referencing) {
          const auto [hash, null] = keyOf(at);
          if (!null) link->References.push_back(hash);
        }
      }
    } catch (const std::exception& e) {
      FFindings.push_back({"unreadable", name, "", std::string("行が読めません: ") + e.what()});
      return;
    }
    for (auto& [link, at] : referenced) Done(*link);
    for (auto& [link, at] : referencing) Done(*link);
    if (rows == 0) return;
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (unreadable[k] > 0) {
        FFindings.push_back({"unreadable-value", name, names[k],
                             std::to_string(unreadable[k]) +
                                 " 行の値が読めません（移すと拒まれます）: " + firstError[k]});
      }
      if (types[k] == dao::dbText &&
          (*table.Fields)[static_cast<std::size_t>(fields[k])]->Size.ValueOr(0) == WideText &&
          longest[k] <= ShortTextLimit) {
        FFindings.push_back({"oversized-text", name, names[k],
                             "サイズ 255 ですが、最も長い値は " + std::to_string(longest[k]) +
                                 " 文字です（" + std::to_string(rows) + " 行）"});
      }
      if (nuls[k] > 0) {
        FFindings.push_back(
            {"nul-in-text", name, names[k],
             std::to_string(nuls[k]) +
                 " 行の値に U+0000 があります（PostgreSQL のテキストは持てません）"});
      }
      if (timeOnly[k] > 0) {
        FFindings.push_back(
            {"time-only-date", name, names[k],
             std::to_string(timeOnly[k]) + " 行が時刻だけの値です（1899-12-30 の日付で移ります）"});
      }
      if (early[k] > 0) {
        FFindings.push_back({"pre-1900-date", name, names[k],
                             std::to_string(early[k]) + " 行が 1900 年より前の日付です"});
      }
    }
    for (const NullableKey& unique : uniques) {
      if (unique.Repeated == 0) continue;
      FFindings.push_back(
          {"null-in-unique-key", name, "",
           "一意インデックス " + Quoted(unique.Index) + " で、" + std::to_string(unique.Repeated) +
               " 行が Null を含むキーをほかの行と同じくします（Null "
               "は重複と見なされないため移せますが、このキーでは行を区別できません）"});
    }
    if (repeated > 0) {
      FFindings.push_back({"duplicate-rows", name, "",
                           "主キーがなく、" + std::to_string(repeated) +
                               " 行がほかの行と同じ値で、区別できません"});
    }
  }

  // After both tables of a link are read: the referencing rows whose key
  // the referenced table does not hold.
  static void Done(Unenforced& link) {
    if (++link.Read < 2) return;
    for (const std::uint64_t reference : link.References) {
      if (link.Keys.count(reference) == 0) ++link.Orphans;
    }
    link.Keys.clear();
    link.References.clear();
  }

  const schema::Database& FSchema;
  dao::Database& FDatabase;
  std::vector<Unenforced> FLinks;
  std::vector<Finding> FFindings;
};

}  // namespace

std::vector<Finding> LintData(const schema::Database& schema, dao::Database& database) {
  return DataChecks(schema, database).Run();
}

}  // namespace tabulon::migrate
