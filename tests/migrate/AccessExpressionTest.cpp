// Defaults and validation rules as Access users type them, and the SQL they
// become or the reason they do not.

#include <gtest/gtest.h>

#include <migrate/AccessExpression.h>

namespace tabulon::migrate {
namespace {

using enum ValueKind;

struct DefaultCase {
  const char* Access;
  ValueKind Kind;
  const char* PostgreSql;  // "" with a Problem expected: refused
  const char* Sqlite;
};

TEST(AccessExpression, DefaultsWithASafeEquivalent) {
  const DefaultCase cases[] = {
      {"0", Number, "0", "0"},
      {"-1.5", Number, "-1.5", "-1.5"},
      {".5", Number, "0.5", "0.5"},
      {"1E3", Number, "1E3", "1E3"},
      {"\"5\"", Number, "5", "5"},
      {"\"総務部\"", Text, "'総務部'", "'総務部'"},
      {"\"O'Brien \"\"Jr\"\"\"", Text, "'O''Brien \"Jr\"'", "'O''Brien \"Jr\"'"},
      {"'single'", Text, "'single'", "'single'"},
      {"\"\"", Text, "''", "''"},
      {"42", Text, "'42'", "'42'"},
      {"Yes", Boolean, "true", "1"},
      {"off", Boolean, "false", "0"},
      {"-1", Boolean, "true", "1"},
      {"True", Number, "-1", "-1"},
      {"=Now()", Date, "LOCALTIMESTAMP(0)", "(datetime('now', 'localtime'))"},
      {" = date ( ) ", Date, "CURRENT_DATE", "(date('now', 'localtime'))"},
      {"#2024/04/01#", Date, "'2024-04-01 00:00:00'", "'2024-04-01 00:00:00'"},
      {"#12/31/1999 23:59:58#", Date, "'1999-12-31 23:59:58'", "'1999-12-31 23:59:58'"},
      {"#2024-02-29 7:05#", Date, "'2024-02-29 07:05:00'", "'2024-02-29 07:05:00'"},
      {"GenGUID()", Guid, "gen_random_uuid()", ""},
      {"\"{6B29FC40-CA47-1067-B31D-00DD010662DA}\"", Guid,
       "'{6B29FC40-CA47-1067-B31D-00DD010662DA}'", "'{6B29FC40-CA47-1067-B31D-00DD010662DA}'"},
  };
  for (const DefaultCase& c : cases) {
    SCOPED_TRACE(c.Access);
    const Translation pg = TranslateDefault(c.Access, c.Kind, Dialect::PostgreSql);
    EXPECT_EQ(pg.Sql, c.PostgreSql);
    EXPECT_EQ(pg.Problem.empty(), *c.PostgreSql != '\0') << pg.Problem;
    const Translation lite = TranslateDefault(c.Access, c.Kind, Dialect::Sqlite);
    EXPECT_EQ(lite.Sql, c.Sqlite);
    EXPECT_EQ(lite.Problem.empty(), *c.Sqlite != '\0') << lite.Problem;
  }
  // Null and nothing are no default at all, which is no loss.
  for (const char* none : {"", "  ", "Null", "=null"}) {
    const Translation t = TranslateDefault(none, Text, Dialect::PostgreSql);
    EXPECT_EQ(t.Sql, "");
    EXPECT_EQ(t.Problem, "") << none;
  }
}

TEST(AccessExpression, DefaultsWithoutOneSayWhy) {
  const std::pair<const char*, ValueKind> refused[] = {
      {"=Format(Date(),\"yyyy\")", Text},  // a function of a function
      {"Time()", Date},
      {"[ID]+1", Number},
      {"abc", Text},           // a name, not a text
      {"\"abc\"", Number},     // text in a number
      {"#2023/02/29#", Date},  // no such day
      {"#1/2/03#", Date},      // a two-digit year
      {"#10:00#", Date},       // a time alone
      {"0", Date},
      {"Yes", Text},
      {"2", Boolean},
      {"\"not a guid\"", Guid},
      {"\"unterminated", Text},
      {"12abc", Number},
      {"1 2", Number},
      {"0", Binary},
  };
  for (const auto& [access, kind] : refused) {
    const Translation t = TranslateDefault(access, kind, Dialect::PostgreSql);
    EXPECT_EQ(t.Sql, "") << access;
    EXPECT_FALSE(t.Problem.empty()) << access;
  }
  EXPECT_EQ(TranslateDefault("Time()", Date, Dialect::PostgreSql).Problem,
            "関数 Time() は移行できません");
  EXPECT_EQ(TranslateDefault("\"abc\"", Number, Dialect::PostgreSql).Problem,
            "既定値の型がフィールドの型と合いません");
}

// Fields of a table for the rules below.
std::optional<ExpressionField> Lookup(std::string_view name) {
  if (name == "数量" || name == "Qty") return ExpressionField{"\"数量\"", Number};
  if (name == "上限") return ExpressionField{"\"上限\"", Number};
  if (name == "名前") return ExpressionField{"\"名前\"", Text};
  if (name == "別名") return ExpressionField{"\"別名\"", Text};
  if (name == "日付") return ExpressionField{"\"日付\"", Date};
  if (name == "有効") return ExpressionField{"\"有効\"", Boolean};
  if (name == "ID") return ExpressionField{"\"ID\"", Guid};
  return std::nullopt;
}

struct RuleCase {
  const char* Self;  // the field the rule belongs to; "" for a table rule
  const char* Access;
  const char* PostgreSql;
  const char* Sqlite;  // nullptr: as for PostgreSQL
};

TEST(AccessExpression, RulesThatAreSimpleComparisons) {
  const RuleCase cases[] = {
      {"数量", ">=0", "\"数量\" >= 0", nullptr},
      {"数量", "<> 0 And <100", "\"数量\" <> 0 AND \"数量\" < 100", nullptr},
      {"数量", "Between -5 And 5", "\"数量\" BETWEEN -5 AND 5", nullptr},
      {"数量", "Not Between 1 And 9", "\"数量\" NOT BETWEEN 1 AND 9", nullptr},
      {"数量", "Is Not Null", "\"数量\" IS NOT NULL", nullptr},
      {"数量", "In (1, 2,3)", "\"数量\" IN (1, 2, 3)", nullptr},
      {"数量", "[数量]<=[上限]", "\"数量\" <= \"上限\"", nullptr},
      {"数量", "Qty > 0", "\"数量\" > 0", nullptr},
      {"数量", ">0 Or Is Null And <5", "\"数量\" > 0 OR (\"数量\" IS NULL AND \"数量\" < 5)",
       nullptr},
      {"数量", "(>0 Or <-10) And <>5", "(\"数量\" > 0 OR \"数量\" < -10) AND \"数量\" <> 5",
       nullptr},
      {"数量", "Not >5", "NOT \"数量\" > 5", nullptr},
      {"日付", ">=#1980/01/01#", "\"日付\" >= '1980-01-01 00:00:00'", nullptr},
      {"名前", "<>\"\"", "\"名前\" <> ''", nullptr},
      {"名前", "<>\"\\\"", "\"名前\" <> '\\'", nullptr},
      {"名前", "=\"表\"", "\"名前\" = '表'", nullptr},
      {"名前", "=\"Abc\"", "lower(\"名前\") = 'abc'", nullptr},
      {"名前", "Not In (\"A\",\"b\")", "lower(\"名前\") NOT IN ('a', 'b')", nullptr},
      {"名前", "Like \"A*x?\"", "\"名前\" ILIKE 'A%x_'", "\"名前\" LIKE 'A%x_'"},
      // Backslashes, "%" and "_" are literal in Access's patterns.
      {"名前", "Not Like \"*\\*\"", "\"名前\" NOT ILIKE '%\\\\%'", "\"名前\" NOT LIKE '%\\%'"},
      {"名前", "Like \"100%_\"", "\"名前\" ILIKE '100\\%\\_'",
       "\"名前\" LIKE '100\\%\\_' ESCAPE '\\'"},
      {"名前", "Like \"C####\"", "\"名前\" ~* '^C[0-9][0-9][0-9][0-9]$'",
       "lower(\"名前\") GLOB 'c[0-9][0-9][0-9][0-9]'"},
      {"名前", "Not Like \"[!a-c]?[*].x\"", "\"名前\" !~* '^[^a-c].\\*\\.x$'",
       "lower(\"名前\") NOT GLOB '[^a-c]?[*].x'"},
      {"名前", "[名前]=[別名]", "lower(\"名前\") = lower(\"別名\")", nullptr},
      {"有効", "=True Or =0", "\"有効\" = true OR \"有効\" = false",
       "\"有効\" = 1 OR \"有効\" = 0"},
      {"", "[数量] Is Null Or [数量]<=[上限]", "\"数量\" IS NULL OR \"数量\" <= \"上限\"", nullptr},
      {"", "[日付]>=#2000/1/1# And [日付]<#2100/1/1#",
       "\"日付\" >= '2000-01-01 00:00:00' AND \"日付\" < '2100-01-01 00:00:00'", nullptr},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(c.Access);
    const std::optional<ExpressionField> self =
        *c.Self != '\0' ? Lookup(c.Self) : std::optional<ExpressionField>();
    const Translation pg = TranslateRule(c.Access, self, Lookup, Dialect::PostgreSql);
    EXPECT_EQ(pg.Problem, "");
    EXPECT_EQ(pg.Sql, c.PostgreSql);
    const Translation lite = TranslateRule(c.Access, self, Lookup, Dialect::Sqlite);
    EXPECT_EQ(lite.Sql, c.Sqlite != nullptr ? c.Sqlite : c.PostgreSql);
  }
}

TEST(AccessExpression, RulesThatAreNotSaidWithTheirReason) {
  const std::pair<const char*, const char*> refused[] = {
      {"[日付]<Date()", "関数 Date() は移行できません"},
      {">=0", "比較の左辺がありません"},  // a table's rule names its fields
      {"[数量]*2>[上限]", "計算式は移行できません"},
      {"[在庫]>0", "[在庫] はこのテーブルのフィールドではありません"},
      {"[T].[数量]>0", "ほかのテーブルの [T] は参照できません"},
      {"[名前]>\"M\"", "文字列の大小比較は移行できません（照合順序が違います）"},
      {"[名前] Like \"[a-\"", "Like のパターン '[a-' は移行できません"},
      {"[名前] Like \"[a-Z]\"", "Like のパターン '[a-Z]' は移行できません"},
      {"[名前]=\"Ärger\"", "大文字と小文字を同じに扱う比較を移行できない文字があります"},
      {"[数量]=\"1\"", "型の合わない比較です"},
      {"[数量]=Null", "Null との比較は移行できません"},
      {"1=1", "フィールドを含まない比較です"},
      {"[ID]=\"{6B29FC40-CA47-1067-B31D-00DD010662DA}\"", "型の合わない比較です"},
      {"[有効]>0", "Yes/No の大小比較は移行できません"},
      {"[数量]!=1", "演算子 != は Access の式ではありません"},
      {"([数量]>0", "閉じ括弧がありません"},
      {"[数量]>0 [上限]", "式の終わりが読めません（上限）"},
      {"[数量] Between 1", "Between の後に And がありません"},
  };
  for (const auto& [access, problem] : refused) {
    const Translation t = TranslateRule(access, std::nullopt, Lookup, Dialect::PostgreSql);
    EXPECT_EQ(t.Sql, "") << access;
    EXPECT_EQ(t.Problem, problem) << access;
  }
  // Nesting is bounded: the parser recurses once a level.
  const std::string deep = std::string(200, '(') + "[数量]>0" + std::string(200, ')');
  EXPECT_EQ(TranslateRule(deep, std::nullopt, Lookup, Dialect::PostgreSql).Problem,
            "式の入れ子が深すぎます");
}

}  // namespace
}  // namespace tabulon::migrate
