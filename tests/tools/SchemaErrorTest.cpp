// Descriptions the writer must refuse, each with a message that names the
// object at fault and the problem.

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/SchemaError.h>
#include <tools/jetwriter/SchemaJson.h>

namespace tabulon::test {
namespace {

struct BadCase {
  std::string Json;
  std::string Message;
};

// Wraps table JSON into a document with a valid second table "P".
std::string WithTables(const std::string& tables, const std::string& rest = "") {
  return fmt::format(
      R"({{"tables": [{}, {{"name": "P", "columns": [{{"name": "ID", "type": "long"}}],
                        "indexes": [{{"name": "PK", "primary": true, "columns": ["ID"]}}]}}]{}}})",
      tables, rest);
}

// The writer's message refusing a description, or "(accepted)".
std::string Refusal(const jetwriter::Database& db) {
  try {
    jetwriter::WriteDatabase(db);
  } catch (const jetwriter::SchemaError& error) {
    return error.what();
  }
  return "(accepted)";
}

std::string Refusal(const std::string& json) {
  try {
    return Refusal(jetwriter::ReadSchemaJson(json));
  } catch (const jetwriter::SchemaError& error) {
    return error.what();
  }
}

TEST(SchemaErrorTest, RefusesWithAMessageNamingTheProblem) {
  const BadCase cases[] = {
      {"{", "not valid JSON"},
      {R"({"tabels": []})", "unknown key \"tabels\""},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "numbr"}]}]})",
       "tables[0] \"T\".columns[0] \"A\".type: unknown type \"numbr\""},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "text", "size": "5"}]}]})",
       "size: expected a whole number"},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long", "size": 5}]}]})",
       "only text and binary columns have a size"},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}], "rows": [{"B": 1}]}]})",
       "tables[0] \"T\".rows[0]: there is no column \"B\""},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "text", "size": 300}]}]})",
       "column \"A\": a Text size must be 1 to 255 characters, not 300"},
      {R"({"tables": [{"name": "T", "columns": []}]})",
       "table \"T\": a table needs 1 to 255 columns, not 0"},
      {R"({"tables": [{"name": "T.1", "columns": [{"name": "A", "type": "long"}]}]})",
       "contains the character '.'"},
      {R"({"tables": [{"name": " T", "columns": [{"name": "A", "type": "long"}]}]})",
       "starts with a space"},
      {R"({"tables": [{"name": "MSysObjects", "columns": [{"name": "A", "type": "long"}]}]})",
       "belongs to an engine table"},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}, {"name": "a", "type": "text"}]}]})",
       "column \"a\": the name is used twice"},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "text", "autoNumber": true}]}]})",
       "only Long and GUID columns can be AutoNumber"},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "memo"}], "indexes": [{"name": "I", "columns": ["A"]}]}]})",
       "index \"I\": Memo and OLE column \"A\" cannot be indexed"},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}], "indexes": [{"name": "I", "columns": ["B"]}]}]})",
       "index \"I\": there is no column \"B\""},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "text"}], "indexes": [{"name": "I", "columns": ["A"]}],
          "rows": [{"A": "顧客"}]}]})",
       "table \"T\", row 1, column \"A\": index \"I\" cannot hold \"顧客\""},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}], "indexes": [{"name": "I", "unique": true, "columns": ["A"]}],
          "rows": [{"A": 1}, {"A": 1}]}]})",
       "table \"T\", row 2: a second row with the same key in unique index \"I\""},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}], "indexes": [{"name": "I", "primary": true, "columns": ["A"]}],
          "rows": [{}]}]})",
       "table \"T\", row 1: index \"I\" does not allow null values"},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long", "required": true}], "rows": [{"A": null}]}]})",
       "column \"A\": the column is required but the value is null"},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "byte"}], "rows": [{"A": 300}]}]})",
       "row 1, column \"A\": 300 is outside the range of a Byte column"},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "datetime"}], "rows": [{"A": "2023-02-30"}]}]})",
       "\"2023-02-30\" is not a date"},
      {R"({"password": "abcdefghijklmnopqrstu"})", "the password is longer than 20 characters"},
      {R"({"properties": [{"name": "N", "type": "byte", "value": "x"}]})",
       "properties[0] \"N\": \"x\" is not a whole number"},
      {R"({"password": "abc\\"})", "the password ends with a backslash"},
      {fmt::format(
           R"({{"tables": [{{"name": "{}", "columns": [{{"name": "A", "type": "long"}}]}}]}})",
           std::string(65, 'x')),
       "is longer than 64 characters"},
      {fmt::format(R"({{"tables": [{{"name": "T", "description": "{}", "columns": [{{"name": "A",
          "type": "long"}}]}}]}})",
                   std::string(40000, 'x')),
       "table \"T\", property \"Description\": the value takes 80000 bytes"},
  };
  for (const BadCase& c : cases) {
    const std::string refusal = Refusal(c.Json);
    EXPECT_NE(refusal.find(c.Message), std::string::npos) << c.Json << "\n" << refusal;
  }

  const std::string T =
      R"({"name": "T", "columns": [{"name": "A", "type": "long"}, {"name": "S", "type": "text"}]})";
  const BadCase relations[] = {
      {R"({"name": "R", "table": "P", "foreignTable": "T", "columns": [{"name": "ID", "foreignName": "X"}]})",
       "relationship \"R\": table \"T\" has no column \"X\""},
      {R"({"name": "R", "table": "Q", "foreignTable": "T", "columns": ["A"]})",
       "relationship \"R\": there is no table \"Q\""},
      {R"({"name": "R", "table": "T", "foreignTable": "P", "columns": [{"name": "A", "foreignName": "ID"}]})",
       "enforcing it needs a primary key or unique index of table \"T\""},
      {R"({"name": "R", "table": "P", "foreignTable": "T", "columns": [{"name": "ID", "foreignName": "S"}]})",
       "columns \"ID\" and \"S\" must have the same type"},
      {R"({"name": "R", "table": "P", "foreignTable": "T", "columns": [{"name": "ID", "foreignName": "A"}], "dontEnforce": true,
          "cascadeDelete": true})",
       "cascades need an enforced relationship"},
      {R"({"name": "R", "table": "P", "foreignTable": "T", "columns": [{"name": "ID", "foreignName": "A"}], "left": true, "right": true})",
       "a join is either left or right"},
      {R"({"name": "R", "table": "P", "foreignTable": "T", "columns": [{"name": "ID", "foreignName": "A"}], "cascadeDelete": true,
          "cascadeNull": true})",
       "a delete either cascades or sets Null, not both"},
  };
  for (const BadCase& c : relations) {
    const std::string refusal =
        Refusal(WithTables(T, fmt::format(R"(, "relationships": [{}])", c.Json)));
    EXPECT_NE(refusal.find(c.Message), std::string::npos) << c.Json << "\n" << refusal;
  }
}

TEST(SchemaErrorTest, RefusesRowsAndIndexesTooLargeForAPage) {
  jetwriter::Database db;
  db.Tables.push_back({});
  jetwriter::Table& table = db.Tables[0];
  table.Name = "T";
  for (int c = 0; c < 10; ++c) {
    jetwriter::Column column;
    column.Name = fmt::format("C{}", c);
    column.Size = 255;
    table.Columns.push_back(column);
  }
  table.Rows.push_back(jetwriter::Row(10, std::string(255, 'x')));
  EXPECT_NE(Refusal(db).find("row 1: the row takes 5"), std::string::npos) << Refusal(db);

  table.Columns.resize(1);
  table.Rows.assign(400, jetwriter::Row{std::string("key value")});
  table.Indexes.push_back({"I", {{"C0", false}}, false, false, false, false});
  EXPECT_NE(Refusal(db).find("the keys of index \"I\" take"), std::string::npos) << Refusal(db);
}

}  // namespace
}  // namespace tabulon::test
