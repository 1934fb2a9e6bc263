// The migration lint on a schema that trips every check once, and on the
// rows of text fields.

#include <gtest/gtest.h>

#include <migrate/Lint.h>
#include <schema/SchemaReader.h>
#include <tests/support/FakeEngine.h>

namespace tabulon::test {
namespace {

FakeFieldData Field(const std::string& name, std::int32_t type, std::int64_t size = 4) {
  FakeFieldData field;
  field.Name = name;
  field.Type = type;
  field.Size = size;
  return field;
}

FakeDatabaseData Shop() {
  FakeTableData customers;
  customers.Name = "Customers";
  customers.Fields = {Field("CustomerID", dao::dbLong), Field("名前", dao::dbText, 255),
                      Field("メモ", dao::dbText, 255), Field("Paid", dao::dbBoolean, 1)};
  customers.Indexes = {{"PrimaryKey", true, false, true, {"CustomerID"}, {}},
                       {"名前", false, false, false, {"名前"}, {}},
                       {"名前2", false, false, false, {"名前"}, {}},
                       {"名前降順", false, false, false, {"名前"}, {}, {"名前"}}};
  customers.Rows = {{std::int64_t{1}, std::string("青空"), std::string(40, 'x'), true},
                    {std::int64_t{2}, dao::Null{}, std::string("短い"), false}};
  FakeTableData orders;
  orders.Name = "order";
  orders.Fields = {Field("order_id", dao::dbLong),    Field("CustomerID", dao::dbLong),
                   Field("shipperId", dao::dbLong),   Field("regionID", dao::dbText, 10),
                   Field("Valid", dao::dbBoolean, 1), Field("noteID", dao::dbMemo, 0),
                   Field("shipped", dao::dbDate, 8)};
  // "Shipment" is unique, but each row's key holds a Null.
  orders.Indexes = {{"CustomerID", false, true, false, {"CustomerID"}, {}},
                    {"Shipment", false, false, true, {"CustomerID", "shipperId"}, {}}};
  // No primary key: the last two rows cannot be told apart. "ZZ" is not a
  // key of "empty", which the unenforced RegionOrder refers to.
  orders.Rows = {{std::int64_t{1}, std::int64_t{1}, dao::Null{}, std::string("ZZ"), true,
                  std::string("a\0b", 3), dao::Date{0.5}},
                 {std::int64_t{2}, std::int64_t{1}, dao::Null{}, dao::Null{}, false, dao::Null{},
                  dao::Date{-3.0}},
                 {std::int64_t{2}, std::int64_t{1}, dao::Null{}, dao::Null{}, false, dao::Null{},
                  dao::Date{-3.0}}};
  FakeTableData empty;
  empty.Name = "empty";
  empty.Fields = {Field("select", dao::dbText, 255)};
  empty.Indexes = {{"PrimaryKey", true, false, true, {"select"}, {}}};
  FakeTableData broken;
  broken.Name = "broken";
  broken.Fields = {Field("wide", dao::dbText, 255)};
  broken.Indexes = {{"PrimaryKey", true, false, true, {"wide"}, {}}};
  broken.Fails = {"OpenRecordset"};
  FakeTableData system;
  system.Name = "MSysObjects";
  system.Attributes = dao::dbSystemObject;
  system.Fields = {Field("ParentId", dao::dbLong)};
  FakeDatabaseData db;
  db.Tables = {customers, orders, empty, broken, system};
  db.Relations = {
      {"CustomersOrder",
       "Customers",
       "order",
       dao::dbRelationDeleteCascade,
       {{"CustomerID", "CustomerID"}},
       {}},
      {"RegionOrder", "empty", "order", dao::dbRelationDontEnforce, {{"select", "regionID"}}, {}},
      {"Engine", "MSysObjects", "MSysObjects", 0, {{"ParentId", "ParentId"}}, {}}};
  return db;
}

std::vector<std::string> Lines(const std::vector<migrate::Finding>& findings) {
  std::vector<std::string> lines;
  for (const migrate::Finding& finding : findings) lines.push_back(migrate::FindingLine(finding));
  return lines;
}

TEST(Lint, EachCheckOnce) {
  FakeConnection connection({{"/shop.mdb", Shop()}});
  std::string error;
  connection.Dao.Open("", "/shop.mdb", error);
  const schema::Database schema = schema::ReadSchema(*connection.Dao.Database());
  EXPECT_EQ(
      Lines(migrate::LintSchema(schema)),
      (std::vector<std::string>{
          "[needs-quoting] テーブル \"Customers\": PostgreSQL では引用符が要る名前: "
          "\"Customers\"（大文字は小文字になる: customers）, \"CustomerID\"（大文字は小文字になる: "
          "customerid）, \"Paid\"（大文字は小文字になる: paid）",
          "[duplicate-index] テーブル \"Customers\": インデックス \"名前\" と \"名前2\" "
          "は同じフィールドを同じ順に持っています",
          "[no-primary-key] テーブル \"order\": 主キーがありません",
          "[needs-quoting] テーブル \"order\": PostgreSQL では引用符が要る名前: "
          "\"order\"（予約語）, "
          "\"CustomerID\"（大文字は小文字になる: customerid）, "
          "\"shipperId\"（大文字は小文字になる: "
          "shipperid）, \"regionID\"（大文字は小文字になる: regionid）, "
          "\"Valid\"（大文字は小文字になる: "
          "valid）, \"noteID\"（大文字は小文字になる: noteid）",
          "[key-without-relationship] テーブル \"order\" のフィールド \"order_id\": "
          "キーのような名前ですが、どのリレーションシップにも使われていません",
          "[key-without-relationship] テーブル \"order\" のフィールド \"shipperId\": "
          "キーのような名前ですが、どのリレーションシップにも使われていません",
          "[needs-quoting] テーブル \"empty\": PostgreSQL では引用符が要る名前: "
          "\"select\"（予約語）",
          "[unenforced-relationship] テーブル \"order\": リレーションシップ \"RegionOrder\"（→ "
          "\"empty\"）は参照整合性が設定されていません",
          "[unindexed-foreign-key] テーブル \"order\" のフィールド \"regionID\": "
          "リレーションシップ "
          "\"RegionOrder\" の外部キー（\"regionID\"）にインデックスがありません",
      }));
}

TEST(Lint, WhatTheRowsShow) {
  FakeConnection connection({{"/shop.mdb", Shop()}});
  std::string error;
  connection.Dao.Open("", "/shop.mdb", error);
  const schema::Database schema = schema::ReadSchema(*connection.Dao.Database());
  // "名前" holds 2 characters at most, "メモ" 40 (over the limit); "empty"
  // has no rows to judge by.
  EXPECT_EQ(Lines(migrate::LintData(schema, *connection.Dao.Database())),
            (std::vector<std::string>{
                "[oversized-text] テーブル \"Customers\" のフィールド \"名前\": サイズ 255 "
                "ですが、最も長い値は 2 文字です（2 行）",
                "[nul-in-text] テーブル \"order\" のフィールド \"noteID\": 1 行の値に U+0000 "
                "があります（PostgreSQL のテキストは持てません）",
                "[time-only-date] テーブル \"order\" のフィールド \"shipped\": 1 "
                "行が時刻だけの値です（1899-12-30 の日付で移ります）",
                "[pre-1900-date] テーブル \"order\" のフィールド \"shipped\": 2 行が 1900 "
                "年より前の日付です",
                "[null-in-unique-key] テーブル \"order\": 一意インデックス \"Shipment\" "
                "で、2 行が Null を含むキーをほかの行と同じくします（Null "
                "は重複と見なされないため移せますが、このキーでは行を区別できません）",
                "[duplicate-rows] テーブル \"order\": 主キーがなく、1 "
                "行がほかの行と同じ値で、区別できません",
                "[unreadable] テーブル \"broken\": 行が読めません: OpenRecordset failed",
                "[orphan-rows] テーブル \"order\": 1 行がリレーションシップ \"RegionOrder\" "
                "の参照先（\"empty\"）にない値を持っています（外部キーにすると拒まれます）",
            }));
}

TEST(Lint, AnUnreadableSchemaFindsNothing) {
  FakeDatabaseData data;
  data.Fails = {"TableDefs.Count", "Relations.Count"};
  FakeConnection connection({{"/x.mdb", data}});
  std::string error;
  connection.Dao.Open("", "/x.mdb", error);
  const schema::Database schema = schema::ReadSchema(*connection.Dao.Database());
  EXPECT_TRUE(migrate::LintSchema(schema).empty());
  EXPECT_TRUE(migrate::LintData(schema, *connection.Dao.Database()).empty());
}

}  // namespace
}  // namespace tabulon::test
