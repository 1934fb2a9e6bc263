// The schema as read once through the object model: every member's value,
// and every failure kept where it happened instead of ending the read.

#include <gtest/gtest.h>

#include <schema/SchemaReader.h>
#include <tests/support/FakeEngine.h>

namespace tabulon::test {
namespace {

FakeDatabaseData OrdersDatabase() {
  FakeTableData customers;
  customers.Name = "顧客";
  customers.Description = "得意先";
  customers.ValidationRule = "[ID]>0";
  customers.Fields = KeyFields(std::vector<std::string>{"ID", "名前"});
  customers.Fields[0].Type = dao::dbLong;
  customers.Fields[0].Size = std::int64_t{4};
  customers.Fields[0].Attributes = dao::dbFixedField | dao::dbAutoIncrField;
  customers.Fields[1].Required = true;
  customers.Fields[1].DefaultValue = std::string("\"x\"");
  customers.Fields[1].Description = "氏名";
  customers.Indexes = {{"PrimaryKey", true, false, true, {"ID"}, {}},
                       {"名前", false, false, false, {"名前", "ID"}, {}, {"ID"}}};
  FakeTableData orders;
  orders.Name = "受注";
  orders.Fields = KeyFields(std::vector<std::string>{"受注ID", "顧客ID", "金額"});
  orders.Fields[2].Type = dao::dbDecimal;
  orders.Fields[2].Properties = {{"Precision", std::int64_t{9}, {}},
                                 {"Scale", std::int64_t{2}, {}}};
  FakeTableData system;
  system.Name = "MSysObjects";
  system.Attributes = dao::dbSystemObject;
  FakeTableData linked;
  linked.Name = "外部";
  linked.Attributes = dao::dbAttachedTable | dao::dbHiddenObject;
  FakeDatabaseData db;
  db.Tables = {customers, orders, system, linked};
  db.Relations = {
      {"顧客受注", "顧客", "受注", dao::dbRelationUpdateCascade, {{"ID", "顧客ID"}}, {}}};
  return db;
}

schema::Database Read(const FakeDatabaseData& data) {
  FakeConnection connection({{"/db.mdb", data}});
  std::string error;
  connection.Dao.Open("", "/db.mdb", error);
  return schema::ReadSchema(*connection.Dao.Database());
}

TEST(SchemaReader, ReadsEveryMemberOnce) {
  const schema::Database db = Read(OrdersDatabase());
  ASSERT_TRUE(db.Tables.Ok());
  ASSERT_EQ(db.Tables->size(), 4u);
  const schema::Table& customers = *(*db.Tables)[0];
  EXPECT_EQ(*customers.Name, "顧客");
  EXPECT_EQ(*customers.ValidationRule, "[ID]>0");
  EXPECT_EQ(*schema::PropertyText(customers.Properties, "description"),
            std::optional<std::string>("得意先"));
  const schema::Field& id = *(*customers.Fields)[0];
  EXPECT_EQ(*id.Type, dao::dbLong);
  EXPECT_EQ(*id.Size, 4);
  EXPECT_EQ(*id.Attributes, dao::dbFixedField | dao::dbAutoIncrField);
  const schema::Field& name = *schema::FindField(customers, "名前");
  EXPECT_TRUE(*name.Required);
  EXPECT_EQ(*name.DefaultValue, dao::Variant(std::string("\"x\"")));
  const schema::Index& byName = *(*customers.Indexes)[1];
  ASSERT_EQ(byName.Fields->size(), 2u);
  EXPECT_EQ(*(*byName.Fields)[0]->Name, "名前");
  EXPECT_FALSE(*(*byName.Fields)[0]->Descending);
  EXPECT_TRUE(*(*byName.Fields)[1]->Descending);
  EXPECT_TRUE(*(*customers.Indexes)[0]->Primary);

  const schema::Table& orders = *schema::FindTable(db, "受注");
  const schema::Field& amount = *schema::FindField(orders, "金額");
  EXPECT_EQ(*schema::FindProperty(amount.Properties, "Precision"),
            std::optional<dao::Variant>(std::int64_t{9}));
  EXPECT_EQ(*schema::PropertyText(amount.Properties, "Description"), std::nullopt);

  EXPECT_TRUE(schema::IsSystemTable(*schema::FindTable(db, "msysobjects")));
  EXPECT_TRUE(schema::IsLinkedTable(*schema::FindTable(db, "外部")));
  EXPECT_TRUE(schema::IsHiddenTable(*schema::FindTable(db, "外部")));
  EXPECT_FALSE(schema::IsSystemTable(orders) || schema::IsLinkedTable(orders));

  const schema::Relation& relation = *(*db.Relations)[0];
  EXPECT_EQ(*relation.Table, "顧客");
  EXPECT_EQ(*relation.ForeignTable, "受注");
  EXPECT_EQ(*relation.Attributes, dao::dbRelationUpdateCascade);
  EXPECT_EQ(*(*relation.Fields)[0]->ForeignName, "顧客ID");
}

TEST(SchemaReader, KeepsEachFailureInItsPlace) {
  FakeDatabaseData data = OrdersDatabase();
  data.Tables[0].Fails = {"Indexes.Count", "ValidationRule"};
  data.Tables[0].Fields[1].Fails = {"Type", "Description"};
  data.Tables[1].Fails = {"Fields.Item"};
  data.Tables[1].Indexes = {{"I", false, false, false, {"顧客ID"}, {"Fields.Count"}}};
  data.Relations[0].Fails = {"Attributes"};
  data.Fails = {"Properties.Count"};
  const schema::Database db = Read(data);

  EXPECT_EQ(db.Properties.Error(), "Properties.Count failed");
  const schema::Table& customers = *(*db.Tables)[0];
  EXPECT_EQ(customers.Indexes.Error(), "Indexes.Count failed");
  EXPECT_EQ(customers.ValidationRule.Error(), "ValidationRule failed");
  EXPECT_TRUE(customers.Fields.Ok());
  const schema::Field& name = *(*customers.Fields)[1];
  EXPECT_EQ(name.Type.Error(), "Type failed");
  EXPECT_EQ(*name.Name, "名前");
  EXPECT_EQ(schema::PropertyText(name.Properties, "Description").Error(), "Value failed");
  // An item that cannot be fetched is kept as a failure among the others.
  const schema::Table& orders = *(*db.Tables)[1];
  ASSERT_TRUE(orders.Fields.Ok());
  ASSERT_EQ(orders.Fields->size(), 3u);
  EXPECT_EQ((*orders.Fields)[0].Error(), "Fields.Item failed");
  EXPECT_EQ((*orders.Indexes)[0]->Fields.Error(), "Fields.Count failed");
  EXPECT_EQ((*db.Relations)[0]->Attributes.Error(), "Attributes failed");
  EXPECT_EQ(*(*db.Relations)[0]->Name, "顧客受注");
  EXPECT_EQ(schema::FindField(orders, "金額"), nullptr);
}

TEST(SchemaReader, ReadsSavedQueriesWithoutTheFormsOwn) {
  FakeDatabaseData data = OrdersDatabase();
  FakeQueryData list{"受注一覧",         dao::dbQSelect,     "SELECT * FROM 受注;",         "",
                     dao::Date{38135.0}, dao::Date{38136.5}, {{"開始日", dao::dbDate, {}}}, {}};
  list.Parts = {{0, "", "", "", 0, 0}, {5, "受注", "", "", 0, 0}, {255, "", "", "", 0, 0}};
  data.Queries = {list,
                  {"~sq_fフォーム",
                   dao::dbQSelect,
                   "SELECT 1;",
                   "",
                   dao::Date{38135.0},
                   dao::Date{38136.5},
                   {},
                   {}},
                  {"壊れた",
                   dao::dbQUpdate,
                   "",
                   "",
                   dao::Date{38135.0},
                   dao::Date{38136.5},
                   {},
                   {"SQL", "Parts"}}};
  const schema::Database db = Read(data);
  ASSERT_TRUE(db.Queries.Ok());
  ASSERT_EQ(db.Queries->size(), 2u);
  const schema::Query& read = *(*db.Queries)[0];
  EXPECT_EQ(*read.Name, "受注一覧");
  EXPECT_EQ(*read.Sql, "SELECT * FROM 受注;");
  ASSERT_EQ(read.Parameters->size(), 1u);
  EXPECT_EQ(*(*read.Parameters)[0]->Name, "開始日");
  EXPECT_EQ(*(*read.Parameters)[0]->Type, dao::dbDate);
  ASSERT_TRUE(read.Parts.Ok());
  EXPECT_EQ(*read.Parts, list.Parts);
  const schema::Query& broken = *(*db.Queries)[1];
  EXPECT_EQ(*broken.Type, dao::dbQUpdate);
  EXPECT_EQ(broken.Sql.Error(), "SQL failed");
  EXPECT_EQ(broken.Parts.Error(), "Parts failed");
}

TEST(SchemaReader, PropertyLookupsTellAbsentFromFailed) {
  schema::PropertyList properties = std::vector<schema::Member<schema::Property>>{
      schema::Property{std::string("Caption"), dao::Variant(dao::Null{})},
      schema::Property{schema::Failure{"Name failed"}, dao::Variant(std::string("x"))},
      schema::Property{std::string("Format"), schema::Failure{"bad value"}},
  };
  EXPECT_EQ(*schema::FindProperty(properties, "Missing"), std::nullopt);
  EXPECT_EQ(schema::FindProperty(properties, "format").Error(), "bad value");
  // Null has no text.
  EXPECT_FALSE(schema::PropertyText(properties, "Caption").Ok());
  const schema::PropertyList unread = schema::Failure{"Properties.Count failed"};
  EXPECT_EQ(schema::FindProperty(unread, "Caption").Error(), "Properties.Count failed");
}

}  // namespace
}  // namespace tabulon::test
