// Query expressions as each server says them, and the refusals that keep
// a query from being half carried. The servers' own results are checked by
// tests/servers/migrate_into_servers.py, on real rows.

#include <gtest/gtest.h>

#include <migrate/AccessTokens.h>
#include <migrate/QueryExpression.h>
#include <migrate/SelectText.h>

namespace tabulon::migrate {
namespace {

// Columns of two tables: T (名前 text, 数 long, 値 double, 日 date, 可 Yes/No,
// 額 currency, which SQLite keeps as text) and U (名前 text).
std::optional<QueryField> Names(std::string_view source, std::string_view name, Dialect dialect) {
  struct Column {
    const char* Source;
    const char* Name;
    ValueKind Kind;
    bool Integer;
    bool TextNumber;
  };
  static const Column columns[] = {
      {"T", "名前", ValueKind::Text, false, false},
      {"T", "数", ValueKind::Number, true, false},
      {"T", "値", ValueKind::Number, false, false},
      {"T", "日", ValueKind::Date, false, false},
      {"T", "可", ValueKind::Boolean, false, false},
      {"T", "額", ValueKind::Number, false, true},
      {"U", "名前", ValueKind::Text, false, false},
      {"T", "it's \"x\"", ValueKind::Text, false, false},
  };
  std::optional<QueryField> found;
  for (const Column& column : columns) {
    if ((!source.empty() && source != column.Source) || name != column.Name) continue;
    if (found) throw Refused("[" + std::string(name) + "] がどのテーブルのものかあいまいです");
    found = QueryField{QuoteName(column.Source) + "." + QuoteName(column.Name), column.Kind,
                       column.Integer, column.TextNumber && dialect == Dialect::Sqlite};
  }
  return found;
}

std::string Sql(std::string_view expression, Dialect dialect) {
  const QueryTranslation translated = TranslateQueryExpression(
      expression,
      [dialect](std::string_view source, std::string_view name) {
        return Names(source, name, dialect);
      },
      dialect);
  return translated.Problem.empty() ? translated.Value.Sql : "refused: " + translated.Problem;
}

TEST(QueryExpression, SaysWhatTheServerComputesAlike) {
  struct Case {
    const char* Access;
    const char* PostgreSql;
    const char* Sqlite;
  };
  const Case cases[] = {
      // Text compared without regard to case; names quoted whatever they hold.
      {"[T].[名前] = \"Abc\"", R"((lower("T"."名前") = 'abc'))", R"((lower("T"."名前") = 'abc'))"},
      {"[T].[it's \"x\"] <> [U].[名前]", R"((lower("T"."it's ""x""") <> lower("U"."名前")))",
       R"((lower("T"."it's ""x""") <> lower("U"."名前")))"},
      // & takes Null as empty, all Null as Null; whole numbers as their digits.
      {"[T].[名前] & [T].[数]",
       R"((CASE WHEN "T"."名前" IS NULL AND "T"."数" IS NULL THEN NULL ELSE concat("T"."名前", CAST("T"."数" AS text)) END))",
       R"((CASE WHEN "T"."名前" IS NULL AND "T"."数" IS NULL THEN NULL ELSE coalesce("T"."名前", '') || coalesce(CAST("T"."数" AS TEXT), '') END))"},
      {"\"No.\" & [T].[名前]", R"((concat('No.', "T"."名前")))",
       R"((coalesce('No.', '') || coalesce("T"."名前", '')))"},
      // Access divides as floating point.
      {"[T].[数] / 2", R"((CAST("T"."数" AS double precision) / 2))",
       R"((CAST("T"."数" AS REAL) / 2))"},
      {"[T].[数] Mod 3", R"(mod("T"."数", 3))", R"(("T"."数" % 3))"},
      {"IIf([T].[可], 1, -1)", R"((CASE WHEN "T"."可" THEN 1 ELSE -1 END))",
       R"((CASE WHEN "T"."可" THEN 1 ELSE -1 END))"},
      {"[T].[可] = True", R"(("T"."可" = true))", R"(("T"."可" = 1))"},
      {"[T].[日] >= #2019/01/31 10:00#", R"(("T"."日" >= TIMESTAMP '2019-01-31 10:00:00'))",
       R"(("T"."日" >= '2019-01-31 10:00:00'))"},
      {"Year([T].[日])", R"(CAST(EXTRACT(Year FROM "T"."日") AS integer))",
       R"(CAST(strftime('%Y', "T"."日") AS INTEGER))"},
      {"Right([T].[名前], 2)", R"(right("T"."名前", 2))", R"(substr("T"."名前", -2))"},
      {"Count(*)", "count(*)", "count(*)"},
      // SQLite's text numbers are compared as numbers.
      {"[T].[額] > 10", R"(("T"."額" > 10))", R"((CAST("T"."額" AS REAL) > 10))"},
      {"[T].[名前] Like \"a#*\"", R"(("T"."名前" ~* '^a[0-9].*$'))",
       R"((lower("T"."名前") GLOB 'a[0-9]*'))"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sql(c.Access, Dialect::PostgreSql), c.PostgreSql) << c.Access;
    EXPECT_EQ(Sql(c.Access, Dialect::Sqlite), c.Sqlite) << c.Access;
  }
}

TEST(QueryExpression, RefusesWhatWouldNotMeanTheSame) {
  const std::pair<const char*, const char*> cases[] = {
      {"[T].[名前] < \"b\"", "文字列の大小比較は移行できません（照合順序が違います）"},
      {"[T].[値] & \"円\"",
       "& で文字列にする値が整数でもテキストでもありません（書式が Access と違います）"},
      {"Round([T].[値], 1)", "関数 Round() は移行できません"},
      {"Nz([T].[名前])", "Nz の 2 番目の引数がありません（クエリの Nz は空の文字列を返します）"},
      {"CLng([T].[値])", "関数 CLng の変換は Access と同じになりません"},
      {"[T].[値] \\ 2", "演算子 \\ は整数どうしでだけ移行できます（Access は丸めます）"},
      {"[開始日]",
       "[開始日] はどのテーブルのフィールドでもありません（パラメーターとして問われる名前です）"},
      {"[名前]", "[名前] がどのテーブルのものかあいまいです"},
      {"[Forms]![検索]![番号]", "フォームやレポートの値 [Forms]![検索] を参照しています"},
      {"Max([T].[名前])", "Max は数値と日付でだけ移行できます（照合順序が違います）"},
      {"Sum(Sum([T].[数]))", "集計関数の中に集計関数があります"},
      {"[T].[数] ^ 2", "べき乗（^）は移行できません"},
      {"[T].[名前] = \"Ä\"", "大文字と小文字を同じに扱う比較を移行できない文字があります"},
  };
  for (const auto& [access, problem] : cases) {
    EXPECT_EQ(Sql(access, Dialect::PostgreSql), std::string("refused: ") + problem) << access;
  }
  // SQLite cannot compute its text numbers exactly, nor fold beyond ASCII.
  EXPECT_EQ(Sql("Sum([T].[額])", Dialect::Sqlite),
            "refused: SQLite では通貨型・十進型の値で計算すると正確になりません（Sum）");
  EXPECT_EQ(Sql("Sum([T].[額])", Dialect::PostgreSql), R"(sum("T"."額"))");
  EXPECT_EQ(Sql("DateAdd(\"m\", 1, [T].[日])", Dialect::Sqlite),
            "refused: SQLite の月の足し算は月末で止まりません（DateAdd の \"m\"）");
  EXPECT_EQ(Sql("DateAdd(\"m\", 1, [T].[日])", Dialect::PostgreSql),
            R"(("T"."日" + 1 * INTERVAL '1 month'))");
  EXPECT_EQ(Sql("DateDiff(\"ww\", [T].[日], Now())", Dialect::PostgreSql),
            "refused: DateDiff の単位 \"ww\" は移行できません");
  EXPECT_EQ(Sql("Choose([T].[値], 1, 2)", Dialect::PostgreSql),
            "refused: Choose の番号が整数ではありません（Access は丸めます）");
  EXPECT_EQ(Sql("UCase([T].[名前])", Dialect::Sqlite),
            "refused: SQLite の upper と lower は ASCII の文字しか変えません");
  // Hostile depth is refused, not followed.
  EXPECT_EQ(Sql(std::string(200, '(') + "1" + std::string(200, ')'), Dialect::PostgreSql),
            "refused: 式の入れ子が深すぎます");
  EXPECT_EQ(Sql(std::string(5000, '-') + "1", Dialect::Sqlite), "refused: 式の入れ子が深すぎます");
}

// A union's text read back into the parts other queries keep.
TEST(UnionText, ReadsPlainSelectsBackIntoParts) {
  const UnionText read = ReadUnionText(
      "SELECT DISTINCT T.a AS x, [b c] FROM T AS t1 LEFT JOIN [U u] ON t1.a = [U u].a\r\n"
      "WHERE t1.a > 1 GROUP BY T.a, [b c] HAVING Count(*) > 1 ORDER BY T.a DESC;\n"
      "UNION ALL SELECT 1, 'x' FROM V UNION SELECT 2, 'y' FROM V;");
  ASSERT_EQ(read.Selects.size(), 3u);
  EXPECT_EQ(read.All, (std::vector<bool>{true, false}));
  const std::vector<dao::QueryPart> first = {
      {3, "", "", "", 0x02, 0},      {6, "x", "", "T.a", 0, 0},
      {6, "", "", "[b c]", 0, 0},    {5, "T", "t1", "", 0, 0},
      {5, "U u", "", "", 0, 0},      {7, "t1", "U u", "t1.a = [U u].a", 2, 0},
      {8, "", "", "t1.a > 1", 0, 0}, {9, "", "", "T.a", 0, 0},
      {9, "", "", "[b c]", 0, 0},    {10, "", "", "Count(*) > 1", 0, 0},
      {11, "D", "", "T.a", 0, 0},
  };
  EXPECT_EQ(read.Selects[0], first);
  for (const char* refused : {"SELECT a FROM (SELECT a FROM T)", "SELECT TOP 3 a FROM T",
                              "SELECT a WHERE a = 1", "SELECT a FROM (T INNER JOIN U ON T.a = U.a)",
                              "SELECT a FROM T INNER JOIN U", "UPDATE T SET a = 1"}) {
    EXPECT_THROW(ReadUnionText(refused), Refused) << refused;
  }
}

}  // namespace
}  // namespace tabulon::migrate
