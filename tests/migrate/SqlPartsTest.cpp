// The parts the SQL writer is made of: the type map (held to the README's
// table), names the servers keep, quoting, the order of tables, and the
// names PostgreSQL wants quoted.

#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include <dao/ObjectModel.h>
#include <migrate/Dialect.h>
#include <migrate/NameScope.h>
#include <migrate/PostgreSqlNames.h>
#include <migrate/TableOrder.h>
#include <migrate/TypeMap.h>

namespace tabulon::migrate {
namespace {

// The rows of the README's type map: Access name -> {PostgreSQL, SQLite}.
std::map<std::string, std::pair<std::string, std::string>> ReadmeTypeMap() {
  std::ifstream in(std::string(TABULON_SOURCE_DIR) + "/README.md");
  std::map<std::string, std::pair<std::string, std::string>> rows;
  bool inTable = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("| Access field |")) {
      inTable = true;
      continue;
    }
    if (!inTable || line.starts_with("|---")) continue;
    if (!line.starts_with("|")) break;
    std::vector<std::string> cells;
    std::istringstream cellsIn(line.substr(1));
    for (std::string cell; std::getline(cellsIn, cell, '|');) {
      cells.push_back(cell.substr(1, cell.size() - 2));
    }
    if (cells.size() == 3) rows[cells[0]] = {cells[1], cells[2]};
  }
  return rows;
}

// A column as the README's table writes it.
std::string AsReadme(const ColumnType& column, Dialect dialect) {
  std::string text = column.Sql;
  if (column.Identity && dialect == Dialect::Sqlite) text += " PRIMARY KEY AUTOINCREMENT";
  if (column.NotNull) text += " NOT NULL";
  if (!column.Default.empty()) text += " DEFAULT " + column.Default;
  return text;
}

TEST(TypeMap, IsTheReadmesTable) {
  const auto readme = ReadmeTypeMap();
  ASSERT_GE(readme.size(), 17u);
  const std::int32_t types[] = {dao::dbText,     dao::dbMemo,    dao::dbByte,   dao::dbInteger,
                                dao::dbLong,     dao::dbBigInt,  dao::dbSingle, dao::dbDouble,
                                dao::dbCurrency, dao::dbDecimal, dao::dbDate,   26,
                                dao::dbBoolean,  dao::dbGUID,    dao::dbBinary, dao::dbLongBinary};
  for (const std::int32_t type : types) {
    const std::string name = AccessTypeName(type);
    SCOPED_TRACE(name);
    ASSERT_EQ(readme.count(name), 1u);
    FieldShape field{type, 50, 9, 2, false};
    auto written = [](std::string text) {
      for (const auto& [from, to] :
           {std::pair<std::string, std::string>{"(n)", "(50)"}, {"(p,s)", "(9,2)"}}) {
        if (const auto at = text.find(from); at != std::string::npos)
          text.replace(at, from.size(), to);
      }
      return text;
    };
    EXPECT_EQ(AsReadme(MapColumnType(field, Dialect::PostgreSql), Dialect::PostgreSql),
              written(readme.at(name).first));
    EXPECT_EQ(AsReadme(MapColumnType(field, Dialect::Sqlite), Dialect::Sqlite),
              written(readme.at(name).second));
  }
  const FieldShape autoNumber{dao::dbLong, 4, 0, 0, true};
  EXPECT_EQ(AsReadme(MapColumnType(autoNumber, Dialect::PostgreSql), Dialect::PostgreSql),
            readme.at("AutoNumber (Long)").first);
  EXPECT_EQ(AsReadme(MapColumnType(autoNumber, Dialect::Sqlite), Dialect::Sqlite),
            readme.at("AutoNumber (Long)").second);
}

TEST(TypeMap, FieldsWithoutAColumnAndOddDigits) {
  for (const std::int32_t type : {101, 102, 109, 0, 13}) {
    const ColumnType column = MapColumnType({type, 4, 0, 0, false}, Dialect::PostgreSql);
    EXPECT_EQ(column.Sql, "") << type;
    EXPECT_FALSE(column.Problem.empty()) << type;
  }
  EXPECT_EQ(MapColumnType({101, 4, 0, 0, false}, Dialect::Sqlite).Problem,
            "添付ファイルのフィールドは列にできません");
  // Calculated fields give no digits and no size: the column is unbounded.
  const ColumnType decimal = MapColumnType({dao::dbDecimal, 16, 0, 0, false}, Dialect::PostgreSql);
  EXPECT_EQ(decimal.Sql, "numeric");
  EXPECT_EQ(decimal.Loss, "小数の桁数 0,0 は使えないため numeric にしました");
  // SQLite keeps exact numbers as text, whatever their digits.
  EXPECT_EQ(MapColumnType({dao::dbDecimal, 16, 5, 6, false}, Dialect::Sqlite).Sql, "text");
  EXPECT_EQ(MapColumnType({dao::dbDecimal, 16, 5, 6, false}, Dialect::Sqlite).Loss, "");
  EXPECT_EQ(MapColumnType({dao::dbText, 0, 0, 0, false}, Dialect::Sqlite).Sql, "text");
  EXPECT_EQ(MapColumnType({dao::dbText, 255, 0, 0, false}, Dialect::Sqlite).Sql, "varchar(255)");
  // Only an AutoNumber Long is an identity.
  EXPECT_FALSE(MapColumnType({dao::dbGUID, 16, 0, 0, true}, Dialect::PostgreSql).Identity);
}

TEST(SqlText, NamesAndTextsAreQuotedWhateverTheyHold) {
  EXPECT_EQ(QuoteName("He said \"hi\""), "\"He said \"\"hi\"\"\"");
  EXPECT_EQ(QuoteName("a\0b"), "\"a\"");  // a C string ends at NUL
  EXPECT_EQ(QuoteName(std::string("a\0b", 3)), "\"a\uFFFDb\"");
  EXPECT_EQ(QuoteText("O'Brien \\ --"), "'O''Brien \\ --'");
  EXPECT_EQ(QuoteText("\xFF"), "'\uFFFD'");
  EXPECT_EQ(CommentText("two\nlines\r*/"), "two lines */");
  EXPECT_EQ(DialectNamed("sqlite"), Dialect::Sqlite);
  EXPECT_EQ(DialectNamed("mysql"), std::nullopt);
}

TEST(NameScope, KeepsNamesUniqueAndShortEnough) {
  NameScope scope(10);
  EXPECT_EQ(scope.Claim("Table"), "Table");
  EXPECT_EQ(scope.Claim("TABLE"), "TABLE~2");  // names are compared without case
  EXPECT_EQ(scope.Claim("table"), "table~3");
  EXPECT_EQ(scope.Claim("ABCDEFGHIJK"), "ABCDEFGH~1");
  EXPECT_EQ(scope.Claim("ABCDEFGHIJKL"), "ABCDEFGH~2");
  // Cut at a character boundary: 表 takes three bytes.
  EXPECT_EQ(scope.Claim("表表表表"), "表表~1");
  EXPECT_TRUE(scope.Taken("abcdefgh~1"));
  NameScope unlimited(0);
  EXPECT_EQ(unlimited.Claim(std::string(300, 'x')), std::string(300, 'x'));
  EXPECT_EQ(unlimited.Claim(""), "~1");  // a damaged file's empty name
  EXPECT_EQ(unlimited.Claim(""), "~2");
}

TEST(TableOrder, ReferencedTablesComeFirstAndCyclesAreLeftForLater) {
  // 0 -> 1 -> 2, 3 -> 3 (itself), 4 <-> 5.
  const std::vector<Dependency> dependencies{{0, 1}, {1, 2}, {3, 3}, {4, 5}, {5, 4}, {0, 9}};
  const CreationOrder order = OrderTables(6, dependencies);
  EXPECT_EQ(order.Tables, (std::vector<std::size_t>{2, 1, 0, 3, 5, 4}));
  EXPECT_EQ(order.Later, (std::vector<bool>{false, false, false, false, true, false}));
  // A long chain is walked without recursion.
  std::vector<Dependency> chain;
  for (std::size_t t = 0; t + 1 < 100000; ++t) chain.push_back({t, t + 1});
  const CreationOrder chained = OrderTables(100000, chain);
  EXPECT_EQ(chained.Tables.front(), 99999u);
  EXPECT_EQ(chained.Tables.back(), 0u);
}

TEST(PostgreSqlNames, SayWhyANameNeedsQuotes) {
  EXPECT_TRUE(PostgreSqlQuotingReasons("order_lines").empty());
  EXPECT_TRUE(PostgreSqlQuotingReasons("顧客番号").empty());  // letters beyond ASCII may stand
  EXPECT_EQ(PostgreSqlQuotingReasons("顧客ID"),
            std::vector<std::string>{"大文字は小文字になる: 顧客id"});
  EXPECT_EQ(PostgreSqlQuotingReasons("user"), std::vector<std::string>{"予約語"});
  EXPECT_EQ(PostgreSqlQuotingReasons("Order Lines"),
            (std::vector<std::string>{"大文字は小文字になる: order lines",
                                      "識別子に使えない文字を含む"}));
  EXPECT_EQ(PostgreSqlQuotingReasons("1st"), std::vector<std::string>{"先頭が英字でも _ でもない"});
  EXPECT_EQ(PostgreSqlQuotingReasons(std::string(22, 'x') + std::string(42, 'y')),
            std::vector<std::string>{"63 バイトを超える"});
  EXPECT_TRUE(IsPostgreSqlReservedWord("WITH"));
  EXPECT_TRUE(IsPostgreSqlReservedWord("all"));
  EXPECT_FALSE(IsPostgreSqlReservedWord("name"));
}

}  // namespace
}  // namespace tabulon::migrate
