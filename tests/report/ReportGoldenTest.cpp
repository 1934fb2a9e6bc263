// The report, line for line: each case runs the report over a fake database
// and compares the file with its expected text in golden/<case>.html (kept
// in UTF-8 with LF there, followed by the failures the run reported as
// "[MemOut] " lines; the report itself must be clean Shift-JIS with CR LF).
// Set TABULON_UPDATE_GOLDEN=1 to rewrite the expected files after a
// deliberate change, then review the diff.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include <text/CodePage.h>

#include <tests/support/Golden.h>

#include "ReportFixture.h"

namespace tabulon::test {
namespace {

FakeFieldData Field(std::string name, std::int32_t type, std::int64_t size, std::int32_t attributes,
                    std::int64_t position) {
  FakeFieldData field;
  field.Name = std::move(name);
  field.Type = type;
  field.Size = size;
  field.Attributes = attributes;
  field.OrdinalPosition = position;
  return field;
}

FakeDatabaseData SalesDatabase() {
  FakeDatabaseData db;

  FakeTableData system;
  system.Name = "MSysObjects";
  system.Attributes = static_cast<std::int32_t>(0x80000002u);
  system.RecordCount = std::int64_t{18};
  system.Updatable = false;
  system.Fields = {Field("Id", dao::dbLong, 4, 0x2011, 0)};

  FakeTableData orders;
  orders.Name = "受注";
  orders.RecordCount = std::int64_t{3};
  orders.Description = "受注の見出し <重要>";
  orders.ValidationRule = "[納期]>=[受注日] Or [納期] Is Null";
  orders.ValidationText = "納期は受注日以降\\";
  {
    FakeFieldData id = Field("受注ID", dao::dbLong, 4, 0x31, 0);
    id.Required = true;
    id.DataUpdatable = false;
    id.Description = "主キー";
    FakeFieldData customer = Field("顧客ID", dao::dbLong, 4, 0x21, 1);
    customer.Required = true;
    customer.DefaultValue = std::string("0");
    FakeFieldData date = Field("受注日", dao::dbDate, 8, 0x21, 2);
    date.DefaultValue = std::string("=Date() & \"<\"");
    date.ValidationRule = "<=Date()";
    date.ValidationText = "未来日は不可";
    FakeFieldData note = Field("備考", dao::dbMemo, 0, 0x22, 3);
    note.AllowZeroLength = true;
    note.Description = "自由記述";
    FakeFieldData link = Field("url", dao::dbMemo, 0, 0x8022, 4);
    FakeFieldData amount = Field("金額", dao::dbDecimal, 17, 0x21, 5);
    amount.DefaultValue = dao::Empty{};
    orders.Fields = {id, customer, date, note, link, amount};
  }
  orders.Indexes = {
      {"PrimaryKey", true, false, true, {"受注ID"}, {}},
      {"顧客受注", false, true, false, {"顧客ID"}, {}},
      {"受注日", false, false, false, {"受注日", "URL"}, {}},
  };

  FakeTableData customers;
  customers.Name = "顧客";
  customers.Attributes = 1;
  customers.RecordCount = std::int64_t{2};
  {
    FakeFieldData id = Field("顧客ID", dao::dbLong, 4, 0x31, 0);
    FakeFieldData name = Field("氏名", dao::dbText, 50, 0x22, 1);
    name.Required = true;
    FakeFieldData code = Field("Code", dao::dbText, 10, 0x21, 2);
    customers.Fields = {id, name, code};
  }
  customers.Indexes = {
      {"PrimaryKey", true, false, true, {"顧客ID", "code"}, {}},
      {"氏名", false, false, true, {"氏名"}, {}},
  };

  db.Tables = {system, orders, customers};
  db.Relations = {
      {"顧客受注", "顧客", "受注", 0x1100, {{"顧客ID", "顧客ID"}}, {}},
      {"未定義の関係", "顧客", "受注", 0x2, {{"氏名", "備考"}, {"Code", "url"}}, {}},
  };
  return db;
}

FakeDatabaseData Locked(std::string password) {
  FakeDatabaseData db;
  db.Password = std::move(password);
  return db;
}

FakeQueryData Query(std::string name, std::int32_t type, std::string sql) {
  FakeQueryData query;
  query.Name = std::move(name);
  query.Type = type;
  query.SQL = std::move(sql);
  return query;
}

FakeContainerData Container(std::string name, const std::vector<std::string>& documents) {
  FakeContainerData container;
  container.Name = std::move(name);
  for (const std::string& document : documents) {
    container.Documents.emplace_back();
    container.Documents.back().Name = document;
    container.Documents.back().Container = container.Name;
  }
  return container;
}

struct GoldenCase {
  const char* Name;
  std::function<void(RunWorld&)> Adjust;
  std::map<std::string, FakeDatabaseData> Files;
  std::vector<std::string> Lines;
  std::vector<FakePropertyData> EngineProperties = {};
  std::vector<FakePropertyData> WorkspaceProperties = {};
};

void PrintTo(const GoldenCase& c, std::ostream* out) { *out << c.Name; }

std::vector<GoldenCase> Cases() {
  std::vector<GoldenCase> cases;

  cases.push_back(
      {"sales",
       [](RunWorld&) {},
       {{"/data/販売.mdb", SalesDatabase()}, {"/data/secret.mdb", Locked("right")}},
       {R"("??"|"PASSWORD_HERE"|"/data/販売.mdb")", R"("OK"|"wrong"|"/data/secret.mdb")",
        "メモ: 2行目は古い", R"("NG x"|"right"|"/data/secret.mdb")"}});

  {
    FakeDatabaseData db;
    db.Properties = {{"Name", std::string("/data/v.mdb"), {}},
                     {"Version", std::string("4.0"), {}},
                     {"Updatable", false, {}},
                     {"Connect", dao::Null{}, {}},
                     {"Broken", std::string("x"), {"Name"}},
                     {"Path<&>", std::string(R"(C:\a<b>&c)"), {}}};
    cases.push_back(
        {"verbose",
         [](RunWorld& w) {
           w.Settings.Verbose = true;
           w.Settings.TypeStyle = WordStyle::Short;
         },
         {{"/data/v.mdb", db}},
         {R"("??"|""|"/data/v.mdb")"},
         {{"Name", std::string("tabulon engine"), {}}, {"Version", std::string("1.0"), {}}},
         {{"Name", std::string("#Default Workspace#"), {}},
          {"UserName", std::string("admin"), {}},
          {"IsolateODBCTrans", dao::Null{}, {"Value"}}}});
  }

  {
    FakeDatabaseData db = SalesDatabase();
    db.Tables[1].Fails = {"Indexes.Count"};
    db.Tables[1].Fields[0].Fails = {"Description"};
    db.Tables[2].Fails = {"Fields.Count"};
    db.Tables[2].Indexes[0].Fails = {"Fields.Count"};
    db.Tables[1].Description.reset();
    db.Relations[1].Fails = {"Fields.Count"};
    FakeDatabaseData noRelations = SalesDatabase();
    noRelations.Fails = {"Relations.Count"};
    cases.push_back({"guarded-failures",
                     [](RunWorld&) {},
                     {{"/a/guarded.mdb", db}, {"/b/norel.mdb", noRelations}},
                     {R"("??"|""|"/a/guarded.mdb")", R"("??"|""|"/b/norel.mdb")"}});
  }

  {
    FakeDatabaseData db = SalesDatabase();
    db.Tables[2].Fields[1].Fails = {"Type"};
    cases.push_back({"unguarded-failure",
                     [](RunWorld&) {},
                     {{"/data/販売.mdb", db}},
                     {R"("??"|""|"/data/販売.mdb")"}});
  }

  {
    FakeDatabaseData a;
    a.Tables = {FakeTableData{}};
    a.Tables[0].Name = "T<&>";
    a.Tables[0].Fields = {Field("F&1", dao::dbText, 5, 2, 0)};
    a.Relations = {{"R<1>", "T<&>", "T<&>", 0, {{"F&1", "F&1"}}, {}}};
    cases.push_back({"same-name-files",
                     [](RunWorld& w) { w.Settings.AttrStyle = WordStyle::Middle; },
                     {{"/one/<same>.mdb", a}, {"/two/<same>.mdb", a}},
                     {R"("??"|""|"/one/<same>.mdb")", R"("??"|""|"/two/<same>.mdb")",
                      R"("??"|""|"/one/<same>.mdb")"}});
  }

  {
    // With --objects: queries (one failing, hostile texts), linked tables
    // with and without a description of their own, and the objects by kind.
    FakeDatabaseData db = SalesDatabase();
    FakeTableData link;
    link.Name = "仕入先";
    link.Attributes = dao::dbAttachedTable;
    link.Connect = ";DATABASE=C:\\販売\\仕入<先>.mdb";
    link.SourceTableName = "仕入先&表";
    link.Fields = {Field("仕入先コード", dao::dbText, 10, 0x22, 0)};
    FakeTableData odbc = link;
    odbc.Name = "在庫";
    odbc.Attributes = dao::dbAttachedODBC;
    odbc.Connect = "ODBC;DSN=基幹;UID=sa;PWD=秘密;DATABASE=x";
    odbc.SourceTableName = "dbo.在庫";
    odbc.Description = "基幹の在庫";
    db.Tables.push_back(link);
    db.Tables.push_back(odbc);
    FakeQueryData select = Query("受注一覧", dao::dbQSelect,
                                 "PARAMETERS [開始日] DateTime, 名前 Text(10), 何か Value;\n"
                                 "SELECT 受注.受注ID, \"<&>\" AS 記号\nFROM 受注\n"
                                 "WHERE 受注.受注日>=[開始日] AND 名前 Like \"C:\\*\";");
    select.Parameters = {{"[開始日]", dao::dbDate, {}}, {"名前", dao::dbText, {}}, {"何か", 0, {}}};
    FakeQueryData broken = Query("壊れた<クエリ>", 144, "");
    broken.Fails = {"SQL"};
    FakeQueryData pass = Query("直接", dao::dbQSQLPassThrough, "EXEC 集計 1");
    pass.Connect = "ODBC;DSN=基幹;PWD=秘密";
    pass.LastUpdated = dao::Null{};
    FakeQueryData hidden = Query("~sq_cフォーム", dao::dbQSelect, "SELECT 1;");
    db.Queries = {select, broken, pass, hidden};
    db.Containers = {Container("Forms", {"受注<入力>", "メニュー"}),
                     Container("Modules", {"共通関数"}),
                     Container("Reports", {"請求書"}),
                     Container("Scripts", {"AutoExec"}),
                     Container("Tables", {"受注"}),
                     Container("DataAccessPages", {})};
    db.Containers.back().Fails = {"Documents.Count"};
    FakeDatabaseData noQueries = SalesDatabase();
    noQueries.Fails = {"QueryDefs.Count", "Containers.Count"};
    cases.push_back({"objects",
                     [](RunWorld& w) {
                       w.Settings.Objects = true;
                       w.Words.Words.Parse(
                           "[QUERY_TYPE_2]\ndbQSelect=選択クエリ\n"
                           "dbQSQLPassThrough=パススルー クエリ\n[FIELD_TYPE_2]\ndbValue=任意の型\n"
                           "dbDate=日付/時刻型\n");
                     },
                     {{"/data/販売.mdb", db}, {"/data/none.mdb", noQueries}},
                     {R"("??"|""|"/data/販売.mdb")", R"("??"|""|"/data/none.mdb")"}});
  }

  cases.push_back(
      {"nothing-opens", [](RunWorld&) {}, {}, {R"("??"|""|"/missing.mdb")", "", "a|b"}});
  return cases;
}

class ReportGolden : public testing::TestWithParam<GoldenCase> {};

TEST_P(ReportGolden, MatchesExpectedBytes) {
  const GoldenCase& c = GetParam();
  RunWorld world(c.Files, c.EngineProperties, c.WorkspaceProperties);
  world.Words.Words.Parse(
      "[FIELD_TYPE_2]\ndbLong=長整数型\n[FIELD_ATTR_1]\ndbFixedField=サイズ固定\n");
  c.Adjust(world);
  const ReportOutcome outcome = world.Run(c.Lines);
  ASSERT_TRUE(outcome.Path.has_value());
  const std::string bytes = ReadBytes(*outcome.Path);
  std::string text = DecodeCp932(bytes);
  std::string again;
  EXPECT_TRUE(TryEncodeCp932(text, again) && again == bytes) << "not clean Shift-JIS";
  std::size_t crlf = 0;
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos; ++crlf)
    text.replace(at, 2, "\n");
  EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), crlf)
      << "a line without CR LF";
  for (const std::string& failure : world.Front.Failures) text += "[MemOut] " + failure + "\n";

  const std::filesystem::path golden = std::filesystem::path(TABULON_SOURCE_DIR) /
                                       "tests/report/golden" / (std::string(c.Name) + ".html");
  if (std::getenv("TABULON_UPDATE_GOLDEN") != nullptr) WriteBytes(golden, text);
  ExpectGolden(golden, text);
  EXPECT_FALSE(world.Front.Busy);
  EXPECT_TRUE(world.Front.Enabled);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportGolden, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<GoldenCase>& param) {
                           std::string name;
                           for (const char ch : std::string(param.param.Name))
                             name += std::isalnum(ch) ? ch : '_';
                           return name;
                         });

}  // namespace
}  // namespace tabulon::test
