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

}  // namespace
}  // namespace tabulon::test
