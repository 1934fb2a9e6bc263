#include <migrate/SqlSchemaWriter.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include <dao/ObjectModel.h>
#include <migrate/AccessExpression.h>
#include <migrate/NameScope.h>
#include <migrate/TableOrder.h>
#include <migrate/TypeMap.h>
#include <text/TextCompare.h>

namespace tabulon::migrate {

namespace {

using schema::Member;

// SQLite keeps names starting so for itself.
constexpr std::string_view SqliteReservedPrefix = "sqlite_";

struct ColumnPlan {
  std::string AccessName;
  int Field = 0;        // position in the table's fields
  std::string SqlName;  // as the server keeps it, unquoted
  std::int32_t AccessType = 0;
  bool Calculated = false;
  bool AttachedFile = false;
  std::string Sql;  // quoted
  ColumnType Type;
  bool NotNull = false;
  std::string Default;
  std::string Check;
  std::string Description;
  std::string RuleText;  // the validation text Access shows
  // Access's expressions that could not be said in SQL, kept beside it.
  std::vector<std::string> Kept;
};

struct KeyColumn {
  std::string Sql;  // quoted
  bool Descending = false;
};

struct IndexPlan {
  std::string AccessName;
  std::string Sql;  // quoted
  bool Unique = false;
  std::vector<KeyColumn> Columns;
};

struct ForeignKeyPlan {
  std::string Name;            // quoted
  std::size_t Table = 0;       // referencing, in the plan list
  std::size_t References = 0;  // referenced
  std::vector<std::string> Columns;
  std::vector<std::string> ReferencedColumns;
  std::string Actions;
  bool Later = false;  // added with ALTER TABLE after every table
};

// A complex field of a table, whose values get a table of their own.
struct ComplexPlan {
  std::string Field;
  const schema::Table* Values = nullptr;  // the hidden table, read
  std::int32_t Type = 0;                  // DAO's type code of the field
};

struct TablePlan {
  std::string AccessName;
  std::string Source;   // the table the rows are read from
  std::string Heading;  // a comment line above the CREATE TABLE
  std::string SqlName;  // as the server keeps it
  std::string Sql;      // quoted
  std::string Description;
  bool Hidden = false;
  std::vector<ColumnPlan> Columns;          // in field order
  std::vector<std::string> ColumnComments;  // fields that are not columns
  std::vector<KeyColumn> PrimaryKey;
  bool InlineAutoIncrement = false;  // SQLite: the key column says it
  std::string Check;
  std::string CheckText;
  std::string KeptRule;  // Access's table rule, when it could not be said
  std::vector<IndexPlan> Indexes;
  std::vector<std::string> IndexComments;
  // Sets of column names (quoted) a foreign key may refer to.
  std::vector<std::set<std::string>> UniqueKeys;
  std::vector<ComplexPlan> Complex;
};

// An item of a CREATE TABLE: text, and a comment for the end of its line.
struct Item {
  std::string Text;
  std::string Comment;
  bool IsComment = false;
  // A check or foreign key, which PostgreSQL is given after the rows.
  bool AfterRows = false;
  std::string RowsFree;  // the item without its checks, when it has one
};

// What a complex field is, by its type code: the engine gives 0 to the
// only kind without a code of its own, the history of an append-only memo.
std::string ComplexKind(std::int32_t type) {
  return type == 0 ? "追加のみのメモの履歴" : AccessTypeName(type);
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) out += (i > 0 ? ", " : "") + parts[i];
  return out;
}

std::string KeyList(const std::vector<KeyColumn>& columns, bool withOrder) {
  std::vector<std::string> parts;
  for (const KeyColumn& column : columns) {
    parts.push_back(column.Sql + (withOrder && column.Descending ? " DESC" : ""));
  }
  return Joined(parts);
}

class Writer {
 public:
  Writer(const schema::Database& database, Dialect dialect)
      : FDatabase(database),
        FDialect(dialect),
        FGlobalNames(NameByteLimit(dialect)),
        FConstraintNames(NameByteLimit(dialect)) {}

  SqlSchema Write(std::string_view fileName) {
    PlanTables();
    PlanRelations();
    const CreationOrder order = Order();
    std::string body;
    for (const std::size_t t : order.Tables) body += CreateTable(t);
    if (!FRelationComments.empty()) {
      body += "\n-- 外部キーにしないリレーションシップ\n" + FRelationComments;
    }
    body += FLinkedComments;
    std::string later;
    for (const ForeignKeyPlan& key : FKeys) {
      if (!key.Later) continue;
      later += "ALTER TABLE " + FTables[key.Table].Sql + " ADD " + ForeignKeyText(key) + ";\n";
    }
    if (!later.empty()) body += "\n-- 循環する参照の外部キー\n" + later;
    ViewPlans views = PlanViews(FDatabase.Queries, ViewSources(), FGlobalNames, FDialect);
    body += ViewText(views);

    SqlSchema schema;
    schema.Views = std::move(views.Views);
    schema.NotCarriedQueries = std::move(views.NotCarried);
    schema.Notes = std::move(FNotes);
    schema.Tables = std::move(FLoad);
    std::string& text = schema.Text;
    text += "-- \"" + CommentText(fileName) + "\" のテーブル定義（" +
            std::string(DialectTitle(FDialect)) + " 用、tabulon-cli が作成）\n";
    if (schema.Notes.empty()) {
      text += "-- 移行できなかったもの: なし\n";
    } else {
      text += "-- 移行できなかったもの: " + std::to_string(schema.Notes.size()) + " 件\n";
      for (const MigrationNote& note : schema.Notes) text += "--   " + NoteLine(note) + "\n";
    }
    text += "\n";
    if (FDialect == Dialect::PostgreSql) text += "SET client_encoding = 'UTF8';\n";
    text += "BEGIN;\n" + body + "\nCOMMIT;\n";
    return schema;
  }

 private:
  void Note(std::string table, std::string field, std::string text) {
    FNotes.push_back({std::move(table), std::move(field), std::move(text)});
  }

  // A member that could not be read: `fallback` stands in for it, and a
  // note says which member and what was written instead.
  template <class T>
  T Readable(const Member<T>& member, T fallback, const std::string& table,
             const std::string& field, std::string_view what, std::string_view instead) {
    if (member.Ok()) return *member;
    Note(table, field,
         std::string(what) + "が読めません（" + std::string(instead) + "）: " + member.Error());
    return fallback;
  }

  // A stored property's text, "" when it is absent; a failure is noted.
  std::string PropertyOrNote(const schema::PropertyList& properties, std::string_view name,
                             const std::string& table, const std::string& field,
                             std::string_view what, std::string_view instead) {
    return Readable(schema::PropertyText(properties, name), std::optional<std::string>(), table,
                    field, what, instead)
        .value_or("");
  }

  // The name as the server will keep a table's (`field` "") or a column's
  // name: the name itself, or a changed one with a note saying why.
  std::string ClaimName(NameScope& scope, const std::string& name, const std::string& table,
                        const std::string* field) {
    std::string wanted = name;
    std::string why = "ほかの名前と重なります";
    if (name.empty()) {
      why = "空の名前は使えません";
    } else if (field == nullptr && FDialect == Dialect::Sqlite &&
               EqualsNoCase(std::string_view(name).substr(0, SqliteReservedPrefix.size()),
                            SqliteReservedPrefix)) {
      wanted = "_" + name;
      why = "SQLite が自分のためにとっておく名前です";
    } else if (NameByteLimit(FDialect) != 0 && name.size() > NameByteLimit(FDialect)) {
      why = std::to_string(NameByteLimit(FDialect)) + " バイトを超える名前は切られます";
    }
    const std::string claimed = scope.Claim(wanted);
    if (claimed != name) {
      Note(table, field != nullptr ? *field : "",
           "名前を \"" + claimed + "\" に変えました（" + why + "）");
    }
    return claimed;
  }

  // ---- Tables ------------------------------------------------------------------

  void PlanTables() {
    if (!FDatabase.Tables.Ok()) {
      Note("", "", "テーブルの一覧が読めません: " + FDatabase.Tables.Error());
      return;
    }
    for (const Member<schema::Table>& item : *FDatabase.Tables) {
      if (!item.Ok() || !item->Name.Ok()) {
        Note("", "", "テーブルが読めません: " + (item.Ok() ? item->Name.Error() : item.Error()));
        continue;
      }
      const schema::Table& table = *item;
      if (schema::IsSystemTable(table)) continue;
      if (schema::IsLinkedTable(table)) {
        LinkedTable(table);
        continue;
      }
      PlanTable(table);
    }
    // After every table of the database's own, so that those keep their
    // names.
    for (std::size_t parent = 0, tables = FTables.size(); parent < tables; ++parent) {
      PlanValueTables(parent);
    }
  }

  // The hidden table that holds the values of the complex field `field` of
  // `table`, when it can be read; null otherwise.
  const schema::Table* ValueTableOf(const std::string& table, const std::string& field) {
    if (!FDatabase.ComplexFields.Ok()) {
      if (!FComplexFailureNoted) {
        Note("", "",
             "複数値と添付ファイルの値の置き場所が読めません: " + FDatabase.ComplexFields.Error());
        FComplexFailureNoted = true;
      }
      return nullptr;
    }
    for (const Member<schema::ComplexField>& complex : *FDatabase.ComplexFields) {
      if (!complex.Ok() || !complex->Table.Ok() || !complex->Field.Ok() ||
          *complex->Table != table || *complex->Field != field) {
        continue;
      }
      if (!complex->ValueTable.Ok()) {
        Note(table, field, "値のテーブルが見つかりません: " + complex->ValueTable.Error());
        return nullptr;
      }
      const schema::Table* values = schema::FindTable(FDatabase, *complex->ValueTable);
      if (values == nullptr || !values->Fields.Ok()) {
        Note(table, field,
             "値のテーブル \"" + *complex->ValueTable + "\" が読めません" +
                 (values == nullptr ? "" : ": " + values->Fields.Error()));
        return nullptr;
      }
      return values;
    }
    return nullptr;
  }

  // The tables of the values of the planned table `parent`'s complex
  // fields, each with a foreign key back to the parent's key column.
  void PlanValueTables(std::size_t parent) {
    const std::vector<ComplexPlan> complex = FTables[parent].Complex;
    for (const ComplexPlan& field : complex) {
      const schema::Table* values = field.Values;
      const std::string parentName = FTables[parent].AccessName;
      schema::Table shown = *values;
      shown.Name = parentName + "_" + field.Field;
      const std::size_t at = FTables.size();
      PlanTable(shown, *values->Name);
      // Looked up after the planning, which may have moved the tables.
      ColumnPlan* keyed = nullptr;
      for (ColumnPlan& column : FTables[parent].Columns) {
        if (column.AccessName == field.Field) keyed = &column;
      }
      if (FTables.size() == at) {
        if (keyed != nullptr) keyed->Kept.push_back(ComplexKind(field.Type) + ": 値は移せません");
        continue;
      }
      TablePlan& plan = FTables[at];
      if (keyed != nullptr) {
        keyed->Kept.push_back(ComplexKind(field.Type) + ": 値はテーブル \"" + plan.SqlName +
                              "\" の行のキー");
      }
      plan.Heading = "テーブル \"" + parentName + "\" のフィールド \"" + field.Field + "\"（" +
                     ComplexKind(field.Type) + "）の値";
      for (ColumnPlan& column : plan.Columns) {
        column.AttachedFile = field.Type == dao::dbAttachment && column.AccessName == "FileData" &&
                              column.AccessType == dao::dbLongBinary;
      }
      // Access names the column of the parent's key after the field.
      const ColumnPlan* key = ColumnNamed(plan, "_" + field.Field);
      const ColumnPlan* target = ColumnNamed(FTables[parent], field.Field);
      const std::set<std::string> referenced{target != nullptr ? target->Sql : ""};
      const auto& unique = FTables[parent].UniqueKeys;
      if (key == nullptr || target == nullptr ||
          std::find(unique.begin(), unique.end(), referenced) == unique.end()) {
        Note(*shown.Name, "",
             "元のテーブルの行へのキーが見つからないため外部キーを作りません（値は移します）");
        continue;
      }
      ForeignKeyPlan link;
      link.Name = QuoteName(FConstraintNames.Claim(*shown.Name));
      link.Table = at;
      link.References = parent;
      link.Columns = {key->Sql};
      link.ReferencedColumns = {target->Sql};
      // The values belong to their row.
      link.Actions = " ON DELETE CASCADE";
      FKeys.push_back(std::move(link));
    }
  }

  void LinkedTable(const schema::Table& table) {
    const std::string& name = *table.Name;
    const std::string connect =
        PropertyOrNote(table.Properties, "Connect", name, "", "リンク元", "リンク先不明としました");
    const std::string source = PropertyOrNote(table.Properties, "SourceTableName", name, "",
                                              "リンク元のテーブル名", "? としました");
    std::string from = "リンク先不明";
    if (!connect.empty()) {
      from = "リンク元 \"" + CommentText(connect) + "\" のテーブル \"" +
             CommentText(!source.empty() ? source : "?") + "\"";
    }
    FLinkedComments += "\n-- リンク テーブル \"" + CommentText(*table.Name) + "\": " + from +
                       "（データはリンク元にあるため作りません）\n";
  }

  // `source` is the hidden table a complex field's values are read from,
  // "" for a table of the database's own.
  void PlanTable(const schema::Table& table, const std::string& source = "") {
    const std::string& name = *table.Name;
    TablePlan plan;
    plan.AccessName = name;
    plan.Source = source.empty() ? name : source;
    plan.Hidden = schema::IsHiddenTable(table);
    plan.Description =
        PropertyOrNote(table.Properties, "Description", name, "", "説明", "コメントなしにしました");
    if (!table.Fields.Ok()) {
      Note(name, "", "フィールドが読めないため作りません: " + table.Fields.Error());
      return;
    }
    NameScope columnNames(NameByteLimit(FDialect));
    for (std::size_t i = 0; i < table.Fields->size(); ++i) {
      PlanColumn(table, (*table.Fields)[i], static_cast<int>(i), columnNames, plan);
    }
    if (plan.Columns.empty()) {
      Note(name, "", "列にできるフィールドがないため作りません");
      return;
    }
    plan.SqlName = ClaimName(FGlobalNames, name, name, nullptr);
    plan.Sql = QuoteName(plan.SqlName);
    PlanIndexes(table, plan);
    PlanTableRule(table, plan);
    // Relationships name only the database's own tables.
    if (source.empty()) FTableIndex[ToLowerText(name)] = FTables.size();
    FTables.push_back(std::move(plan));
  }

  void PlanColumn(const schema::Table& table, const Member<schema::Field>& item, int position,
                  NameScope& names, TablePlan& plan) {
    const std::string& tableName = *table.Name;
    if (!item.Ok() || !item->Name.Ok() || !item->Type.Ok()) {
      const std::string error = !item.Ok()         ? item.Error()
                                : !item->Name.Ok() ? item->Name.Error()
                                                   : item->Type.Error();
      Note(tableName, item.Ok() ? item->Name.ValueOr("") : "", "フィールドが読めません: " + error);
      return;
    }
    const schema::Field& field = *item;
    const std::string& name = *field.Name;
    FieldShape shape;
    shape.Type = *field.Type;
    shape.Size = Readable(field.Size, std::int64_t{0}, tableName, name, "サイズ", "0 としました");
    shape.AutoIncrement = (Readable(field.Attributes, std::int32_t{0}, tableName, name, "属性",
                                    "オートナンバーでないものとしました") &
                           dao::dbAutoIncrField) != 0;
    bool unknownDigits = false;
    if (shape.Type == dao::dbDecimal) {
      const auto precision = schema::FindProperty(field.Properties, "Precision");
      const auto scale = schema::FindProperty(field.Properties, "Scale");
      const auto* p =
          precision.Ok() && *precision ? std::get_if<std::int64_t>(&**precision) : nullptr;
      const auto* s = scale.Ok() && *scale ? std::get_if<std::int64_t>(&**scale) : nullptr;
      unknownDigits = p == nullptr || s == nullptr;
      shape.Precision = p != nullptr ? static_cast<int>(*p) : 18;
      shape.Scale = s != nullptr ? static_cast<int>(*s) : 0;
    }
    const schema::Table* values =
        schema::MayBeComplexType(shape.Type) ? ValueTableOf(tableName, name) : nullptr;
    const std::int32_t accessType = shape.Type;
    if (values != nullptr) {
      // The column keeps the key Access gave the row; the values follow
      // in a table of their own.
      shape = FieldShape{dao::dbLong, 4, 18, 0, false};
      plan.Complex.push_back({name, values, accessType});
    }
    ColumnType type = MapColumnType(shape, FDialect);
    if (!type.Problem.empty()) {
      Note(tableName, name, type.Problem + "（型 " + AccessTypeName(shape.Type) + "）");
      plan.ColumnComments.push_back("\"" + name + "\": " + type.Problem + "（作りません）");
      return;
    }
    if (unknownDigits && FDialect == Dialect::PostgreSql) {
      type.Sql = "numeric";
      type.Loss = "小数の桁数が読めないため numeric にしました";
    }
    if (!type.Loss.empty()) Note(tableName, name, type.Loss);
    ColumnPlan column;
    column.AccessName = name;
    column.Field = position;
    column.AccessType = shape.Type;
    column.SqlName = ClaimName(names, name, tableName, &name);
    column.Sql = QuoteName(column.SqlName);
    column.Type = type;
    column.NotNull =
        Readable(field.Required, false, tableName, name, "値要求", "NOT NULL にしませんでした") ||
        type.NotNull;
    column.Default = type.Default;
    const dao::Variant defaultValue = Readable(field.DefaultValue, dao::Variant(std::string()),
                                               tableName, name, "既定値", "既定値なしにしました");
    const std::string access =
        Readable(schema::ReadMember([&] { return dao::VariantToText(defaultValue); }),
                 std::string(), tableName, name, "既定値", "既定値なしにしました");
    if (!access.empty()) {
      const Translation translated = TranslateDefault(access, type.Kind, FDialect);
      if (translated.Problem.empty()) {
        if (!translated.Sql.empty()) column.Default = translated.Sql;
      } else {
        Note(tableName, name,
             "既定値 " + access + " は移行できません（" + translated.Problem + "）");
        column.Kept.push_back("Access の既定値: " + access);
      }
    }
    if (type.Identity || shape.AutoIncrement) column.Default.clear();
    const std::string rule = Readable(field.ValidationRule, std::string(), tableName, name,
                                      "入力規則", "CHECK なしにしました");
    if (!rule.empty()) {
      const std::optional<ExpressionField> self = OperandOf(column);
      const Translation translated = TranslateRule(rule, self, FieldsOf(plan, column), FDialect);
      if (translated.Problem.empty()) {
        column.Check = translated.Sql;
        column.RuleText = Readable(field.ValidationText, std::string(), tableName, name,
                                   "エラーメッセージ", "なしにしました");
      } else {
        Note(tableName, name,
             "入力規則 " + rule + " は移行できません（" + translated.Problem + "）");
        column.Kept.push_back("Access の入力規則: " + rule);
      }
    }
    if (const std::string expression = PropertyOrNote(field.Properties, "Expression", tableName,
                                                      name, "式", "値を持つ列にしました");
        !expression.empty()) {
      column.Calculated = true;
      Note(
          tableName, name,
          "集計（計算）フィールドの式 " + expression + " は移行できません（値を持つ列になります）");
      column.Kept.push_back("Access の式: " + expression);
    }
    column.Description = PropertyOrNote(field.Properties, "Description", tableName, name, "説明",
                                        "コメントなしにしました");
    plan.Columns.push_back(std::move(column));
  }

  // The fields a rule of `plan` may name: the columns planned so far and
  // `current`, which is being planned.
  FieldLookup FieldsOf(const TablePlan& plan, const ColumnPlan& current) {
    return [this, &plan, &current](std::string_view name) -> std::optional<ExpressionField> {
      if (EqualsNoCase(current.AccessName, name)) return OperandOf(current);
      for (const ColumnPlan& column : plan.Columns) {
        if (EqualsNoCase(column.AccessName, name)) return OperandOf(column);
      }
      return std::nullopt;
    };
  }

  // A column as a rule's operand. SQLite keeps exact numbers as text,
  // which its comparisons would take as text.
  ExpressionField OperandOf(const ColumnPlan& column) const {
    const bool textNumber = FDialect == Dialect::Sqlite && (column.AccessType == dao::dbCurrency ||
                                                            column.AccessType == dao::dbDecimal);
    return {textNumber ? "CAST(" + column.Sql + " AS REAL)" : column.Sql, column.Type.Kind};
  }

  const ColumnPlan* ColumnNamed(const TablePlan& plan, std::string_view name) const {
    for (const ColumnPlan& column : plan.Columns) {
      if (column.AccessName == name) return &column;
    }
    for (const ColumnPlan& column : plan.Columns) {
      if (EqualsNoCase(column.AccessName, name)) return &column;
    }
    return nullptr;
  }

  void PlanTableRule(const schema::Table& table, TablePlan& plan) {
    const std::string rule = Readable(table.ValidationRule, std::string(), *table.Name, "",
                                      "入力規則", "CHECK なしにしました");
    if (rule.empty()) return;
    const FieldLookup fields = [&plan,
                                this](std::string_view name) -> std::optional<ExpressionField> {
      const ColumnPlan* column = ColumnNamed(plan, name);
      if (column == nullptr) return std::nullopt;
      return OperandOf(*column);
    };
    const Translation translated = TranslateRule(rule, std::nullopt, fields, FDialect);
    if (translated.Problem.empty()) {
      plan.Check = translated.Sql;
      plan.CheckText = Readable(table.ValidationText, std::string(), *table.Name, "",
                                "エラーメッセージ", "なしにしました");
    } else {
      Note(*table.Name, "", "入力規則 " + rule + " は移行できません（" + translated.Problem + "）");
      plan.KeptRule = "Access の入力規則: " + rule + "（移行できません）";
    }
  }

  // The key columns of an index, or nullopt (with a note) when one is not a
  // column.
  std::optional<std::vector<KeyColumn>> KeyColumns(const schema::Table& table,
                                                   const schema::Index& index,
                                                   const TablePlan& plan) {
    const std::string indexName = index.Name.ValueOr("?");
    if (!index.Fields.Ok()) {
      Note(*table.Name, "",
           "インデックス \"" + indexName + "\" が読めません: " + index.Fields.Error());
      return std::nullopt;
    }
    std::vector<KeyColumn> columns;
    for (const Member<schema::IndexField>& field : *index.Fields) {
      if (!field.Ok() || !field->Name.Ok()) {
        Note(*table.Name, "",
             "インデックス \"" + indexName + "\" のフィールドが読めないため作りません: " +
                 (field.Ok() ? field->Name.Error() : field.Error()));
        return std::nullopt;
      }
      const ColumnPlan* column = ColumnNamed(plan, *field->Name);
      if (column == nullptr) {
        Note(*table.Name, "",
             "インデックス \"" + indexName + "\" は列にならないフィールドを含むため作りません");
        return std::nullopt;
      }
      columns.push_back(
          {column->Sql, Readable(field->Descending, false, *table.Name, "",
                                 "インデックス \"" + indexName + "\" の並び順", "昇順としました")});
    }
    if (columns.empty()) return std::nullopt;
    return columns;
  }

  void PlanIndexes(const schema::Table& table, TablePlan& plan) {
    if (!table.Indexes.Ok()) {
      Note(*table.Name, "", "インデックスが読めません: " + table.Indexes.Error());
      return;
    }
    // Same columns in the same order and directions make the same index:
    // the primary key is made first, then the user's indexes, then those
    // Access keeps for relationships.
    enum class Pass { Primary, Plain, Foreign };
    std::map<std::string, std::string> made;
    auto signature = [](const std::vector<KeyColumn>& columns) { return KeyList(columns, true); };
    for (const Pass pass : {Pass::Primary, Pass::Plain, Pass::Foreign}) {
      for (const Member<schema::Index>& item : *table.Indexes) {
        if (!item.Ok() || !item->Name.Ok()) {
          if (pass == Pass::Primary) {
            Note(*table.Name, "",
                 "インデックスが読めません: " + (item.Ok() ? item->Name.Error() : item.Error()));
          }
          continue;
        }
        const schema::Index& index = *item;
        const bool primary = index.Primary.ValueOr(false);
        const Pass own = primary                        ? Pass::Primary
                         : index.Foreign.ValueOr(false) ? Pass::Foreign
                                                        : Pass::Plain;
        if (pass == Pass::Primary) {
          // Said once, in the first pass, though every pass looks.
          for (const auto& [member, instead] :
               {std::pair{&index.Primary, "主キーでないものとしました"},
                std::pair{&index.Foreign, "リレーションシップ用でないものとしました"},
                std::pair{&index.Unique, "重複ありとしました"}}) {
            Readable(*member, false, *table.Name, "", "インデックス \"" + *index.Name + "\" の種類",
                     instead);
          }
        }
        if (own != pass) continue;
        const auto columns = KeyColumns(table, index, plan);
        if (!columns) continue;
        const bool unique = primary || index.Unique.ValueOr(false);
        std::set<std::string> keySet;
        for (const KeyColumn& column : *columns) keySet.insert(column.Sql);
        if (primary && plan.PrimaryKey.empty()) {
          plan.PrimaryKey = *columns;
          made[signature(*columns)] = *index.Name;
          plan.UniqueKeys.push_back(keySet);
          if (std::any_of(columns->begin(), columns->end(),
                          [](const KeyColumn& c) { return c.Descending; })) {
            Note(*table.Name, "",
                 "主キー \"" + *index.Name + "\" の降順は移行できません（主キーは昇順になります）");
          }
          continue;
        }
        const auto same = made.find(signature(*columns));
        if (same != made.end()) {
          if (pass != Pass::Foreign) {
            plan.IndexComments.push_back("インデックス \"" + CommentText(*index.Name) + "\" は \"" +
                                         CommentText(same->second) + "\" と同じ列なので作りません");
          }
          continue;
        }
        made[signature(*columns)] = *index.Name;
        IndexPlan planned;
        planned.AccessName = *index.Name;
        planned.Unique = unique;
        planned.Columns = *columns;
        plan.Indexes.push_back(std::move(planned));
        if (unique) plan.UniqueKeys.push_back(keySet);
      }
    }
  }

  // ---- Relations -------------------------------------------------------------

  const TablePlan* PlannedTable(std::string_view name, std::size_t& at) const {
    const auto found = FTableIndex.find(ToLowerText(name));
    if (found == FTableIndex.end()) return nullptr;
    at = found->second;
    return &FTables[at];
  }

  void PlanRelations() {
    if (!FDatabase.Relations.Ok()) {
      Note("", "", "リレーションシップの一覧が読めません: " + FDatabase.Relations.Error());
      return;
    }
    for (const Member<schema::Relation>& item : *FDatabase.Relations) PlanRelation(item);
  }

  void PlanRelation(const Member<schema::Relation>& item) {
    if (!item.Ok()) {
      Note("", "", "リレーションシップが読めません: " + item.Error());
      return;
    }
    for (const std::string* error :
         {&item->Name.Error(), &item->Table.Error(), &item->ForeignTable.Error(),
          &item->Attributes.Error(), &item->Fields.Error()}) {
      if (error->empty()) continue;
      Note("", "",
           "リレーションシップ \"" + item->Name.ValueOr("?") + "\" が読めません: " + *error);
      return;
    }
    const schema::Relation& relation = *item;
    const std::int32_t attributes = *relation.Attributes;
    const bool enforced = (attributes & dao::dbRelationDontEnforce) == 0;
    std::vector<std::string> names;
    std::vector<std::string> foreignNames;
    for (const Member<schema::RelationField>& field : *relation.Fields) {
      const std::string& error = !field.Ok()         ? field.Error()
                                 : !field->Name.Ok() ? field->Name.Error()
                                                     : field->ForeignName.Error();
      if (!field.Ok() || !field->Name.Ok() || !field->ForeignName.Ok()) {
        Note("", "",
             "リレーションシップ \"" + *relation.Name + "\" のフィールドが読めません: " + error);
        return;
      }
      names.push_back(*field->Name);
      foreignNames.push_back(*field->ForeignName);
    }
    auto quotedList = [](const std::vector<std::string>& list) {
      std::vector<std::string> quoted;
      for (const std::string& name : list) quoted.push_back("\"" + CommentText(name) + "\"");
      return Joined(quoted);
    };
    const std::string shown = "リレーションシップ \"" + CommentText(*relation.Name) + "\": \"" +
                              CommentText(*relation.ForeignTable) + "\" (" +
                              quotedList(foreignNames) + ") → \"" + CommentText(*relation.Table) +
                              "\" (" + quotedList(names) + ")";
    if (!enforced) {
      FRelationComments += "-- " + shown + "（参照整合性なし。外部キーにしません）\n";
      return;
    }
    auto notCarried = [&](const std::string& why) {
      FRelationComments += "-- " + shown + "（" + why + "）\n";
      Note(*relation.ForeignTable, "",
           "リレーションシップ \"" + *relation.Name + "\" の外部キーは作れません（" + why + "）");
    };
    std::size_t from = 0;
    std::size_t to = 0;
    const TablePlan* many = PlannedTable(*relation.ForeignTable, from);
    const TablePlan* one = PlannedTable(*relation.Table, to);
    if (many == nullptr || one == nullptr) {
      // Relationships among the engine's own tables are the engine's.
      if (IsSystemName(*relation.Table) || IsSystemName(*relation.ForeignTable)) return;
      return notCarried("テーブルがこのファイルで作られません");
    }
    ForeignKeyPlan key;
    key.Table = from;
    key.References = to;
    std::set<std::string> referenced;
    for (std::size_t i = 0; i < names.size(); ++i) {
      const ColumnPlan* local = ColumnNamed(*many, foreignNames[i]);
      const ColumnPlan* target = ColumnNamed(*one, names[i]);
      if (local == nullptr || target == nullptr)
        return notCarried("列にならないフィールドを含みます");
      key.Columns.push_back(local->Sql);
      key.ReferencedColumns.push_back(target->Sql);
      referenced.insert(target->Sql);
    }
    if (key.Columns.empty()) return notCarried("フィールドの組がありません");
    if (std::find(one->UniqueKeys.begin(), one->UniqueKeys.end(), referenced) ==
        one->UniqueKeys.end()) {
      return notCarried("参照先の列に主キーも一意のインデックスもありません");
    }
    key.Name = QuoteName(FConstraintNames.Claim(*relation.Name));
    if ((attributes & dao::dbRelationUpdateCascade) != 0) key.Actions += " ON UPDATE CASCADE";
    if ((attributes & dao::dbRelationDeleteCascade) != 0) {
      key.Actions += " ON DELETE CASCADE";
    } else if ((attributes & dao::dbRelationCascadeNull) != 0) {
      key.Actions += " ON DELETE SET NULL";
    }
    FKeys.push_back(std::move(key));
  }

  bool IsSystemName(std::string_view table) const {
    if (!FDatabase.Tables.Ok()) return false;
    const schema::Table* found = schema::FindTable(FDatabase, table);
    return found != nullptr && schema::IsSystemTable(*found);
  }

  CreationOrder Order() {
    std::vector<Dependency> dependencies;
    for (const ForeignKeyPlan& key : FKeys) dependencies.push_back({key.Table, key.References});
    CreationOrder order = OrderTables(FTables.size(), dependencies);
    if (FDialect == Dialect::PostgreSql) {
      for (std::size_t k = 0; k < FKeys.size(); ++k) {
        ForeignKeyPlan& key = FKeys[k];
        // A table's key to itself can stay in it only when it refers to
        // the primary key: other unique keys are indexes made after it.
        const bool self = key.Table == key.References;
        const std::set<std::string> referenced(key.ReferencedColumns.begin(),
                                               key.ReferencedColumns.end());
        std::set<std::string> primary;
        for (const KeyColumn& c : FTables[key.Table].PrimaryKey) primary.insert(c.Sql);
        key.Later = order.Later[k] || (self && referenced != primary);
      }
    }
    return order;
  }

  std::string ForeignKeyText(const ForeignKeyPlan& key) const {
    return "CONSTRAINT " + key.Name + " FOREIGN KEY (" + Joined(key.Columns) + ") REFERENCES " +
           FTables[key.References].Sql + " (" + Joined(key.ReferencedColumns) + ")" + key.Actions;
  }

  // ---- Views ----------------------------------------------------------------------

  // The database's own tables as the views' sources.
  std::vector<ViewSource> ViewSources() const {
    std::vector<ViewSource> sources;
    for (const TablePlan& plan : FTables) {
      if (plan.Source != plan.AccessName) continue;
      ViewSource source{plan.AccessName, plan.Sql, {}, !plan.PrimaryKey.empty()};
      for (const ColumnPlan& column : plan.Columns) {
        const std::int32_t type = column.AccessType;
        const bool integer = type == dao::dbByte || type == dao::dbInteger || type == dao::dbLong ||
                             type == dao::dbBigInt;
        const bool textNumber =
            FDialect == Dialect::Sqlite && (type == dao::dbCurrency || type == dao::dbDecimal);
        source.Columns.push_back(
            {column.AccessName, {column.Sql, column.Type.Kind, integer, textNumber}});
      }
      sources.push_back(std::move(source));
    }
    return sources;
  }

  // The views, and the queries that are not, as comments with their SQL;
  // the latter are notes too.
  std::string ViewText(const ViewPlans& views) {
    std::string text;
    for (const std::string& renamed : views.Renamed) Note("", "", renamed);
    if (!views.Views.empty()) text += "\n-- 保存されたクエリのビュー\n";
    for (const PlannedView& view : views.Views) {
      text += "-- クエリ \"" + CommentText(view.AccessName) + "\"\n" + view.Create;
    }
    if (!views.NotCarried.empty()) text += "\n-- ビューにしないクエリ\n";
    for (const NotCarriedQuery& query : views.NotCarried) {
      const std::string said = query.Query.empty() ? query.Reason
                                                   : "クエリ \"" + query.Query +
                                                         "\" はビューにしません: " + query.Reason;
      Note("", "", said);
      text += "-- " + CommentText(said) + "\n";
      std::size_t start = 0;
      while (start < query.AccessSql.size()) {
        std::size_t end = query.AccessSql.find('\n', start);
        if (end == std::string::npos) end = query.AccessSql.size();
        text += "--   " + CommentText(query.AccessSql.substr(start, end - start)) + "\n";
        start = end + 1;
      }
    }
    return text;
  }

  // ---- Text ---------------------------------------------------------------------

  std::string ColumnText(const TablePlan& plan, const ColumnPlan& column,
                         bool withCheck = true) const {
    std::string text = column.Sql + " " + column.Type.Sql;
    if (plan.InlineAutoIncrement && plan.PrimaryKey.front().Sql == column.Sql) {
      text += " PRIMARY KEY AUTOINCREMENT";
    }
    if (column.NotNull) text += " NOT NULL";
    if (!column.Default.empty()) text += " DEFAULT " + column.Default;
    if (withCheck && !column.Check.empty()) text += " CHECK (" + column.Check + ")";
    return text;
  }

  std::string CreateTable(std::size_t table) {
    TablePlan& plan = FTables[table];
    // SQLite numbers rows itself only for a one-column integer primary key.
    if (!plan.PrimaryKey.empty()) {
      for (ColumnPlan& column : plan.Columns) {
        if (!column.Type.Identity || FDialect != Dialect::Sqlite) continue;
        if (plan.PrimaryKey.size() == 1 && plan.PrimaryKey.front().Sql == column.Sql) {
          plan.InlineAutoIncrement = true;
        } else {
          Note(plan.AccessName, column.AccessName,
               "オートナンバーは SQLite では 1 列だけの主キーでしか自動で振られません（integer "
               "にしました）");
        }
      }
    } else if (FDialect == Dialect::Sqlite) {
      for (const ColumnPlan& column : plan.Columns) {
        if (column.Type.Identity) {
          Note(plan.AccessName, column.AccessName,
               "オートナンバーは SQLite では 1 列だけの主キーでしか自動で振られません（integer "
               "にしました）");
        }
      }
    }
    const bool sqlite = FDialect == Dialect::Sqlite;
    std::vector<Item> items;
    for (const ColumnPlan& column : plan.Columns) {
      std::string comment = sqlite ? column.Description : "";
      if (!column.RuleText.empty()) {
        comment += (comment.empty() ? "" : " / ") + std::string("入力規則: ") + column.RuleText;
      }
      for (const std::string& kept : column.Kept) comment += (comment.empty() ? "" : " / ") + kept;
      items.push_back({ColumnText(plan, column), comment, false, false,
                       column.Check.empty() ? "" : ColumnText(plan, column, false)});
    }
    for (const std::string& comment : plan.ColumnComments)
      items.push_back({comment, "", true, false, ""});
    if (!plan.KeptRule.empty()) items.push_back({plan.KeptRule, "", true, false, ""});
    if (!plan.PrimaryKey.empty() && !plan.InlineAutoIncrement) {
      items.push_back(
          {"PRIMARY KEY (" + KeyList(plan.PrimaryKey, false) + ")", "", false, false, ""});
    }
    if (!plan.Check.empty()) {
      items.push_back({"CHECK (" + plan.Check + ")",
                       plan.CheckText.empty() ? "" : "入力規則: " + plan.CheckText, false, true,
                       ""});
    }
    for (const ForeignKeyPlan& key : FKeys) {
      if (key.Table == table && !key.Later) {
        items.push_back({ForeignKeyText(key), "", false, true, ""});
      }
    }

    LoadTable load;
    load.AccessName = plan.AccessName;
    load.Source = plan.Source;
    load.SqlName = plan.SqlName;
    load.Sql = plan.Sql;
    for (const ColumnPlan& column : plan.Columns) {
      load.Columns.push_back({column.AccessName, column.Field, column.Sql,
                              CarryOf(column.AccessType).value_or(Carry::Text), column.AccessType,
                              column.Calculated, column.AttachedFile});
      if (!sqlite && column.Type.Identity) {
        // The column's name is taken as it is, the table's as SQL reads it.
        load.Renumber.push_back("SELECT setval(pg_get_serial_sequence(" + QuoteText(plan.Sql) +
                                ", " + QuoteText(column.SqlName) + "), GREATEST(coalesce(max(" +
                                column.Sql + "), 0), 1), max(" + column.Sql +
                                ") IS NOT NULL) FROM " + plan.Sql + ";\n");
      }
      if (!sqlite && !column.Check.empty()) load.Checks.push_back(column.Check);
    }
    if (!sqlite && !plan.Check.empty()) load.Checks.push_back(plan.Check);
    if (!sqlite) {
      for (const ForeignKeyPlan& key : FKeys) {
        if (key.Table == table) {
          load.ForeignKeys.push_back("ALTER TABLE " + plan.Sql + " ADD " + ForeignKeyText(key) +
                                     ";\n");
        }
      }
    }

    std::string text = "\n";
    if (plan.Hidden) text += "-- Access では非表示のテーブル\n";
    if (!plan.Heading.empty()) text += "-- " + CommentText(plan.Heading) + "\n";
    text += CreateText(plan, items, false);
    load.Create = CreateText(plan, items, !sqlite);
    for (IndexPlan& index : plan.Indexes) {
      // Index names are the database's, so they carry the table's.
      index.Sql = QuoteName(FGlobalNames.Claim(plan.SqlName + "." + index.AccessName));
      const std::string create =
          std::string(index.Unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + index.Sql +
          " ON " + plan.Sql + " (" + KeyList(index.Columns, true) + ");\n";
      text += create;
      load.After.push_back(create);
    }
    for (const std::string& comment : plan.IndexComments) text += "-- " + comment + "\n";
    if (!sqlite) {
      if (!plan.Description.empty()) {
        text += "COMMENT ON TABLE " + plan.Sql + " IS " + QuoteText(plan.Description) + ";\n";
        load.After.push_back("COMMENT ON TABLE " + plan.Sql + " IS " + QuoteText(plan.Description) +
                             ";\n");
      }
      for (const ColumnPlan& column : plan.Columns) {
        if (column.Description.empty()) continue;
        const std::string comment = "COMMENT ON COLUMN " + plan.Sql + "." + column.Sql + " IS " +
                                    QuoteText(column.Description) + ";\n";
        text += comment;
        load.After.push_back(comment);
      }
    }
    FLoad.push_back(std::move(load));
    return text;
  }

  // The CREATE TABLE of `plan`; `rowsFirst` leaves out the checks and
  // foreign keys that come after the rows.
  std::string CreateText(const TablePlan& plan, const std::vector<Item>& items,
                         bool rowsFirst) const {
    const bool sqlite = FDialect == Dialect::Sqlite;
    const auto kept = [&](const Item& item) { return !(rowsFirst && item.AfterRows); };
    std::string text = "CREATE TABLE " + plan.Sql + " (";
    if (sqlite && !plan.Description.empty()) text += " -- " + CommentText(plan.Description);
    text += "\n";
    for (std::size_t i = 0; i < items.size(); ++i) {
      const Item& item = items[i];
      if (!kept(item)) continue;
      if (item.IsComment) {
        text += "  -- " + CommentText(item.Text) + "\n";
        continue;
      }
      bool more = false;
      for (std::size_t j = i + 1; j < items.size(); ++j) {
        more = more || (!items[j].IsComment && kept(items[j]));
      }
      const std::string& said = rowsFirst && !item.RowsFree.empty() ? item.RowsFree : item.Text;
      text += "  " + said + (more ? "," : "");
      if (!item.Comment.empty()) text += " -- " + CommentText(item.Comment);
      text += "\n";
    }
    return text + ");\n";
  }

  const schema::Database& FDatabase;
  Dialect FDialect;
  NameScope FGlobalNames;      // tables and indexes share one
  NameScope FConstraintNames;  // foreign keys
  std::vector<TablePlan> FTables;
  std::map<std::string, std::size_t> FTableIndex;  // lower-cased Access name
  std::vector<ForeignKeyPlan> FKeys;
  std::vector<MigrationNote> FNotes;
  std::vector<LoadTable> FLoad;
  std::string FRelationComments;
  std::string FLinkedComments;
  bool FComplexFailureNoted = false;
};

}  // namespace

std::string NoteLine(const MigrationNote& note) {
  std::string where;
  if (!note.Table.empty()) where += "テーブル \"" + note.Table + "\"";
  if (!note.Field.empty()) where += " のフィールド \"" + note.Field + "\"";
  return CommentText(where.empty() ? note.Text : where + ": " + note.Text);
}

std::string ColumnList(const LoadTable& table) {
  std::vector<std::string> names;
  for (const LoadColumn& column : table.Columns) names.push_back(column.Sql);
  return Joined(names);
}

SqlSchema WriteSqlSchema(const schema::Database& database, std::string_view fileName,
                         Dialect dialect) {
  return Writer(database, dialect).Write(fileName);
}

}  // namespace tabulon::migrate
