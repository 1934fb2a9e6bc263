// The schema diff: every kind of change to every kind of object, queries'
// SQL shown line by line, names kept on one line, and what could not be
// read named instead of guessed at.

#include <gtest/gtest.h>

#include <outputs/DiffDocument.h>
#include <outputs/JsonWriter.h>
#include <outputs/SchemaDiff.h>
#include <schema/SchemaReader.h>
#include <tests/support/FakeEngine.h>

namespace tabulon::test {
namespace {

schema::Query Query(const std::string& name, const std::string& sql) {
  return schema::Query{name,
                       std::int32_t{0},
                       sql,
                       std::string(),
                       {},
                       {},
                       std::vector<schema::Member<schema::Parameter>>{},
                       std::vector<dao::QueryPart>{}};
}

schema::Database WithQueries(std::vector<schema::Member<schema::Query>> queries) {
  return schema::Database{{},
                          std::vector<schema::Member<schema::Table>>{},
                          std::vector<schema::Member<schema::Relation>>{},
                          std::move(queries)};
}

TEST(SchemaDiff, ComparesQueriesAsTextAndShowsTheirLines) {
  const schema::Database old =
      WithQueries({Query("一覧", "SELECT *\r\nFROM 受注;"), Query("消える\nクエリ", "SELECT 1;"),
                   schema::Member<schema::Query>(schema::Failure{"読めない"})});
  const schema::Database now = WithQueries(
      {Query("一覧", "SELECT *\r\nFROM 受注\r\nWHERE 1=1;"), Query("新規", "SELECT 2;")});
  Wording words;
  const outputs::SchemaDiff diff = outputs::DiffSchemas(old, now, words);
  const std::vector<outputs::SchemaChange>& changes = diff.Changes;
  // The new list was read whole, so what it lacks was removed; the old one
  // was not, so 新規 may be the query that could not be read there.
  ASSERT_EQ(changes.size(), 2u);
  ASSERT_EQ(diff.Unreadable.size(), 1u);
  EXPECT_EQ(diff.Unreadable[0].What, "queries #3");
  EXPECT_EQ(diff.Unreadable[0].Error, "読めない");
  EXPECT_EQ(outputs::DiffText(changes, "a.mdb", "b.mdb"),
            "--- a.mdb\n+++ b.mdb\n"
            "~ query 一覧\n"
            "    sql:\n"
            "    - SELECT *\n"
            "    - FROM 受注;\n"
            "    + SELECT *\n"
            "    + FROM 受注\n"
            "    + WHERE 1=1;\n"
            "- query 消える クエリ (dbQSelect)\n");
  const outputs::SchemaDiff back = outputs::DiffSchemas(now, old, words);
  EXPECT_EQ(outputs::DiffText(back.Changes, "b.mdb", "a.mdb"),
            "--- b.mdb\n+++ a.mdb\n"
            "~ query 一覧\n"
            "    sql:\n"
            "    - SELECT *\n"
            "    - FROM 受注\n"
            "    - WHERE 1=1;\n"
            "    + SELECT *\n"
            "    + FROM 受注;\n"
            "+ query 消える クエリ (dbQSelect)\n")
      << "added is sure when the old list was read whole, removed is not when the new was not";
  EXPECT_EQ(back.Unreadable.size(), 1u);
  EXPECT_TRUE(outputs::DiffSchemas(now, now, words).Changes.empty());
  EXPECT_TRUE(outputs::DiffSchemas(now, now, words).Unreadable.empty());
  EXPECT_EQ(outputs::DiffText({}, "a.mdb", "a.mdb"), "");
}

schema::Database Read(const FakeDatabaseData& data) {
  FakeConnection connection({{"/x.mdb", data}});
  std::string errorText;
  connection.Dao.Open("", "/x.mdb", errorText);
  EXPECT_TRUE(connection.Dao.Connected()) << errorText;
  schema::Database read = schema::ReadSchema(*connection.Dao.Database());
  connection.Dao.Close();
  return read;
}

FakeQueryData SavedQuery(const std::string& name, std::int32_t type, const std::string& sql) {
  FakeQueryData query;
  query.Name = name;
  query.Type = type;
  query.SQL = sql;
  return query;
}

FakeDatabaseData Shop() {
  FakeTableData customers;
  customers.Name = "顧客";
  customers.Fields = KeyFields({"ID", "名前", "電話"});
  customers.Fields[0].Type = dao::dbLong;
  customers.Fields[0].Size = std::int64_t{4};
  customers.Indexes = {FakeIndexData{"PrimaryKey", true, false, true, {"ID"}, {}},
                       FakeIndexData{"名前", false, false, false, {"名前"}, {}}};
  FakeTableData orders;
  orders.Name = "受注";
  orders.Fields = KeyFields({"ID", "顧客ID", "数量"});
  FakeTableData old;
  old.Name = "旧表";
  old.Fields = KeyFields({"A"});
  FakeDatabaseData db;
  db.Tables = {customers, orders, old};
  db.Relations = {FakeRelationData{"顧客受注", "顧客", "受注", 0, {{"ID", "顧客ID"}}, {}},
                  FakeRelationData{"消える", "顧客", "受注", 0, {{"名前", "数量"}}, {}}};
  db.Queries = {SavedQuery("一覧", dao::dbQSelect, "SELECT * FROM 顧客;"),
                SavedQuery("削除", dao::dbQDelete, "DELETE FROM 旧表;")};
  return db;
}

TEST(SchemaDiff, NamesEveryKindOfChangeToEveryKindOfObject) {
  const FakeDatabaseData before = Shop();
  FakeDatabaseData after = Shop();
  after.Tables.erase(after.Tables.begin() + 2);  // table removed
  after.Tables.push_back({});                    // table added
  after.Tables.back().Name = "新表";
  after.Tables.back().Fields = KeyFields({"B"});
  auto& customers = after.Tables[0];
  customers.ValidationRule = "[ID]>0";           // table changed
  customers.Fields[1].Size = std::int64_t{100};  // field changed
  customers.Fields[1].Required = true;
  customers.Fields.erase(customers.Fields.begin() + 2);  // field removed
  customers.Fields.push_back(KeyFields({"住所"})[0]);    // field added
  customers.Indexes[1].Unique = true;                    // index changed
  customers.Indexes.push_back(
      FakeIndexData{"電話", false, false, false, {"名前"}, {}, {"名前"}});  // added
  after.Tables[1].Indexes = {};
  after.Relations[0].Attributes = dao::dbRelationDeleteCascade;  // relationship changed
  after.Relations.erase(after.Relations.begin() + 1);            // removed
  after.Relations.push_back(
      FakeRelationData{"新関係", "新表", "受注", dao::dbRelationLeft, {{"B", "ID"}}, {}});
  after.Queries[0].SQL = "SELECT ID FROM 顧客;";  // query changed
  after.Queries[1].Type = dao::dbQUpdate;
  after.Queries.push_back(
      SavedQuery("追加", dao::dbQAppend, "INSERT INTO 受注 SELECT * FROM 顧客;"));

  Wording words;
  const outputs::SchemaDiff diff = outputs::DiffSchemas(Read(before), Read(after), words);
  EXPECT_TRUE(diff.Unreadable.empty());
  EXPECT_EQ(outputs::DiffText(diff.Changes, "a.mdb", "b.mdb"),
            "--- a.mdb\n+++ b.mdb\n"
            "~ table 顧客\n"
            "    validationRule:  -> [ID]>0\n"
            "~ field 顧客.名前\n"
            "    size: 50 -> 100\n"
            "    required: no -> yes\n"
            "+ field 顧客.住所 (dbText, 50)\n"
            "- field 顧客.電話 (dbText, 50)\n"
            "~ index 顧客.名前\n"
            "    unique: no -> yes\n"
            "+ index 顧客.電話 (名前 DESC)\n"
            "+ table 新表\n"
            "- table 旧表\n"
            "~ relationship 顧客受注\n"
            "    cascadeDelete: no -> yes\n"
            "+ relationship 新関係 (新表(B) -> 受注(ID))\n"
            "- relationship 消える (顧客(名前) -> 受注(数量))\n"
            "~ query 一覧\n"
            "    sql: SELECT * FROM 顧客; -> SELECT ID FROM 顧客;\n"
            "~ query 削除\n"
            "    type: dbQDelete -> dbQUpdate\n"
            "+ query 追加 (dbQAppend)\n");
  EXPECT_TRUE(outputs::DiffSchemas(Read(after), Read(after), words).Changes.empty());

  // Relationships between Access's own system tables are left out, as the
  // tables are.
  FakeDatabaseData withSystem = after;
  FakeTableData navigation;
  navigation.Name = "MSysNavPaneGroups";
  navigation.Attributes = dao::dbSystemObject;
  navigation.Fields = KeyFields({"Id"});
  withSystem.Tables.push_back(navigation);
  withSystem.Relations.push_back(FakeRelationData{"MSysNavPaneGroupsMSysNavPaneGroups",
                                                  "MSysNavPaneGroups",
                                                  "MSysNavPaneGroups",
                                                  0,
                                                  {{"Id", "Id"}},
                                                  {}});
  EXPECT_TRUE(outputs::DiffSchemas(Read(after), Read(withSystem), words).Changes.empty());

  // A script reads the engine's codes, whatever wording was chosen.
  std::string json;
  outputs::JsonWriter writer([&](std::string_view piece) { json += piece; });
  outputs::WriteDiffJson(writer, diff.Changes, "a.mdb", "b.mdb");
  EXPECT_NE(json.find("\"new\": \"dbQUpdate\",\n          \"oldCode\": " +
                      std::to_string(dao::dbQDelete) +
                      ",\n          \"newCode\": " + std::to_string(dao::dbQUpdate)),
            std::string::npos)
      << json;
  EXPECT_EQ(json.find("unreadable"), std::string::npos) << "said only when something was";
}

TEST(SchemaDiff, WhatCouldNotBeReadIsNamedNotCalledRemovedOrChanged) {
  const FakeDatabaseData before = Shop();
  FakeDatabaseData after = Shop();
  after.Tables[1].Fails = {"Fields.Count"};    // 受注's definition
  after.Tables[0].Fields[1].Fails = {"Type"};  // 顧客.名前's type
  after.Tables[0].Fields[2].Size = std::int64_t{20};
  after.Relations[1].Fails = {"Name"};
  Wording words;
  const outputs::SchemaDiff diff = outputs::DiffSchemas(Read(before), Read(after), words);
  EXPECT_EQ(outputs::DiffText(diff.Changes, "a.mdb", "b.mdb"),
            "--- a.mdb\n+++ b.mdb\n"
            "~ field 顧客.電話\n"
            "    size: 50 -> 20\n")
      << "nothing of 受注 is called removed, no relationship is called removed";
  std::vector<std::string> named;
  for (const outputs::UnreadablePart& part : diff.Unreadable) {
    EXPECT_EQ(part.Side, outputs::DiffSide::New);
    named.push_back(part.What + ": " + part.Error);
  }
  EXPECT_EQ(named, (std::vector<std::string>{"field 顧客.名前 type: Type failed",
                                             "fields of table 受注: Fields.Count failed",
                                             "relationships #2: Name failed"}));

  std::string json;
  outputs::JsonWriter writer([&](std::string_view piece) { json += piece; });
  outputs::WriteDiffJson(writer, diff.Changes, "a.mdb", "b.mdb", diff.Unreadable);
  EXPECT_NE(json.find("\"unreadable\": [\n    {\n      \"side\": \"new\",\n      \"what\": "
                      "\"field 顧客.名前 type\",\n      \"error\": \"Type failed\""),
            std::string::npos)
      << json;

  // The same gaps on the old side: nothing is called added.
  const outputs::SchemaDiff back = outputs::DiffSchemas(Read(after), Read(before), words);
  EXPECT_EQ(back.Changes.size(), 1u);
  ASSERT_EQ(back.Unreadable.size(), 3u);
  EXPECT_EQ(back.Unreadable[1].Side, outputs::DiffSide::Old);
}

}  // namespace
}  // namespace tabulon::test
