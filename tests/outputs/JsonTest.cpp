// The JSON writer's text, and the document over the object model: keys in
// a fixed order, failures as "<member>Error", hostile strings escaped.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <outputs/JsonDocument.h>
#include <outputs/JsonWriter.h>
#include <tests/support/FakeEngine.h>

namespace tabulon::test {
namespace {

using outputs::JsonWriter;

TEST(JsonWriter, IndentsNestsAndEscapes) {
  std::string text;
  JsonWriter json([&](std::string_view piece) { text += piece; });
  json.BeginObject();
  json.Key("a");
  json.BeginArray();
  json.Number(-1);
  json.Bool(true);
  json.Null();
  json.BeginObject();
  json.EndObject();
  json.EndArray();
  json.Key("s\"");
  json.String(std::string("x\n\t\x01\x7f\\\"\xff\xe3\x81\x82\xed\xa0\x80", 14));
  json.EndObject();
  json.Finish();
  EXPECT_EQ(text,
            "{\n  \"a\": [\n    -1,\n    true,\n    null,\n    {}\n  ],\n"
            "  \"s\\\"\": \"x\\n\\t\\u0001\x7f\\\\\\\"\xef\xbf\xbd\xe3\x81\x82"
            "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\"\n}\n");
}

TEST(JsonWriter, RewindTakesBackAHalfWrittenMember) {
  std::string text;
  JsonWriter json([&](std::string_view piece) { text += piece; });
  json.BeginObject();
  json.Key("kept");
  json.Number(1);
  const JsonWriter::Position mark = json.Mark();
  json.Key("dropped");
  json.BeginArray();
  json.String("half");
  json.Rewind(mark);
  json.Key("after");
  json.Number(2);
  json.EndObject();
  json.Finish();
  EXPECT_EQ(text, "{\n  \"kept\": 1,\n  \"after\": 2\n}\n");
}

FakeDatabaseData SmallDatabase() {
  FakeTableData table;
  table.Name = "顧客";
  table.Description = "得意先\x01";
  table.Fields = KeyFields(std::vector<std::string>{"ID", "単価"});
  table.Fields[0].Type = dao::dbLong;
  table.Fields[0].Size = std::int64_t{4};
  table.Fields[1].Type = dao::dbDecimal;
  table.Fields[1].Properties = {{"Precision", std::int64_t{9}, {}}, {"Scale", std::int64_t{2}, {}}};
  table.Fields[1].Fails = {"DefaultValue"};
  table.Indexes = {{"PrimaryKey", true, false, true, {"ID"}, {}},
                   {"逆順", false, false, false, {"単価", "ID"}, {}, {"単価"}}};
  FakeTableData broken;
  broken.Name = "壊れた";
  broken.Fails = {"Fields.Count"};
  FakeDatabaseData db;
  db.Tables = {table, broken};
  db.Relations = {{"R", "顧客", "顧客", dao::dbRelationDontEnforce, {{"ID", "ID"}}, {}}};
  db.Queries = {
      {"Q", dao::dbQSelect, "SELECT 1;", "", dao::Date{38135.0}, dao::Date{38136.5}, {}, {"SQL"}}};
  return db;
}

TEST(JsonDocument, KeepsJetdumpsMembersAndNamesFailures) {
  FakeConnection connection({{"/a.mdb", SmallDatabase()}});
  std::string error;
  connection.Dao.Open("", "/a.mdb", error);
  std::string text;
  JsonWriter writer([&](std::string_view piece) { text += piece; });
  outputs::JsonDocument document(writer, "tabulon-cli", "1.2.3", connection.Dao.Engine(),
                                 connection.Dao.Workspace());
  document.AddDatabase("/a.mdb", *connection.Dao.Database());
  document.AddNotOpened("/b.mdb", "wrong password", "パスワードが違います");
  document.Finish();

  const nlohmann::ordered_json json = nlohmann::ordered_json::parse(text);
  EXPECT_EQ(json["formatVersion"], 2);
  EXPECT_EQ(json["program"]["version"], "1.2.3");
  const auto& database = json["databases"][0];
  EXPECT_EQ(database["file"], "/a.mdb");
  const auto& table = database["tableDefs"][0];
  std::vector<std::string> keys;
  for (const auto& [key, value] : table.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{
                      "name", "attributes", "connect", "sourceTableName", "recordCount",
                      "dateCreated", "dateCreatedIso", "lastUpdated", "lastUpdatedIso", "updatable",
                      "validationRule", "validationText", "description", "fields", "indexes"}));
  EXPECT_EQ(table["description"], "得意先\x01");
  const auto& price = table["fields"][1];
  EXPECT_EQ(price["precision"], 9);
  EXPECT_EQ(price["scale"], 2);
  EXPECT_EQ(price["defaultValueError"], "DefaultValue failed");
  EXPECT_FALSE(price.contains("defaultValue"));
  EXPECT_FALSE(table["indexes"][0].contains("descending"));
  EXPECT_EQ(table["indexes"][1]["descending"], nlohmann::ordered_json::array({"単価"}));
  EXPECT_EQ(database["tableDefs"][1]["fieldsError"], "Fields.Count failed");
  EXPECT_EQ(database["relations"][0]["fields"][0]["foreignName"], "ID");
  EXPECT_EQ(database["queryDefs"][0]["sqlError"], "SQL failed");
  const auto& failed = json["databases"][1];
  EXPECT_EQ(failed["openErrorKind"], "wrong password");
  EXPECT_FALSE(failed.contains("tableDefs"));
  // The control character is escaped, not written raw.
  EXPECT_NE(text.find("得意先\\u0001"), std::string::npos);
}

}  // namespace
}  // namespace tabulon::test
