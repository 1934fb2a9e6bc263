// Files written by the writer, read back with the mdbtools command-line
// tools: every read must succeed without a word on stderr.

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <tools/jetwriter/Synthetic.h>

#include <tests/support/ProcessRunner.h>
#include "Fixtures.h"

namespace tabulon::test {
namespace {

// The feature fixture, written once for the suite.
const std::filesystem::path& FeatureFile() {
  static const TempDir dir;
  static const std::filesystem::path file = WriteFixture(dir, "features.mdb", FeatureFixture());
  return file;
}

class MdbToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("mdb-export")) GTEST_SKIP() << "mdbtools is not installed";
  }

  // Runs an mdbtools command on the feature file; it must succeed quietly.
  // (mdb-schema says "No MSysRelationships" for any file without
  // relationships, the engine's own empty databases included.)
  static std::string Read(std::vector<std::string> args,
                          const std::filesystem::path& file = FeatureFile(),
                          const std::string& allowedErr = "") {
    args.insert(args.begin() + 1, file.string());
    const ProcessResult result = RunProcess(args);
    EXPECT_EQ(result.ExitCode, 0) << args[0];
    if (result.Err != allowedErr) {
      EXPECT_EQ(result.Err, "") << args[0];
    }
    return result.Out;
  }
  static std::string Export(const std::string& table,
                            const std::filesystem::path& file = FeatureFile()) {
    return Read({"mdb-export", table, "-b", "hex", "-T", "%Y-%m-%d %H:%M:%S"}, file);
  }
};

void ExpectContains(const std::string& text, const std::vector<std::string>& pieces) {
  for (const std::string& piece : pieces)
    EXPECT_NE(text.find(piece), std::string::npos) << "missing: " << piece;
}

TEST_F(MdbToolsTest, VersionAndTableNames) {
  EXPECT_EQ(Read({"mdb-ver"}), "JET4\n");
  // mdbtools hides the system table (flag 0x2) but not the hidden one.
  EXPECT_EQ(Read({"mdb-tables", "-1"}),
            "得意先表\nソース一覧\n受注\n受注明細\n明細メモ\n得意先詳細\n広い表\n");
  EXPECT_EQ(Read({"mdb-tables", "-1", "-S"}),
            "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\n"
            "得意先表\nソース一覧\n受注\n受注明細\n明細メモ\n得意先詳細\nUSysSettings\n広い表\n");
}

TEST_F(MdbToolsTest, ColumnTypesSizesAndRequired) {
  const std::string schema = Read({"mdb-schema", "-T", "得意先表"});
  for (const char* line : {"[得意先ID]\t\t\tLong Integer", "[得意先名]\t\t\tText (60) NOT NULL",
                           "[カナ]\t\t\tText (60)", "[締日]\t\t\tByte", "[与信限度]\t\t\tCurrency",
                           "[有効]\t\t\tBoolean NOT NULL", "[登録日時]\t\t\tDateTime",
                           "[ホームページ]\t\t\tMemo/Hyperlink (255)", "[写真]\t\t\tOLE (255)",
                           "[評価]\t\t\tSingle", "[距離]\t\t\tDouble", "[件数]\t\t\tInteger",
                           "[識別]\t\t\tBinary", "[比率]\t\t\tNumeric (9, 3)",
                           "[複製ID]\t\t\tReplication ID", "[社内コード]\t\t\tText (10)"}) {
    ExpectContains(schema, {fmt::format("\t{}", line)});
  }
  ExpectContains(Read({"mdb-schema", "-T", "ソース一覧"}), {"\t[行ID]\t\t\tReplication ID"});
  // The last column of the table whose definition spans pages.
  ExpectContains(Read({"mdb-schema", "-T", "広い表"}),
                 {"\t[列179_長めの名前で定義を広げる]\t\t\tText (12)"});
}

TEST_F(MdbToolsTest, KeysIndexesAndForeignKeys) {
  const std::string schema = Read({"mdb-schema", "postgres"});
  ExpectContains(
      schema,
      {
          "\"得意先id\"\t\t\tSERIAL",
          "COMMENT ON TABLE \"得意先表\" IS '得意先の一覧 <全件>';",
          "COMMENT ON COLUMN \"得意先表\".\"得意先名\" IS '正式名称';",
          "ALTER TABLE \"得意先表\" ADD CONSTRAINT \"得意先表_pkey\" PRIMARY KEY (\"得意先id\");",
          "CREATE UNIQUE INDEX \"得意先表_社内コード_idx\" ON \"得意先表\" (\"社内コード\");",
          "CREATE INDEX \"得意先表_登録日時_idx\" ON \"得意先表\" (\"登録日時\" DESC);",
          "CREATE INDEX \"得意先表_締日有効_idx\" ON \"得意先表\" (\"締日\", \"有効\");",
          "ALTER TABLE \"受注明細\" ADD CONSTRAINT \"受注明細_pkey\" PRIMARY KEY (\"受注id\", "
          "\"行番号\");",
          "ALTER TABLE \"受注\" ADD CONSTRAINT \"受注_得意先id_fk\" FOREIGN KEY (\"得意先id\") "
          "REFERENCES "
          "\"得意先表\"(\"得意先id\") ON UPDATE CASCADE ON DELETE CASCADE",
          "ALTER TABLE \"受注明細\" ADD CONSTRAINT \"受注明細_受注id_fk\" FOREIGN KEY (\"受注id\") "
          "REFERENCES "
          "\"受注\"(\"受注id\") ON DELETE CASCADE",
          "FOREIGN KEY (\"行番号\") REFERENCES \"受注明細\"(\"行番号\") ON UPDATE CASCADE",
          "ALTER TABLE \"得意先詳細\" ADD CONSTRAINT \"得意先詳細_得意先id_fk\" FOREIGN KEY "
          "(\"得意先id\") REFERENCES "
          "\"得意先表\"(\"得意先id\") DEFERRABLE",
          "CREATE INDEX \"広い表_索引19_idx\" ON \"広い表\" (\"列019_長めの名前で定義を広げる\" "
          "DESC);",
      });
  // An unenforced relationship is no foreign key.
  EXPECT_EQ(schema.find("\"担当\") REFERENCES"), std::string::npos);
}

TEST_F(MdbToolsTest, TableColumnAndDatabaseProperties) {
  EXPECT_EQ(Read({"mdb-prop", "得意先表"}),
            "name: (none)\n\tValidationRule: [締日] Between 1 And 31\n\tDescription: 得意先の一覧 "
            "<全件>\n"
            "\tValidationText: 締日は 1 から 31 です\n\n"
            "name: 得意先ID\n\tDescription: 自動採番\n\n"
            "name: 得意先名\n\tAllowZeroLength: no\n\tRequired: yes\n\tDescription: "
            "正式名称\n\tCaption: 得意先名称\n\n"
            "name: カナ\n\tAllowZeroLength: yes\n\tFormat: >\n\n"
            "name: 締日\n\tDefaultValue: 31\n\tValidationRule: Between 1 And 31\n\tValidationText: "
            "1～31\n\n"
            "name: 与信限度\n\tDefaultValue: 0\n\n"
            "name: 有効\n\tDefaultValue: Yes\n\n"
            "name: 登録日時\n\tDefaultValue: =Now()\n\tFormat: yyyy/mm/dd hh:nn:ss\n\n"
            "name: 社内コード\n\tColumnWidth: 1500\n\n");
  EXPECT_EQ(Read({"mdb-prop", "MSysDb"}),
            "name: (none)\n\tAccessVersion: 08.50\n\tAppTitle: 機能一覧\n\tStartUpShowDBWindow: "
            "no\n\tBuild: 4711\n\n");
  ExpectContains(Read({"mdb-prop", "ソース一覧"}), {"name: 行ID\n\tDefaultValue: GenGUID()\n"});
  // A property block that needs a chain of pages.
  ExpectContains(Read({"mdb-prop", "広い表"}),
                 {"name: (none)\n\tDescription: 列と索引の多い表\n",
                  "name: 列179_長めの名前で定義を広げる\n\tDescription: "
                  "列179の説明：定義が複数ページにまたがる表のための列\n"});
}

TEST_F(MdbToolsTest, RowValuesIncludingLongValues) {
  const std::string expected =
      "得意先ID,得意先名,カナ,締日,与信限度,有効,登録日時,ホームページ,備考,写真,評価,距離,件数,"
      "識別,比率,複製ID,社内コード\n"
      "1,\"株式会社ソ表\",\"ｿﾋｮｳ\",20,1500000.2500,1,\"2023-05-07 "
      "10:15:30\",\"ソ表#https://example.jp/#\","
      "\"短い備考\",\"00FF10\",4.5,-12.125,-3,\"0102030405060708\",-123.456,"
      "\"7B36423239464334302D434134372D313036372D423331443030444430313036363244417D\",\"C01\"\n" +
      fmt::format(
          "2,\"Back\\slash & <Co>\",,31,0.0000,0,\"1899-12-30 "
          "06:00:00\",,\"{}\",\"{}\",,,,,,,\"C02\"\n",
          LongMemo(1000), LongOleHex(3000)) +
      fmt::format("3,\"長い備考の会社\",,5,,1,\"2100-12-31 23:59:59\",,\"{}\",\"{}\",,,,,,,\n",
                  LongMemo(6000), LongOleHex(10000));
  EXPECT_EQ(Export("得意先表"), expected);
  EXPECT_EQ(Export("受注"),
            "受注ID,得意先ID,受注日,担当\n1,1,\"2023-07-01 00:00:00\",\"C01\"\n"
            "2,1,\"2023-07-02 00:00:00\",\n10,2,\"2023-07-03 00:00:00\",\n");
  EXPECT_EQ(Export("USysSettings"), "Key,Value\n\"Theme\",\"Dark\"\n");
  const std::string wide = Export("広い表");
  ExpectContains(wide,
                 {"列179_長めの名前で定義を広げる\n0,1,\"v2\",3,4,\"v5\"", ",177,178,\"v179\"\n"});
}

TEST_F(MdbToolsTest, RelationshipAndCatalogRows) {
  EXPECT_EQ(Export("MSysRelationships"),
            "szRelationship,grbit,ccolumn,icolumn,szObject,szColumn,szReferencedObject,"
            "szReferencedColumn\n"
            "\"得意先表受注\",4352,1,0,\"受注\",\"得意先ID\",\"得意先表\",\"得意先ID\"\n"
            "\"受注受注明細\",16781312,1,0,\"受注明細\",\"受注ID\",\"受注\",\"受注ID\"\n"
            "\"明細メモ参照\",256,2,0,\"明細メモ\",\"受注ID\",\"受注明細\",\"受注ID\"\n"
            "\"明細メモ参照\",256,2,1,\"明細メモ\",\"行番号\",\"受注明細\",\"行番号\"\n"
            "\"一対一\",1,1,0,\"得意先詳細\",\"得意先ID\",\"得意先表\",\"得意先ID\"\n"
            "\"参照のみ\",33554438,1,0,\"受注\",\"担当\",\"得意先表\",\"社内コード\"\n");
  // Parent, name, type, dates and flags of the catalog rows.
  const std::string catalog = Export("MSysObjects");
  ExpectContains(
      catalog,
      {
          "251658241,251658240,\"Tables\",3,\"2023-05-06 07:08:09\",\"2023-05-06 "
          "07:08:09\",\"A731\",-2147483648,",
          "268435456,251658242,\"MSysDb\",2,",
          "6,251658241,\"得意先表\",1,\"2023-05-07 10:00:00\",\"2023-06-01 12:30:00\",\"A633\",0,",
          ",251658241,\"ソース一覧\",1,\"2023-05-06 07:08:09\",\"2023-05-06 07:08:09\",\"A633\",8,",
          ",251658241,\"USysSettings\",1,\"2023-05-06 07:08:09\",\"2023-05-06 "
          "07:08:09\",\"A633\",2,",
          "-2147483644,251658243,\"参照のみ\",8,",
      });
}

TEST_F(MdbToolsTest, RandomSchemasReadQuietly) {
  const TempDir dir;
  for (std::uint64_t seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE(seed);
    const jetwriter::Database db = jetwriter::RandomSchema(seed);
    const std::filesystem::path file = WriteFixture(dir, fmt::format("random{}.mdb", seed), db);
    std::string names;
    for (const jetwriter::Table& table : db.Tables) names += table.Name + "\n";
    EXPECT_EQ(
        Read({"mdb-tables", "-1", "-S"}, file)
            .substr(std::string("MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\n").size()),
        names);
    Read({"mdb-schema", "postgres"}, file,
         db.Relationships.empty() ? "No MSysRelationships\n" : "");
    for (const jetwriter::Table& table : db.Tables) {
      const std::string csv = Export(table.Name, file);
      EXPECT_EQ(static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')),
                table.Rows.size() + 1)
          << table.Name;
      Read({"mdb-prop", table.Name}, file);
    }
  }
}

}  // namespace
}  // namespace tabulon::test
