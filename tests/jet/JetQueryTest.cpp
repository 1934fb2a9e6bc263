// Saved queries, linked tables and containers: the SQL rebuild over rows
// built here, and the object model over the shared files that hold queries
// and links (Jackcess's query and linker test databases), whose SQL must be
// what that library's own tests expect.

#include <map>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include <algorithm>

#include <jet/JetEngine.h>
#include <jet/QuerySql.h>
#include <tests/support/EngineTestSupport.h>
#include <tests/support/ProcessRunner.h>

namespace tabulon::test {
namespace {

using jet::QueryRow;

QueryRow Row(std::uint8_t attribute, std::int16_t flag = 0, std::string name1 = "",
             std::string name2 = "", std::string expression = "") {
  QueryRow row;
  row.Attribute = attribute;
  row.Flag = flag;
  row.Name1 = std::move(name1);
  row.Name2 = std::move(name2);
  row.Expression = std::move(expression);
  return row;
}

// A select query over Table1 with the flags row `flags` (TOP value `top`).
std::vector<QueryRow> SelectRows(std::int16_t flags, const std::string& top = "") {
  return {Row(jet::QueryType, 1), Row(jet::QueryFlags, flags, top),
          Row(jet::QueryTable, 0, "Table1"), Row(jet::QueryColumn, 0, "", "", "Table1.id"),
          Row(jet::QueryColumn, 0, "Some.Alias", "", "Table1.col")};
}

TEST(QuerySql, SelectPredicatesAndOptions) {
  EXPECT_EQ(jet::BuildQuerySql(SelectRows(0x31, "5"), dao::dbQSelect),
            "SELECT TOP 5 PERCENT Table1.id, Table1.col AS [Some.Alias], *\nFROM Table1;");
  EXPECT_EQ(jet::BuildQuerySql(SelectRows(0x07), dao::dbQSelect),
            "SELECT DISTINCT Table1.id, Table1.col AS [Some.Alias], *\nFROM Table1\n"
            "WITH OWNERACCESS OPTION;");
  EXPECT_EQ(jet::BuildQuerySql(SelectRows(0x08), dao::dbQSelect),
            "SELECT DISTINCTROW Table1.id, Table1.col AS [Some.Alias]\nFROM Table1;");
  EXPECT_EQ(jet::BuildQuerySql(SelectRows(0x12, "10"), dao::dbQSelect),
            "SELECT DISTINCT TOP 10 Table1.id, Table1.col AS [Some.Alias]\nFROM Table1;");
}

TEST(QuerySql, ParametersSourcesAndRemoteDatabases) {
  std::vector<QueryRow> rows = SelectRows(0);
  QueryRow text = Row(jet::QueryParameter, 10, "TextVal");
  text.Extra = 50;
  rows.insert(rows.begin() + 1, {Row(jet::QueryParameter, 3, "INT_VAL"), text,
                                 Row(jet::QueryParameter, 0, "[Some Value]")});
  rows.push_back(Row(jet::QueryTable, 0, "Table2", "Another Table"));
  rows.push_back(Row(jet::QueryTable, 0, "val", "Table3Val", "Select val from Table3"));
  rows.push_back(Row(jet::QueryTable, 0, "得意先 一覧"));
  rows.push_back(Row(jet::QueryRemoteDatabase, 2, "other_db.mdb", "", "MDB_FILE;"));
  EXPECT_EQ(jet::BuildQuerySql(rows, dao::dbQSelect),
            "PARAMETERS INT_VAL Short, TextVal Text(50), [Some Value] Value;\n"
            "SELECT Table1.id, Table1.col AS [Some.Alias]\n"
            "FROM Table1, Table2 AS [Another Table], [Select val from Table3].val AS Table3Val, "
            "[得意先 一覧] IN 'other_db.mdb' [MDB_FILE;];");
  rows.back() = Row(jet::QueryRemoteDatabase, 2, "", "", "MDB_FILE;");
  EXPECT_NE(jet::BuildQuerySql(rows, dao::dbQSelect).find(" IN '' [MDB_FILE;];"),
            std::string::npos);
}

TEST(QuerySql, JoinsMergeIntoNestedJoinsInStoredOrder) {
  std::vector<QueryRow> rows{Row(jet::QueryType, 1),
                             Row(jet::QueryTable, 0, "Table1"),
                             Row(jet::QueryTable, 0, "Table2"),
                             Row(jet::QueryTable, 0, "Table3"),
                             Row(jet::QueryColumn, 0, "", "", "*"),
                             Row(jet::QueryJoin, 1, "Table1", "Table2", "a"),
                             Row(jet::QueryJoin, 2, "Table2", "Table3", "b"),
                             Row(jet::QueryJoin, 1, "BogusTable", "Table3", "c")};
  EXPECT_EQ(jet::BuildQuerySql(rows, dao::dbQSelect),
            "SELECT *\nFROM BogusTable INNER JOIN ((Table1 INNER JOIN Table2 ON a) LEFT JOIN "
            "Table3 ON b) ON c;");
  // A second condition between tables already joined the other way.
  rows.push_back(Row(jet::QueryJoin, 2, "Table3", "Table1", "d"));
  EXPECT_THROW(jet::BuildQuerySql(rows, dao::dbQSelect), jet::QuerySqlError);
}

TEST(QuerySql, AppendValuesAndFailures) {
  const std::vector<QueryRow> values{
      Row(jet::QueryType, 3, "Table2"),
      Row(jet::QueryColumn, static_cast<std::int16_t>(0x8000), "", "ID", "54"),
      Row(jet::QueryColumn, static_cast<std::int16_t>(0x8000), "", "Field 3", "'hello'")};
  EXPECT_EQ(jet::BuildQuerySql(values, dao::dbQAppend),
            "INSERT INTO Table2 (ID, [Field 3])\nVALUES (54, 'hello');");

  try {
    jet::BuildQuerySql(values, 144);
    FAIL() << "an unknown query type gives no SQL";
  } catch (const jet::QuerySqlError& e) {
    EXPECT_TRUE(e.Unsupported());
  }
  std::vector<QueryRow> twoWheres = SelectRows(0);
  twoWheres.push_back(Row(jet::QueryWhere, 0, "", "", "a"));
  twoWheres.push_back(Row(jet::QueryWhere, 0, "", "", "b"));
  try {
    jet::BuildQuerySql(twoWheres, dao::dbQSelect);
    FAIL() << "two WHERE rows give no SQL";
  } catch (const jet::QuerySqlError& e) {
    EXPECT_FALSE(e.Unsupported());
  }
  EXPECT_THROW(jet::BuildQuerySql({Row(jet::QueryParameter, 12, "p")}, dao::dbQSelect),
               jet::QuerySqlError);
}

TEST(QuerySql, HostileRowsAreBounded) {
  std::vector<QueryRow> rows{Row(jet::QueryType, 1), Row(jet::QueryTable, 0, "T0")};
  for (int i = 0; i < 200; ++i) {
    rows.push_back(
        Row(jet::QueryJoin, 1, "T" + std::to_string(i), "T" + std::to_string(i + 1), "x"));
  }
  EXPECT_THROW(jet::BuildQuerySql(rows, dao::dbQSelect), jet::QuerySqlError);
  rows.resize(2 + 128);
  EXPECT_NO_THROW(jet::BuildQuerySql(rows, dao::dbQSelect)) << "128 nested joins still read";
}

TEST(QuerySql, TypeComesFromTheCatalogFlagsElseTheTypeRow) {
  const std::vector<QueryRow> rows{Row(jet::QueryType, 4)};
  EXPECT_EQ(jet::QueryTypeOf(0x50, rows), dao::dbQMakeTable);
  EXPECT_EQ(jet::QueryTypeOf(0x03, rows), dao::dbQUpdate) << "only the bits 0xF0 are the type";
  EXPECT_EQ(jet::QueryTypeOf(0, {Row(jet::QueryType, 42)}), dao::dbQSelect);
}

// What Jackcess's tests expect of its five query test databases (the same
// nine queries in each).
const std::map<std::string, std::pair<std::int32_t, std::string>>& JackcessQueries() {
  static const std::map<std::string, std::pair<std::int32_t, std::string>> expected{
      {"SelectQuery",
       {dao::dbQSelect,
        "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\n"
        "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON "
        "(Table3.col1 = Table2.col2) AND (Table3.col1 = Table2.col1)\n"
        "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\n"
        "ORDER BY Table2.col1;"}},
      {"DeleteQuery",
       {dao::dbQDelete,
        "DELETE Table1.col1, Table1.col2, Table1.col3\nFROM Table1\n"
        "WHERE (((Table1.col1)>\"blah\"));"}},
      {"AppendQuery",
       {dao::dbQAppend,
        "INSERT INTO Table3 (col2, col2, col3)\n"
        "SELECT [Table1].[col2], [Table2].[col2], [Table2].[col3]\n"
        "FROM Table3, Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1];"}},
      {"UpdateQuery",
       {dao::dbQUpdate,
        "PARAMETERS User Name Text;\nUPDATE Table1\n"
        "SET Table1.col1 = \"foo\", Table1.col2 = [Table2].[col3], [Table2].[col1] = [User "
        "Name]\nWHERE ((([Table2].[col1]) Is Not Null));"}},
      {"MakeTableQuery",
       {dao::dbQMakeTable,
        "SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2 INTO Table4\n"
        "FROM (Table2 INNER JOIN Table1 ON Table2.col1 = Table1.col2) RIGHT JOIN Table3 ON "
        "Table1.col2 = Table3.col3\nGROUP BY Table2.col2, Table3.col2\n"
        "HAVING (((Max(Table2.col1))=\"buzz\") AND ((Table2.col2)<>\"blah\"));"}},
      {"CrosstabQuery",
       {dao::dbQCrosstab,
        "TRANSFORM Count([Table2].[col2]) AS CountOfcol2\n"
        "SELECT Table2_1.col1, [Table2].[col3], Avg(Table2_1.col2) AS AvgOfcol2\n"
        "FROM (Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1]) INNER JOIN Table2 AS "
        "Table2_1 ON [Table2].[col1]=Table2_1.col3\n"
        "WHERE ((([Table1].[col1])>\"10\") And ((Table2_1.col1) Is Not Null) And "
        "((Avg(Table2_1.col2))>\"10\"))\n"
        "GROUP BY Table2_1.col1, [Table2].[col3]\nORDER BY [Table2].[col3]\n"
        "PIVOT [Table1].[col1];"}},
      {"UnionQuery",
       {dao::dbQSetOperation,
        "Select Table1.col1, Table1.col2\nwhere Table1.col1 = \"foo\"\nUNION\n"
        "Select Table2.col1, Table2.col2\nUNION ALL Select Table3.col1, Table3.col2\n"
        "where Table3.col3 > \"blah\";"}},
      {"PassthroughQuery", {dao::dbQSQLPassThrough, "ALTER TABLE Table4 DROP COLUMN col5;"}},
      {"DataDefinitionQuery", {dao::dbQDDL, "CREATE TABLE Table5 (col1 CHAR, col2 CHAR);"}},
  };
  return expected;
}

const char* const QueryTestFiles[] = {
    "jackcess/V1997/queryTestV1997.mdb", "jackcess/V2000/queryTestV2000.mdb",
    "jackcess/V2003/queryTestV2003.mdb", "jackcess/V2007/queryTestV2007.accdb",
    "jackcess/V2010/queryTestV2010.accdb"};

std::unique_ptr<dao::Database> OpenShared(const std::string& relative) {
  static std::unique_ptr<dao::Engine> engine = jet::CreateJetEngine();
  return engine->Workspaces(0).OpenDatabase((TestDataDir() / relative).string(), false, true,
                                            ";pwd=");
}

TEST(JetQueries, JackcessQueryFilesGiveTheSqlItsTestsExpect) {
  TABULON_REQUIRE_TESTDATA();
  for (const char* relative : QueryTestFiles) {
    SCOPED_TRACE(relative);
    const auto database = OpenShared(relative);
    dao::Collection<dao::QueryDef>& queries = database->QueryDefs();
    ASSERT_EQ(queries.Count(), 9);
    std::string previous;
    for (int i = 0; i < queries.Count(); ++i) {
      dao::QueryDef& query = queries.Item(i);
      SCOPED_TRACE(query.Name());
      EXPECT_LT(previous, query.Name()) << "sorted by name";
      previous = query.Name();
      const auto& [type, sql] = JackcessQueries().at(query.Name());
      EXPECT_EQ(query.Type(), type);
      EXPECT_EQ(query.SQL(), sql);
      EXPECT_EQ(query.Connect(), type == dao::dbQSQLPassThrough ? "ODBC;" : "");
      EXPECT_TRUE(std::holds_alternative<dao::Date>(query.DateCreated()));
      // The parts the SQL is rebuilt from: a start and an end around them,
      // in kind order.
      const std::vector<dao::QueryPart> parts = query.Parts();
      ASSERT_GE(parts.size(), 2U);
      EXPECT_EQ(parts.front().Kind, 0);
      EXPECT_EQ(parts.back().Kind, 255);
      EXPECT_TRUE(std::is_sorted(parts.begin(), parts.end(),
                                 [](const auto& a, const auto& b) { return a.Kind < b.Kind; }));
    }
    const std::vector<dao::QueryPart> select = queries.Item("SelectQuery").Parts();
    EXPECT_TRUE(std::any_of(select.begin(), select.end(), [](const dao::QueryPart& part) {
      return part.Kind == 5 && part.Name1 == "Table1";
    }));
    dao::QueryDef& update = queries.Item("updatequery");
    ASSERT_EQ(update.Parameters().Count(), 1);
    EXPECT_EQ(update.Parameters().Item(0).Name(), "User Name");
    EXPECT_EQ(update.Parameters().Item(0).Type(), dao::dbText);
  }
}

// Query names as jetdump lists them with --all-queries and as mdb-queries
// lists them, for every shared file that holds queries.
TEST(JetQueries, NamesAgreeWithMdbQueries) {
  TABULON_REQUIRE_TESTDATA();
  if (!HaveTool("mdb-queries")) GTEST_SKIP() << "mdbtools is not installed";
  int withQueries = 0;
  for (const auto& file : AllDatabaseFiles()) {
    const ProcessResult listed = RunProcess({"mdb-queries", "-L", "-1", file.string()});
    if (listed.ExitCode != 0) continue;  // files mdbtools cannot read (encrypted ones)
    std::multiset<std::string> expected;
    std::istringstream lines(listed.Out);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) expected.insert(line);
    }
    if (expected.empty()) continue;
    ++withQueries;
    SCOPED_TRACE(file.string());
    const ProcessResult dumped =
        RunProcess({BuiltProgram("jetdump"), "--all-queries", file.string()});
    ASSERT_EQ(dumped.ExitCode, 0);
    std::multiset<std::string> names;
    for (const std::string& name : expected) {
      // Names appear as "name":"<name>" in the query list.
      if (dumped.Out.find("{\"name\":\"" + name + "\",\"type\":") != std::string::npos)
        names.insert(name);
    }
    EXPECT_EQ(names, expected);
    const auto database = OpenShared(std::filesystem::relative(file, TestDataDir()).string());
    EXPECT_EQ(database->AllQueryDefs().Count(), static_cast<int>(expected.size()));
  }
  EXPECT_GE(withQueries, 6);
}

TEST(JetLinks, OdbcLinkShowsTheColumnsKeptInTheFile) {
  TABULON_REQUIRE_TESTDATA();
  const auto database = OpenShared("jackcess/V2007/odbcLinkerTestV2007.accdb");
  dao::TableDef& table = database->TableDefs().Item("Ordrar");
  EXPECT_EQ(table.Connect(),
            "ODBC;DSN=Magnapinna;Description=Safexit;UID=safexit;PWD=****;APP=Microsoft "
            "Office;DATABASE=safexit");
  EXPECT_EQ(table.SourceTableName(), "dbo.Ordrar");
  EXPECT_EQ(table.Attributes() & dao::dbAttachedODBC, dao::dbAttachedODBC);
  EXPECT_EQ(table.Fields().Count(), 20);
  EXPECT_EQ(table.Indexes().Count(), 5);
  EXPECT_EQ(table.Fields().Item(0).Name(), "ID");
  EXPECT_EQ(std::get<std::int64_t>(table.RecordCount()), -1);
  // The queries its forms keep are left out unless asked for.
  EXPECT_EQ(database->QueryDefs().Count(), 0);
  EXPECT_EQ(database->AllQueryDefs().Count(), 56);
  EXPECT_EQ(database->Containers().Item("Scripts").Documents().Item(0).Name(), "~TMPCLPMacro");
}

TEST(JetLinks, JetLinkWhoseFileIsNotFoundNamesItsConnectText) {
  TABULON_REQUIRE_TESTDATA();
  const auto database = OpenShared("jackcess/V2007/linkerTestV2007.accdb");
  dao::TableDef& table = database->TableDefs().Item("Table2");
  EXPECT_EQ(table.Connect(), ";DATABASE=Z:\\jackcess_test\\linkeeTest.accdb");
  EXPECT_EQ(table.SourceTableName(), "Table1");
  const std::string expected =
      "リンク テーブル 'Table2' の列は読めません（リンク先 "
      "';DATABASE=Z:\\jackcess_test\\linkeeTest.accdb' が見つかりません）。";
  for (auto count : {+[](dao::TableDef& t) { return t.Fields().Count(); },
                     +[](dao::TableDef& t) { return t.Indexes().Count(); }}) {
    try {
      count(table);
      ADD_FAILURE() << "the source is not beside the file";
    } catch (const dao::EngineError& e) {
      EXPECT_EQ(std::string(e.what()), expected);
      EXPECT_EQ(e.Kind(), dao::ErrorKind::FileNotFound);
    }
  }
  EXPECT_EQ(database->TableDefs().Item("Table1").Connect(), "") << "a local table";
}

TEST(JetContainers, CatalogContainersWithTheirDocuments) {
  TABULON_REQUIRE_TESTDATA();
  const auto database = OpenShared("jackcess/V2007/queryTestV2007.accdb");
  dao::Collection<dao::Container>& containers = database->Containers();
  std::vector<std::string> names;
  for (int i = 0; i < containers.Count(); ++i) names.push_back(containers.Item(i).Name());
  EXPECT_EQ(names,
            (std::vector<std::string>{"DataAccessPages", "Databases", "Forms", "Modules",
                                      "Relationships", "Reports", "Scripts", "SysRel", "Tables"}));
  dao::Document& query = containers.Item("Tables").Documents().Item("SelectQuery");
  EXPECT_EQ(query.Container(), "Tables");
  EXPECT_TRUE(std::holds_alternative<dao::Date>(query.LastUpdated()));
}

}  // namespace
}  // namespace tabulon::test
