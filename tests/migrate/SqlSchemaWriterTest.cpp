// The SQL of a schema that holds what real files rarely do at once: failed
// members, linked tables, relationships that cannot become keys, fields
// without a column. The exact text is pinned by golden files in
// tests/migrate/golden (TABULON_UPDATE_GOLDEN=1 rewrites them).

#include <gtest/gtest.h>

#include <migrate/SqlSchemaWriter.h>
#include <schema/SchemaReader.h>
#include <tests/support/FakeEngine.h>
#include <tests/support/TestSupport.h>

namespace tabulon::test {
namespace {

FakeFieldData Field(const std::string& name, std::int32_t type, std::int64_t size = 0) {
  FakeFieldData field;
  field.Name = name;
  field.Type = type;
  field.Size = size;
  return field;
}

FakeDatabaseData OddDatabase() {
  FakeTableData parts;
  parts.Name = "部品";
  parts.Description = "部品表\n二行目";
  parts.ValidationRule = "[在庫] Is Null Or [在庫]<=[上限]";
  parts.ValidationText = "上限を超えています";
  parts.Fields = {Field("部品ID", dao::dbLong, 4),   Field("名称", dao::dbText, 40),
                  Field("在庫", dao::dbInteger, 2),  Field("上限", dao::dbInteger, 2),
                  Field("単価", dao::dbDecimal, 16), Field("写真", 101, 4),
                  Field("計算", dao::dbDouble, 8),   Field("壊れ", dao::dbText, 10)};
  parts.Fields[0].Attributes = dao::dbFixedField | dao::dbAutoIncrField;
  parts.Fields[1].Required = true;
  parts.Fields[1].DefaultValue = std::string("\"未定\"");
  parts.Fields[1].Description = "部品の名前";
  parts.Fields[2].ValidationRule = ">=0";
  parts.Fields[2].ValidationText = "0 以上";
  parts.Fields[3].DefaultValue = std::string("=[在庫]*2");
  parts.Fields[4].Properties = {{"Precision", std::int64_t{9}, {"Value"}}};
  parts.Fields[6].Properties = {{"Expression", std::string("[在庫]*[単価]"), {}}};
  parts.Fields[7].Fails = {"Type"};
  parts.Indexes = {{"PrimaryKey", true, false, true, {"部品ID"}, {}},
                   {"名称", false, false, true, {"名称"}, {}},
                   {"名称2", false, false, false, {"名称"}, {}},
                   {"在庫", false, false, false, {"在庫", "上限"}, {}, {"上限"}},
                   {"写真", false, false, false, {"写真"}, {}},
                   {"壊れた索引", false, false, false, {"在庫"}, {"Fields.Count"}}};

  FakeTableData uses;
  uses.Name = "sqlite_使用";
  uses.Fields = {Field("部品ID", dao::dbLong, 4), Field("名称", dao::dbText, 40),
                 Field("\"引用\"", dao::dbBoolean, 1)};
  uses.Indexes = {{"部品使用", false, true, false, {"部品ID"}, {}}};
  uses.ValidationRule = "[名称] Like \"#*\"\nOr [部品ID]>0";

  FakeTableData unreadable;
  unreadable.Name = "読めない表";
  unreadable.Fails = {"Fields.Count"};

  FakeTableData onlyAttachments;
  onlyAttachments.Name = "添付だけ";
  onlyAttachments.Fields = {Field("ファイル", 101, 4)};

  FakeTableData linked;
  linked.Name = "外部の表";
  linked.Attributes = dao::dbAttachedODBC;
  linked.Fails = {"Fields.Count", "Indexes.Count"};
  linked.Properties = {{"Connect", std::string("ODBC;DSN=販売;UID=sa;PWD=****;APP=x"), {}},
                       {"SourceTableName", std::string("dbo.Sales"), {}}};
  FakeTableData system;
  system.Name = "MSysObjects";
  system.Attributes = dao::dbSystemObject;
  system.Fields = {Field("Id", dao::dbLong, 4)};

  FakeDatabaseData db;
  db.Tables = {parts, uses, unreadable, onlyAttachments, linked, system};
  db.Relations = {
      {"部品使用", "部品", "sqlite_使用", dao::dbRelationDeleteCascade, {{"部品ID", "部品ID"}}, {}},
      {"名称使用", "部品", "sqlite_使用", dao::dbRelationCascadeNull, {{"名称", "名称"}}, {}},
      {"在庫参照", "部品", "sqlite_使用", 0, {{"在庫", "部品ID"}}, {}},
      {"外部参照", "外部の表", "部品", 0, {{"ID", "部品ID"}}, {}},
      {"参考", "部品", "sqlite_使用", dao::dbRelationDontEnforce, {{"部品ID", "部品ID"}}, {}},
      {"システム", "MSysObjects", "MSysObjects", 0, {{"Id", "Id"}}, {}},
      {"壊れた関係", "部品", "部品", 0, {}, {"Fields.Count"}},
  };
  return db;
}

class SqlSchemaGolden : public testing::TestWithParam<migrate::Dialect> {};

TEST_P(SqlSchemaGolden, MatchesExpectedText) {
  FakeConnection connection({{"/db/部品.mdb", OddDatabase()}});
  std::string error;
  connection.Dao.Open("", "/db/部品.mdb", error);
  ASSERT_TRUE(connection.Dao.Connected()) << error;
  const schema::Database schema = schema::ReadSchema(*connection.Dao.Database());
  const migrate::SqlSchema sql = migrate::WriteSqlSchema(schema, "部品.mdb", GetParam());
  const std::string name =
      GetParam() == migrate::Dialect::PostgreSql ? "odd.postgresql.sql" : "odd.sqlite.sql";
  const std::filesystem::path golden =
      std::filesystem::path(TABULON_SOURCE_DIR) / "tests/migrate/golden" / name;
  if (std::getenv("TABULON_UPDATE_GOLDEN") != nullptr) WriteBytes(golden, sql.Text);
  EXPECT_EQ(sql.Text, ReadBytes(golden));
  // Every note is in the text's head, one line each.
  for (const migrate::MigrationNote& note : sql.Notes) {
    EXPECT_NE(sql.Text.find("--   " + migrate::NoteLine(note) + "\n"), std::string::npos);
  }
  // The same schema always gives the same text.
  EXPECT_EQ(migrate::WriteSqlSchema(schema, "部品.mdb", GetParam()).Text, sql.Text);
}

INSTANTIATE_TEST_SUITE_P(Dialects, SqlSchemaGolden,
                         testing::Values(migrate::Dialect::PostgreSql, migrate::Dialect::Sqlite),
                         [](const testing::TestParamInfo<migrate::Dialect>& param) {
                           return param.param == migrate::Dialect::PostgreSql ? "PostgreSql"
                                                                              : "Sqlite";
                         });

TEST(SqlSchemaWriter, ANoteSaysWhereAndWhat) {
  EXPECT_EQ(migrate::NoteLine({"T", "F", "既定値 x は移行できません"}),
            "テーブル \"T\" のフィールド \"F\": 既定値 x は移行できません");
  EXPECT_EQ(migrate::NoteLine({"T", "", "a\nb"}), "テーブル \"T\": a b");
  EXPECT_EQ(migrate::NoteLine({"", "", "一覧が読めません"}), "一覧が読めません");
}

// The SQL of `data` read as the file "/x.mdb".
migrate::SqlSchema SqlOf(const FakeDatabaseData& data, migrate::Dialect dialect) {
  FakeConnection connection({{"/x.mdb", data}});
  std::string error;
  connection.Dao.Open("", "/x.mdb", error);
  EXPECT_TRUE(connection.Dao.Connected()) << error;
  return migrate::WriteSqlSchema(schema::ReadSchema(*connection.Dao.Database()), "x.mdb", dialect);
}

// Each member the SQL needs, unreadable in turn: never a silent 0, false
// or "", always a note naming the member and what was written instead.
TEST(SqlSchemaWriter, EveryUnreadableMemberBecomesANote) {
  struct Case {
    std::string Member;
    std::string Said;
    std::string Error;
  };
  const std::vector<Case> cases = {
      {"Size", "サイズが読めません（0 としました）", "Size failed"},
      {"Attributes", "属性が読めません（オートナンバーでないものとしました）", "Attributes failed"},
      {"Required", "値要求が読めません（NOT NULL にしませんでした）", "Required failed"},
      {"DefaultValue", "既定値が読めません（既定値なしにしました）", "DefaultValue failed"},
      {"ValidationRule", "入力規則が読めません（CHECK なしにしました）", "ValidationRule failed"},
      // A description is a stored property: its value is what fails.
      {"Description", "説明が読めません（コメントなしにしました）", "Value failed"},
  };
  for (const auto& [member, said, failure] : cases) {
    FakeTableData table;
    table.Name = "表";
    table.Fields = {Field("ID", dao::dbLong, 4), Field("名前", dao::dbText, 40)};
    table.Fields[1].Required = true;
    table.Fields[1].DefaultValue = std::string("\"x\"");
    table.Fields[1].ValidationRule = "<>\"y\"";
    table.Fields[1].Description = "名前";
    table.Fields[1].Fails = {member};
    FakeDatabaseData data;
    data.Tables = {table};
    const migrate::SqlSchema sql = SqlOf(data, migrate::Dialect::PostgreSql);
    ASSERT_FALSE(sql.Notes.empty()) << member << "\n" << sql.Text;
    // First the member itself; what the stand-in then costs may follow.
    EXPECT_EQ(migrate::NoteLine(sql.Notes[0]),
              "テーブル \"表\" のフィールド \"名前\": " + said + ": " + failure);
    EXPECT_LE(sql.Notes.size(), 2u) << sql.Text;
    EXPECT_NE(sql.Text.find("CREATE TABLE \"表\""), std::string::npos) << "the table is still made";
  }

  // The table's own rule and an index's kind, the same way.
  FakeTableData table;
  table.Name = "表";
  table.Fields = {Field("ID", dao::dbLong, 4)};
  table.Fails = {"ValidationRule"};
  table.Indexes = {{"ID", false, false, true, {"ID"}, {"Unique"}}};
  FakeDatabaseData data;
  data.Tables = {table};
  const migrate::SqlSchema sql = SqlOf(data, migrate::Dialect::Sqlite);
  std::vector<std::string> lines;
  for (const migrate::MigrationNote& note : sql.Notes) lines.push_back(migrate::NoteLine(note));
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                "テーブル \"表\": インデックス \"ID\" の種類が読めません（重複ありとしました）: "
                "Unique failed",
                "テーブル \"表\": 入力規則が読めません（CHECK なしにしました）: "
                "ValidationRule failed"}));
}

TEST(SqlSchemaWriter, AnUnreadableTableListLeavesAnEmptyScriptWithTheReason) {
  FakeDatabaseData data;
  data.Fails = {"TableDefs.Count", "Relations.Count"};
  const migrate::SqlSchema sql = SqlOf(data, migrate::Dialect::Sqlite);
  EXPECT_EQ(sql.Text,
            "-- \"x.mdb\" のテーブル定義（SQLite 用、tabulon-cli が作成）\n"
            "-- 移行できなかったもの: 2 件\n"
            "--   テーブルの一覧が読めません: TableDefs.Count failed\n"
            "--   リレーションシップの一覧が読めません: Relations.Count failed\n"
            "\n"
            "BEGIN;\n"
            "\n"
            "COMMIT;\n");
}

// Attachments and multi-value fields as Access keeps them: a key in the
// row, the values in hidden tables that MSysComplexColumns points to by
// their ids in MSysObjects.
FakeDatabaseData ComplexDatabase() {
  const auto hidden = [](const std::string& name, std::vector<FakeFieldData> fields) {
    FakeTableData table;
    table.Name = name;
    table.Attributes = dao::dbSystemObject;
    table.Fields = std::move(fields);
    return table;
  };
  FakeTableData orders;
  orders.Name = "注文";
  orders.Fields = {Field("番号", dao::dbLong, 4), Field("添付", dao::dbAttachment, 4),
                   Field("タグ", dao::dbComplexText, 4), Field("迷子", dao::dbComplexLong, 4)};
  orders.Fields[1].Attributes = dao::dbFixedField | dao::dbAutoIncrField;
  orders.Indexes = {{"PrimaryKey", true, false, true, {"番号"}, {}},
                    {"添付X", false, false, true, {"添付"}, {}},
                    {"タグX", false, false, true, {"タグ"}, {}}};
  // A table of the user's own that has the name a value table would get.
  FakeTableData clash;
  clash.Name = "注文_タグ";
  clash.Fields = {Field("x", dao::dbLong, 4)};
  FakeTableData files =
      hidden("f_1_添付", {Field("_添付", dao::dbLong, 4), Field("FileData", dao::dbLongBinary),
                          Field("FileName", dao::dbText, 255), Field("注文_添付", dao::dbLong, 4)});
  files.Fields[3].Attributes = dao::dbFixedField | dao::dbAutoIncrField;
  files.Indexes = {{"MSysComplexPKIndex", true, false, true, {"注文_添付"}, {}}};
  FakeTableData tags =
      hidden("f_2_タグ", {Field("_タグ", dao::dbLong, 4), Field("注文_タグ", dao::dbLong, 4),
                          Field("Value", dao::dbText, 255)});
  FakeTableData objects =
      hidden("MSysObjects", {Field("Id", dao::dbLong, 4), Field("Name", dao::dbText, 255)});
  objects.Rows = {{std::int64_t{1}, std::string("注文")},
                  {std::int64_t{2}, std::string("f_1_添付")},
                  {std::int64_t{3}, std::string("f_2_タグ")}};
  FakeTableData columns = hidden("MSysComplexColumns", {Field("ColumnName", dao::dbText, 255),
                                                        Field("ConceptualTableID", dao::dbLong, 4),
                                                        Field("FlatTableID", dao::dbLong, 4)});
  columns.Rows = {{std::string("添付"), std::int64_t{1}, std::int64_t{2}},
                  {std::string("タグ"), std::int64_t{1}, std::int64_t{3}},
                  {std::string("迷子"), std::int64_t{1}, std::int64_t{99}}};
  FakeDatabaseData db;
  db.Tables = {orders, files, tags, objects, columns, clash};
  return db;
}

const migrate::LoadTable* LoadNamed(const migrate::SqlSchema& sql, const std::string& name) {
  for (const migrate::LoadTable& table : sql.Tables) {
    if (table.AccessName == name) return &table;
  }
  return nullptr;
}

bool HasNote(const migrate::SqlSchema& sql, const std::string& line) {
  for (const migrate::MigrationNote& note : sql.Notes) {
    if (migrate::NoteLine(note) == line) return true;
  }
  return false;
}

TEST(SqlSchemaWriter, ComplexFieldsGetATableOfTheirValues) {
  for (const migrate::Dialect dialect : {migrate::Dialect::PostgreSql, migrate::Dialect::Sqlite}) {
    const migrate::SqlSchema sql = SqlOf(ComplexDatabase(), dialect);
    const migrate::LoadTable* orders = LoadNamed(sql, "注文");
    const migrate::LoadTable* files = LoadNamed(sql, "注文_添付");
    const migrate::LoadTable* tags = LoadNamed(sql, "注文_タグ");
    ASSERT_NE(orders, nullptr) << sql.Text;
    ASSERT_NE(files, nullptr) << sql.Text;
    ASSERT_NE(tags, nullptr) << sql.Text;
    // The field keeps the row's key, as a plain integer.
    EXPECT_NE(orders->Create.find("\"添付\" integer,"), std::string::npos) << orders->Create;
    EXPECT_NE(sql.Text.find("\"タグ\" integer, -- 複数値: 値はテーブル \"注文_タグ~2\" の行のキー"),
              std::string::npos);
    EXPECT_EQ(orders->Columns.size(), 3u);
    // The values are read from the hidden table, the file's data unwrapped.
    EXPECT_EQ(files->Source, "f_1_添付");
    EXPECT_EQ(files->SqlName, "注文_添付");
    ASSERT_EQ(files->Columns.size(), 4u);
    EXPECT_TRUE(files->Columns[1].AttachedFile);
    EXPECT_EQ(files->Columns[1].Carried, migrate::Carry::Binary);
    EXPECT_FALSE(files->Columns[2].AttachedFile);
    const std::string key =
        "FOREIGN KEY (\"_添付\") REFERENCES \"注文\" (\"添付\") ON DELETE CASCADE";
    const std::string keys = dialect == migrate::Dialect::PostgreSql
                                 ? (files->ForeignKeys.empty() ? "" : files->ForeignKeys[0])
                                 : files->Create;
    EXPECT_NE(keys.find(key), std::string::npos) << sql.Text;
    EXPECT_NE(sql.Text.find("-- テーブル \"注文\" のフィールド \"添付\"（添付ファイル）の値\n"),
              std::string::npos);
    // The user's own table keeps its name; the values' table yields.
    EXPECT_EQ(tags->Source, "注文_タグ");
    EXPECT_TRUE(std::any_of(sql.Tables.begin(), sql.Tables.end(), [](const auto& table) {
      return table.Source == "f_2_タグ" && table.SqlName != "注文_タグ";
    })) << sql.Text;
    // A field whose values cannot be found is said and left out.
    EXPECT_TRUE(HasNote(sql,
                        "テーブル \"注文\" のフィールド \"迷子\": 値のテーブルが見つかりません: "
                        "MSysObjects に番号 99 のオブジェクトがありません。"))
        << sql.Text;
    EXPECT_TRUE(HasNote(sql,
                        "テーブル \"注文\" のフィールド \"迷子\": 複数値のフィールドは列に"
                        "できません（型 複数値）"));
  }

  // Where the values are cannot be read: said once, the fields left out.
  FakeDatabaseData broken = ComplexDatabase();
  broken.Tables[4].Fields.pop_back();
  const migrate::SqlSchema sql = SqlOf(broken, migrate::Dialect::PostgreSql);
  EXPECT_TRUE(HasNote(sql,
                      "複数値と添付ファイルの値の置き場所が読めません: テーブル "
                      "'MSysComplexColumns' にフィールド 'FlatTableID' がありません。"))
      << sql.Text;
  EXPECT_EQ(LoadNamed(sql, "注文_添付"), nullptr);
  EXPECT_TRUE(HasNote(sql,
                      "テーブル \"注文\" のフィールド \"添付\": 添付ファイルのフィールドは列に"
                      "できません（型 添付ファイル）"));
}

// Queries on queries come after them; what they stand on decides.
TEST(SqlSchemaWriter, ViewsComeAfterTheirSourcesOrSayWhyNot) {
  FakeTableData items;
  items.Name = "品";
  items.Fields = {Field("番号", dao::dbLong, 4), Field("名", dao::dbText, 20)};
  FakeTableData linked;
  linked.Name = "外";
  linked.Attributes = dao::dbAttachedTable;
  linked.Fields = {Field("x", dao::dbLong, 4)};
  const auto select = [](const std::string& name, const std::string& from,
                         const std::string& column) {
    FakeQueryData query;
    query.Name = name;
    query.SQL = "SELECT " + column + " FROM " + from + ";";
    query.Parts = {{5, from, "", "", 0, 0}, {6, "", "", column, 0, 0}};
    return query;
  };
  FakeDatabaseData data;
  data.Tables = {items, linked};
  // Listed before what it is built on.
  data.Queries = {select("上", "下", "下.名"), select("下", "品", "品.名"),
                  select("輪1", "輪2", "輪2.x"), select("輪2", "輪1", "輪1.x"),
                  select("外を見る", "外", "外.x")};
  const migrate::SqlSchema sql = SqlOf(data, migrate::Dialect::PostgreSql);
  ASSERT_EQ(sql.Views.size(), 2u) << sql.Text;
  EXPECT_EQ(sql.Views[0].AccessName, "下");
  EXPECT_EQ(sql.Views[1].AccessName, "上");
  EXPECT_EQ(sql.Views[1].Create,
            "CREATE VIEW \"上\" AS\nSELECT \"下\".\"名\" AS \"名\"\nFROM \"下\";\n");
  EXPECT_TRUE(HasNote(sql,
                      "クエリ \"外を見る\" はビューにしません: \"外\" は移行されるテーブルでも"
                      "クエリでもありません"));
  EXPECT_TRUE(
      HasNote(sql, "クエリ \"輪1\" はビューにしません: 参照し合うクエリの輪の中にあります"));
  // The Access SQL of what is not carried stays beside it.
  EXPECT_NE(sql.Text.find("--   SELECT 外.x FROM 外;\n"), std::string::npos) << sql.Text;
}

}  // namespace
}  // namespace tabulon::test
