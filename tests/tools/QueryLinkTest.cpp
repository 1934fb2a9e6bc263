// Saved queries and linked tables as the writer writes them, read back
// through the object model: every kind of query round-trips to its SQL, a
// Jet link is followed to a source file beside the database (and no
// further than a few files, never in a circle), and descriptions the
// writer cannot store are refused with a message.

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <dao/Dao360.h>
#include <jet/JetEngine.h>
#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/SchemaError.h>
#include <tools/jetwriter/SchemaJson.h>

#include <tests/support/ProcessRunner.h>
#include "Fixtures.h"

namespace tabulon::test {
namespace {

// Two small tables the queries read.
constexpr std::string_view Tables = R"J(
  "tables": [
    {"name": "顧客", "description": "得意先",
     "columns": [{"name": "顧客ID", "type": "long"}, {"name": "顧客名", "type": "text", "size": 40}],
     "indexes": [{"name": "PrimaryKey", "primary": true, "columns": ["顧客ID"]}]},
    {"name": "受注", "columns": [{"name": "受注ID", "type": "long"}, {"name": "顧客ID", "type": "long"},
                              {"name": "金額", "type": "currency"}]}
  ])J";

jetwriter::Database Described(std::string_view rest) {
  return jetwriter::ReadSchemaJson(fmt::format("{{{}{}}}", Tables, rest));
}

std::unique_ptr<dao::Database> Open(const std::filesystem::path& path) {
  static std::unique_ptr<dao::Engine> engine = jet::CreateJetEngine();
  return engine->Workspaces(0).OpenDatabase(path.string(), false, true, ";pwd=");
}

struct Expected {
  const char* Name;
  std::int32_t Type;
  const char* Sql;
};

TEST(QueryRoundTrip, EveryKindOfQueryReadsBackAsItsSql) {
  const TempDir dir;
  const auto path = WriteFixture(dir, "queries.mdb", Described(R"J(, "queries": [
    {"name": "一覧", "type": "select", "top": 5, "percent": true, "allFields": true,
     "tables": ["顧客", {"name": "受注", "alias": "注 文"}],
     "columns": ["顧客.顧客名", {"expression": "[注 文].金額", "alias": "税抜 金額"}],
     "joins": [{"left": "顧客", "right": "注 文", "type": "left", "on": "顧客.顧客ID = [注 文].顧客ID"}],
     "where": "(([注 文].金額)>0)", "orderBy": [{"expression": "顧客.顧客名", "descending": true}]},
    {"name": "期間", "type": "select", "distinctRow": true, "ownerAccess": true,
     "parameters": [{"name": "下限", "type": "currency"}, {"name": "名前", "type": "text", "size": 40},
                    {"name": "何か"}],
     "tables": ["受注"], "columns": ["受注.受注ID"], "where": "受注.金額>=[下限]"},
    {"name": "集計", "type": "makeTable", "target": "集計結果",
     "tables": ["受注"], "columns": [{"expression": "Sum(受注.金額)", "alias": "合計"}, "受注.顧客ID"],
     "groupBy": ["受注.顧客ID"], "having": "Sum(受注.金額)>100"},
    {"name": "追加", "type": "append", "target": "受注",
     "columns": [{"expression": "1", "target": "受注ID", "value": true},
                 {"expression": "'x'", "target": "顧客ID", "value": true}]},
    {"name": "更新", "type": "update", "tables": ["受注"],
     "columns": [{"expression": "[金額]*2", "target": "受注.金額"}], "where": "受注.受注ID=1"},
    {"name": "削除", "type": "delete", "tables": ["受注"], "columns": ["受注.*"], "where": "受注.金額 Is Null"},
    {"name": "クロス", "type": "crosstab", "tables": ["受注"],
     "columns": [{"expression": "Sum(受注.金額)", "alias": "計", "crosstab": "value"},
                 {"expression": "受注.顧客ID", "crosstab": "row"},
                 {"expression": "受注.受注ID", "crosstab": "column"}],
     "groupBy": ["受注.顧客ID"]},
    {"name": "和集合", "type": "union", "unionAll": true,
     "union": ["SELECT 顧客ID FROM 顧客\r\n", "  SELECT 顧客ID FROM 受注"]},
    {"name": "定義", "type": "dataDefinition", "sql": "CREATE TABLE 新表 (列 TEXT(10));"},
    {"name": "直接", "type": "passThrough", "sql": "EXEC 集計 1", "connect": "ODBC;DSN=基幹"},
    {"name": "~sq_cフォーム", "type": "select", "tables": ["顧客"], "columns": ["顧客.顧客名"]}
  ])J"));
  const Expected expected[] = {
      {"一覧", dao::dbQSelect,
       "SELECT TOP 5 PERCENT 顧客.顧客名, [注 文].金額 AS [税抜 金額], *\n"
       "FROM 顧客 LEFT JOIN 受注 AS [注 文] ON 顧客.顧客ID = [注 文].顧客ID\n"
       "WHERE (([注 文].金額)>0)\nORDER BY 顧客.顧客名 DESC;"},
      {"期間", dao::dbQSelect,
       "PARAMETERS 下限 Currency, 名前 Text(40), 何か Value;\n"
       "SELECT DISTINCTROW 受注.受注ID\nFROM 受注\nWHERE 受注.金額>=[下限]\n"
       "WITH OWNERACCESS OPTION;"},
      {"集計", dao::dbQMakeTable,
       "SELECT Sum(受注.金額) AS 合計, 受注.顧客ID INTO 集計結果\nFROM 受注\n"
       "GROUP BY 受注.顧客ID\nHAVING Sum(受注.金額)>100;"},
      {"追加", dao::dbQAppend, "INSERT INTO 受注 (受注ID, 顧客ID)\nVALUES (1, 'x');"},
      {"更新", dao::dbQUpdate, "UPDATE 受注\nSET 受注.金額 = [金額]*2\nWHERE 受注.受注ID=1;"},
      {"削除", dao::dbQDelete, "DELETE 受注.*\nFROM 受注\nWHERE 受注.金額 Is Null;"},
      {"クロス", dao::dbQCrosstab,
       "TRANSFORM Sum(受注.金額) AS 計\nSELECT 受注.顧客ID\nFROM 受注\nGROUP BY 受注.顧客ID\n"
       "PIVOT 受注.受注ID;"},
      {"和集合", dao::dbQSetOperation,
       "SELECT 顧客ID FROM 顧客\nUNION ALL SELECT 顧客ID FROM 受注;"},
      {"定義", dao::dbQDDL, "CREATE TABLE 新表 (列 TEXT(10));"},
      {"直接", dao::dbQSQLPassThrough, "EXEC 集計 1"},
  };
  const auto database = Open(path);
  dao::Collection<dao::QueryDef>& queries = database->QueryDefs();
  ASSERT_EQ(queries.Count(), static_cast<int>(std::size(expected)));
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.Name);
    dao::QueryDef& query = queries.Item(e.Name);
    EXPECT_EQ(query.Type(), e.Type);
    EXPECT_EQ(query.SQL(), e.Sql);
    EXPECT_EQ(query.Connect(), e.Type == dao::dbQSQLPassThrough ? "ODBC;DSN=基幹" : "");
  }
  dao::Collection<dao::Parameter>& parameters = queries.Item("期間").Parameters();
  ASSERT_EQ(parameters.Count(), 3);
  EXPECT_EQ(parameters.Item(1).Name(), "名前");
  EXPECT_EQ(parameters.Item(1).Type(), dao::dbText);
  EXPECT_EQ(parameters.Item(2).Type(), 0);
  EXPECT_EQ(database->AllQueryDefs().Count(), static_cast<int>(std::size(expected)) + 1);

  if (HaveTool("mdb-queries")) {
    const ProcessResult listed = RunProcess({"mdb-queries", "-L", "-1", path.string()});
    EXPECT_EQ(listed.ExitCode, 0);
    EXPECT_EQ(listed.Out,
              "一覧\n期間\n集計\n追加\n更新\n削除\nクロス\n和集合\n定義\n直接\n~sq_cフォーム\n");
  }
}

// The source database of the link tests: a table "仕入先" with a
// description, a key and column properties.
jetwriter::Database SourceDatabase() {
  return jetwriter::ReadSchemaJson(R"J({"tables": [{"name": "仕入先表",
    "columns": [{"name": "仕入先コード", "type": "text", "size": 10, "description": "主キー"},
                {"name": "仕入先名", "type": "text", "size": 60}],
    "indexes": [{"name": "PrimaryKey", "primary": true, "columns": ["仕入先コード"]}]}]})J");
}

jetwriter::Database LinkingDatabase(const std::string& database, const std::string& foreign) {
  return jetwriter::ReadSchemaJson(fmt::format(
      R"J({{"tables": [{{"name": "T", "columns": [{{"name": "A", "type": "long"}}]}}],
          "linkedTables": [{{"name": "仕入先", "database": {}, "foreignName": "{}"}}]}})J",
      nlohmann::json(database).dump(), foreign));
}

std::string CountFailure(dao::TableDef& table) {
  try {
    table.Fields().Count();
  } catch (const dao::EngineError& e) {
    return e.what();
  }
  return "(read)";
}

TEST(LinkedTables, JetLinkIsFollowedToItsSourceBesideTheDatabase) {
  const TempDir dir;
  WriteFixture(dir, "仕入.mdb", SourceDatabase());
  const auto path =
      WriteFixture(dir, "販売.mdb", LinkingDatabase("C:\\販売\\仕入.mdb", "仕入先表"));
  const auto database = Open(path);
  dao::TableDef& link = database->TableDefs().Item("仕入先");
  EXPECT_EQ(link.Connect(), ";DATABASE=C:\\販売\\仕入.mdb");
  EXPECT_EQ(link.SourceTableName(), "仕入先表");
  EXPECT_EQ(link.Attributes() & dao::dbAttachedTable, dao::dbAttachedTable);
  ASSERT_EQ(link.Fields().Count(), 2);
  EXPECT_EQ(link.Fields().Item(1).Name(), "仕入先名");
  EXPECT_EQ(link.Fields().Item(1).Type(), dao::dbText);
  EXPECT_EQ(dao::VariantToText(link.Fields().Item(0).Properties().Item("Description").Value()),
            "主キー");
  ASSERT_EQ(link.Indexes().Count(), 1);
  EXPECT_TRUE(link.Indexes().Item(0).Primary());
}

TEST(LinkedTables, LinksThatCannotBeFollowedNameTheirConnectText) {
  const TempDir dir;
  // A chain 1 -> 2 -> 3 -> 4 -> 5 of links with the source table in 5.
  WriteFixture(dir, "5.mdb", SourceDatabase());
  for (int i = 1; i <= 4; ++i) {
    WriteFixture(dir, std::to_string(i) + ".mdb",
                 LinkingDatabase(std::to_string(i + 1) + ".mdb", i == 4 ? "仕入先表" : "仕入先"));
  }
  EXPECT_EQ(Open(dir / "2.mdb")->TableDefs().Item("仕入先").Fields().Count(), 2)
      << "four files on the chain are followed";
  EXPECT_EQ(CountFailure(Open(dir / "1.mdb")->TableDefs().Item("仕入先")),
            "リンク テーブル '仕入先' の列は読めません（リンク先 ';DATABASE=2.mdb' へのリンクが 4 "
            "ファイルを超えて続いています）。");

  // a -> b -> a.
  WriteFixture(dir, "a.mdb", LinkingDatabase("b.mdb", "仕入先"));
  WriteFixture(dir, "b.mdb", LinkingDatabase("a.mdb", "仕入先"));
  EXPECT_EQ(CountFailure(Open(dir / "a.mdb")->TableDefs().Item("仕入先")),
            "リンク テーブル '仕入先' の列は読めません（リンク先 ';DATABASE=b.mdb' "
            "へのリンクが循環しています）。");

  WriteFixture(dir, "missing.mdb", LinkingDatabase("\\\\server\\share\\ない.mdb", "X"));
  EXPECT_EQ(CountFailure(Open(dir / "missing.mdb")->TableDefs().Item("仕入先")),
            "リンク テーブル '仕入先' の列は読めません（リンク先 "
            "';DATABASE=\\\\server\\share\\ない.mdb' が見つかりません）。");

  WriteFixture(dir, "wrongtable.mdb", LinkingDatabase("5.mdb", "ない表"));
  EXPECT_EQ(CountFailure(Open(dir / "wrongtable.mdb")->TableDefs().Item("仕入先")),
            "リンク テーブル '仕入先' の列は読めません（リンク先 ';DATABASE=5.mdb' "
            "にテーブル 'ない表' がありません）。");
}

TEST(LinkedTables, OdbcLinkKeepsItsColumnsWithoutRows) {
  const TempDir dir;
  const auto path = WriteFixture(dir, "odbc.mdb", jetwriter::ReadSchemaJson(R"J({"tables": [
    {"name": "在庫", "connect": "ODBC;DSN=基幹;PWD=秘密", "foreignName": "dbo.在庫",
     "columns": [{"name": "品番", "type": "text", "size": 10}, {"name": "数量", "type": "long"}]}]})J"));
  const auto database = Open(path);
  dao::TableDef& link = database->TableDefs().Item("在庫");
  EXPECT_EQ(link.Connect(), "ODBC;DSN=基幹;PWD=****") << "the password never leaves the reader";
  EXPECT_EQ(link.SourceTableName(), "dbo.在庫");
  EXPECT_EQ(link.Attributes() & dao::dbAttachedODBC, dao::dbAttachedODBC);
  EXPECT_EQ(link.Fields().Count(), 2);
  EXPECT_EQ(std::get<std::int64_t>(link.RecordCount()), -1);
}

std::string Refusal(std::string_view rest) {
  try {
    jetwriter::WriteDatabase(Described(rest));
  } catch (const jetwriter::SchemaError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(QueryRoundTrip, RefusesQueriesItCannotStore) {
  EXPECT_EQ(Refusal(R"J(, "queries": [{"name": "受注", "type": "select"}])J"),
            "query \"受注\": the name is used twice");
  EXPECT_EQ(Refusal(R"J(, "queries": [{"name": "Q", "type": "append"}])J"),
            "query \"Q\": append and make-table queries, and only they, have a \"target\"");
  EXPECT_EQ(Refusal(R"J(, "queries": [{"name": "Q", "type": "crosstab",
                    "columns": [{"expression": "x", "crosstab": "value"}]}])J"),
            "query \"Q\": a crosstab query has one value column and one column heading");
  EXPECT_EQ(Refusal(R"J(, "queries": [{"name": "Q", "type": "select",
                    "parameters": [{"name": "p", "type": "memo"}]}])J"),
            "query \"Q\": parameter \"p\": a parameter cannot have this type");
  EXPECT_EQ(Refusal(R"J(, "queries": [{"name": "Q", "type": "selekt"}])J"),
            "queries[0] \"Q\".type: unknown value \"selekt\" (one of select, crosstab, delete, "
            "update, append, makeTable, dataDefinition, passThrough, union)");
  EXPECT_EQ(Refusal(R"J(, "linkedTables": [{"name": "顧客", "database": "x.mdb"}])J"),
            "linked table \"顧客\": the name is used twice");
}

}  // namespace
}  // namespace tabulon::test
