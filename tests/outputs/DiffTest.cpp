// The schema diff over plain schemas: queries' SQL compared as text and
// shown line by line, names kept on one line, failures compared by text.

#include <gtest/gtest.h>

#include <outputs/DiffDocument.h>
#include <outputs/SchemaDiff.h>

namespace tabulon::test {
namespace {

schema::Query Query(const std::string& name, const std::string& sql) {
  return schema::Query{name,
                       std::int32_t{0},
                       sql,
                       std::string(),
                       {},
                       {},
                       std::vector<schema::Member<schema::Parameter>>{}};
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
  const schema::Database now = WithQueries({Query("一覧", "SELECT *\r\nFROM 受注\r\nWHERE 1=1;")});
  Wording words;
  const std::vector<outputs::SchemaChange> changes = outputs::DiffSchemas(old, now, words);
  ASSERT_EQ(changes.size(), 2u);
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
  EXPECT_TRUE(outputs::DiffSchemas(now, now, words).empty());
  EXPECT_EQ(outputs::DiffText({}, "a.mdb", "a.mdb"), "");
}

}  // namespace
}  // namespace tabulon::test
